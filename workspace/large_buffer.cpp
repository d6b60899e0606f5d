#include "large_buffer.h"

#include <cstdlib>
#include <iterator>
#include <mutex>
#include <vector>

#include <sys/mman.h>

namespace gloamery {

namespace {

struct Kept {
    void* block;
    std::size_t bytes;
};

// The blocks kept, newest last, how much they hold together, and the
// bound. A press of a 4096 x 4096 map frees grids and layers of 8 to 64
// MiB, some 300 MiB in all; the bound keeps that much and no more, so a
// process never holds more than it recently used.
struct Keeper {
    std::mutex mutex;
    std::vector<Kept> kept;
    std::size_t bytes = 0;
    std::size_t bound = std::size_t(512) << 20;
};

// Never destroyed: pictures held by other static objects are freed after
// every destructor of this file would have run.
Keeper& keeper()
{
    static Keeper* k = new Keeper;
    return *k;
}

// Back to the system, oldest first, until the kept ones are within the
// bound; the keeper is locked.
void freeOldest(Keeper& k)
{
    while (k.bytes > k.bound && !k.kept.empty()) {
        std::free(k.kept.front().block);
        k.bytes -= k.kept.front().bytes;
        k.kept.erase(k.kept.begin());
    }
}

} // namespace

void* takeLargeBlock(std::size_t bytes)
{
    {
        Keeper& k = keeper();
        std::lock_guard lock(k.mutex);
        for (auto it = k.kept.rbegin(); it != k.kept.rend(); ++it)
            if (it->bytes == bytes) {
                void* block = it->block;
                k.bytes -= bytes;
                k.kept.erase(std::next(it).base());
                return block;
            }
    }
    void* block = std::aligned_alloc(std::size_t(2) << 20, bytes);
    if (!block) throw std::bad_alloc();
    madvise(block, bytes, MADV_HUGEPAGE); // a hint: refused, the block simply keeps small pages // a hint: refused, the block simply keeps small pages
    return block;
}

// Small pages: asked for large ones, the system may first compact its
// memory to find them, which made the first sweep of a process at 4096 x
// 4096 take three to five times as long as the next (and such a block is
// written once). Its pages come zeroed, which a cleared buffer paid twice.
ZeroedBlock::ZeroedBlock(std::size_t bytes) : bytes_(bytes)
{
    if (bytes == 0) return;
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    data_ = p;
}

ZeroedBlock::~ZeroedBlock()
{
    if (data_) munmap(data_, bytes_);
}

void keepLargeBlocks(std::size_t bytes)
{
    Keeper& k = keeper();
    std::lock_guard lock(k.mutex);
    k.bound = bytes;
    freeOldest(k);
}

void giveBackLargeBlock(void* block, std::size_t bytes) noexcept
{
    Keeper& k = keeper();
    std::lock_guard lock(k.mutex);
    if (bytes <= k.bound) {
        try {
            k.kept.push_back({block, bytes});
            k.bytes += bytes;
            block = nullptr;
        } catch (...) {
        }
    }
    freeOldest(k);
    std::free(block); // one too large to keep goes at once
}

} // namespace gloamery
