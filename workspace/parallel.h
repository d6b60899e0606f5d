#pragma once
// How the core spreads work over the machine's cores. Every parallel loop
// splits work whose parts write disjoint pixels, so the bytes never depend
// on the number of threads; only the time does.

#include "reporter.h"

#include <cstddef>

namespace gloamery {

// Threads a computation may use: GLOAMERY_THREADS when set to a positive
// number, else every core; setThreadCount overrides both (n >= 1).
int threadCount();
void setThreadCount(int n);

// Work below this many pixels (or ray steps) runs on one thread, where
// starting the others would cost more than it saves. Tests lower it to
// drive the parallel paths on tiny maps.
std::size_t parallelGrain();
void setParallelGrain(std::size_t units);

// Threads worth using for `units` of work.
int threadsFor(std::size_t units);

// body(y) for every y in [0, rows), spread over threads when `units` (the
// work of all rows together) is worth it.
template <class Body>
void forEachRow(int rows, std::size_t units, Body body)
{
    const int threads = threadsFor(units);
#pragma omp parallel for num_threads(threads) schedule(static) if (threads > 1)
    for (int y = 0; y < rows; ++y) body(y);
}

// The column loops of the computations that report progress per column:
// columns [begin, end) are filled in bands, band(x0, x1) filling columns
// x0..x1-1 of every row (its rows may run in parallel); after each band
// the bar is reported at x / divisor for each of its columns, in order, so
// the sequence of reports is the same however the work is split.
template <class Band>
void inColumnBands(int begin, int end, double divisor, Reporter& report, Band band)
{
    // 16 columns keep a band's row within a cache line or two; wide maps
    // take wider bands so the bar is not redrawn thousands of times.
    const int width = end - begin > 512 ? (end - begin + 31) / 32 : 16;
    for (int x0 = begin; x0 < end; x0 += width) {
        const int x1 = x0 + width < end ? x0 + width : end;
        band(x0, x1);
        for (int x = x0; x < x1; ++x) report.progress(x / divisor);
    }
}

} // namespace gloamery
