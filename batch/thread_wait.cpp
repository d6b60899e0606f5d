// How long the batch tool's idle threads spin before they sleep.
//
// The OpenMP runtime lets a thread that has done its share spin for some
// 300,000 rounds (several milliseconds) before it sleeps, so that the next
// parallel stretch finds it awake. The tool starts its threads before it
// reads the files, and on a small map most of a run is reading and writing
// files on one thread: with the other thread spinning all the while, a
// whole run on a 256 x 256 map took 22 ms instead of 16 on this kind of
// two-core virtual machine. The stretches of one operation follow each
// other within microseconds, which a few thousand rounds still cover.
//
// Starting the threads only once the files are read does not make this
// needless: the saves after an operation meet the same spinning (a 256 x
// 256 run with the threads started after its loads and the runtime's own
// spin took 28 ms against 18).
//
// The runtime reads its settings once, from the environment, as it starts.
// It is linked into the tool (see CMakeLists.txt), so its start-up runs
// among the tool's own initialisers, after this one. A setting the user
// gave is kept.

#include <cstdlib>

namespace {

[[gnu::constructor(101)]] void spinBriefly()
{
    if (std::getenv("OMP_WAIT_POLICY") == nullptr) setenv("GOMP_SPINCOUNT", "3000", /*overwrite=*/0);
}

} // namespace
