"""Runs release the GIL: Python goes on while a run computes, and two
workspaces run in two threads at once."""

import os
import threading
import time

import numpy as np
import pytest

import gloamery
from conftest import random_scene

SIDE = 1024


def scene():
    heights, grass, stone = random_scene(1, SIDE, SIDE, True)
    ws = gloamery.Workspace(SIDE, SIDE, defaults=False)
    ws.height, ws.grass, ws.stone = heights, grass, stone
    ws.sun = (300, -200)
    return ws


def work(ws):
    ws.make_texture()
    ws.sin()
    ws.linear()


@pytest.fixture
def one_thread_each():
    """Each run on one thread, so two runs at once have a core each."""
    before = gloamery.threads()
    gloamery.set_threads(1)
    yield
    gloamery.set_threads(before)


def test_python_runs_while_an_operation_computes(one_thread_each):
    """Holding the GIL, a run would let no Python line through until it ends."""
    ws = scene()
    span = {}

    def run():
        span["start"] = time.perf_counter()
        work(ws)
        span["end"] = time.perf_counter()

    worker = threading.Thread(target=run)
    ticks = []
    worker.start()
    while worker.is_alive():
        ticks.append(time.perf_counter())
    worker.join()
    inside = [t for t in ticks if span["start"] < t < span["end"]]
    assert len(inside) > 100, f"{len(inside)} Python steps during a {span['end'] - span['start']:.3f} s run"


def cores():
    return len(os.sched_getaffinity(0))


def timed(spaces, together):
    """Wall and process CPU time of the work on every workspace, one after
    the other or in a thread each."""
    cpu, wall = time.process_time(), time.perf_counter()
    if together:
        threads = [threading.Thread(target=work, args=(ws,)) for ws in spaces]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    else:
        for ws in spaces:
            work(ws)
    return time.perf_counter() - wall, time.process_time() - cpu


# A speed-up is a figure, not a check: on a shared machine (and beside the
# other tests that ctest runs at once) the second core is often taken, and a
# timed test then fails for the machine's sake. Asked for, it runs as before.
@pytest.mark.skipif(os.environ.get("GLOAMERY_TIMING") != "1",
                    reason="a timing: GLOAMERY_TIMING=1 runs it, on a quiet machine")
@pytest.mark.skipif(cores() < 2, reason="needs two cores")
def test_two_workspaces_in_two_threads_finish_sooner(one_thread_each):
    """Two runs at once finish sooner when the machine has a second core to
    give. On a busy machine a try may find none free, so five tries are made;
    if no try got more than 1.2 cores' worth of processor time, the machine
    had none to give and the test is skipped (the test above still shows the
    GIL released)."""
    spaces = [scene(), scene()]
    work(spaces[0])  # every table and page in place before timing
    tries = []
    for _ in range(5):
        apart, _ = timed(spaces, together=False)
        both, cpu = timed(spaces, together=True)
        tries.append((apart, both, cpu / both))
        if both < 0.9 * apart:
            break
    else:
        if max(cores_used for _, _, cores_used in tries) < 1.2:
            pytest.skip(f"the machine gave no second core (apart, together, cores used): {tries}")
        pytest.fail(f"two threads were no faster with a second core in use (apart, together, cores used): {tries}")
    assert np.array_equal(spaces[0].colour, spaces[1].colour)
