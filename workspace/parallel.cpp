#include "parallel.h"

#include <omp.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace gloamery {

namespace {

int cores()
{
    const int n = omp_get_num_procs();
    return n > 0 ? n : 1;
}

// Each thread holds layers about a map's size: more threads than the
// machine can run only add memory, not speed.
int capped(long n) { return static_cast<int>(std::clamp<long>(n, 1, 4L * cores())); }

int fromEnvironment()
{
    if (const char* v = std::getenv("GLOAMERY_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(v, &end, 10);
        if (end != v && *end == '\0' && n >= 1 && n <= 4096) return capped(n);
    }
    return cores();
}

std::atomic<int> chosenThreads{0};
std::atomic<std::size_t> grain{1u << 18}; // about a quarter of a megapixel

} // namespace

int threadCount()
{
    int n = chosenThreads.load(std::memory_order_relaxed);
    if (n == 0) {
        n = fromEnvironment();
        chosenThreads.store(n, std::memory_order_relaxed);
    }
    return n;
}

void setThreadCount(int n) { chosenThreads.store(capped(n), std::memory_order_relaxed); }

void startThreads()
{
    const int threads = threadCount();
#pragma omp parallel num_threads(threads) if (threads > 1)
    enterParallelWork();
}

#if defined(__x86_64__) || defined(__i386__)
namespace {
__attribute__((target("avx"))) void zeroUpperHalves() { _mm256_zeroupper(); }
const bool hasWideRegisters = __builtin_cpu_supports("avx");
} // namespace

void enterParallelWork()
{
    if (hasWideRegisters) zeroUpperHalves();
}
#else
void enterParallelWork() {}
#endif

std::size_t parallelGrain() { return grain.load(std::memory_order_relaxed); }

void setParallelGrain(std::size_t units) { grain.store(units, std::memory_order_relaxed); }

int threadsFor(std::size_t units)
{
    const int n = threadCount();
    if (n <= 1 || units < parallelGrain()) return 1;
    return n;
}

} // namespace gloamery
