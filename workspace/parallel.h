#pragma once
// How the core spreads work over the machine's cores. Every parallel loop
// splits work whose parts write disjoint pixels, so the bytes never depend
// on the number of threads; only the time does.

#include "reporter.h"

#include <cstddef>

namespace gloamery {

// Threads a computation may use: GLOAMERY_THREADS when set to a positive
// number, else every core; setThreadCount overrides both. Either is held
// to 1 .. 4 x the cores.
int threadCount();
void setThreadCount(int n);

// Starts the threads that parallel work will use, ahead of it: the first
// parallel loop of a process otherwise waits for the system to create
// them, which on a busy machine took several times as long as the loop.
void startThreads();

// Work below this many pixels (or ray steps) runs on one thread, where
// starting the others would cost more than it saves. Tests lower it to
// drive the parallel paths on tiny maps.
std::size_t parallelGrain();
void setParallelGrain(std::size_t units);

// Threads worth using for `units` of work.
int threadsFor(std::size_t units);

// Called by each thread as it starts a share of parallel work. A thread
// can arrive with the upper halves of its wide vector registers in use
// (left so by the runtime or the C library); the plain vector code of the
// core then runs at a fraction of its speed until they are cleared, which
// made one of two threads three times slower than the other.
void enterParallelWork();

// body(y) for every y in [0, rows), spread over threads when `units` (the
// work of all rows together) is worth it.
template <class Body>
void forEachRow(int rows, std::size_t units, Body body)
{
    const int threads = threadsFor(units);
    if (threads == 1) {
        // Without the runtime: a team of one still costs a call into it,
        // and on the first run of a process its code is not in the cache.
        enterParallelWork();
        for (int y = 0; y < rows; ++y) body(y);
        return;
    }
#pragma omp parallel num_threads(threads)
    {
        enterParallelWork();
#pragma omp for schedule(static)
        for (int y = 0; y < rows; ++y) body(y);
    }
}

// The bar of a computation that steps once per column, x / divisor for
// each column begin..end-1 in order. The computations fill their pictures
// row by row along memory (a column-wise walk of a large map would miss the
// cache at every pixel) and report the columns when done: the same sequence
// of reports as a column-by-column walk, only all at the end.
inline void reportColumns(int begin, int end, double divisor, Reporter& report)
{
    for (int x = begin; x < end; ++x) report.progress(x / divisor);
}

} // namespace gloamery
