"""Gloamery: terrain height maps lit into terrain textures, on NumPy arrays.

A ``Workspace`` holds the pictures (slots) and controls that ``gloamery-batch``
works on; its operations give the same bytes as the batch tool::

    import gloamery
    ws = gloamery.Workspace(512, 512)
    ws.height = heights            # (512, 512) uint8, uint16 or float elevations
    ws.make_texture()
    ws.sun = (400, -100)
    ws.decay = 3
    ws.linear()
    rgb = ws.colour                # (512, 512, 3) uint8

    ws = gloamery.open("dem.tif")  # as --open: size, heights, units and place
    ws.sun_run()
    ws.save("colour", "lit.tif")   # lies where the DEM lies
"""

import os as _os

# The OpenMP runtime lets an idle thread spin for some 300,000 rounds before
# it sleeps; between runs, while Python works, the spinning threads take the
# cores from it (on a busy two-core machine a 1024 x 1024 "Linear" took 120
# ms instead of 30). The runtime reads the setting as it loads, with the
# module just below, so it is given for that moment only, as the batch tool
# gives it; a setting of the caller's own is kept.
_spin = "OMP_WAIT_POLICY" not in _os.environ and "GOMP_SPINCOUNT" not in _os.environ
if _spin:
    _os.environ["GOMP_SPINCOUNT"] = "3000"
try:
    from ._gloamery import (
        CONTROL_SCHEMA,
        OPERATION_TABLE,
        Cancelled,
        MAX_MAP_SIZE,
        OPERATIONS,
        SLOTS,
        Workspace,
        __version__,
        load,
        open,
        set_threads,
        threads,
    )
finally:
    if _spin:
        del _os.environ["GOMP_SPINCOUNT"]

__all__ = ["Cancelled", "Workspace", "OPERATION_TABLE", "CONTROL_SCHEMA", "load", "open", "set_threads", "threads", "SLOTS", "OPERATIONS", "MAX_MAP_SIZE"]
