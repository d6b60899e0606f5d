#include "large_buffer.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <vector>

#include <sys/mman.h>

namespace gloamery {

namespace {

struct Kept {
    void* block;
    std::size_t bytes;
    bool mapped; // a ZeroedBlock's pages: given back with munmap, never free
};

void release(const Kept& k) noexcept
{
    if (k.mapped) munmap(k.block, k.bytes);
    else std::free(k.block);
}

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
        release(k.kept.front());
        k.bytes -= k.kept.front().bytes;
        k.kept.erase(k.kept.begin());
    }
}

// A kept block of exactly `bytes`, newest first: of either kind when
// mappedToo, else one from the allocator; null when there is none.
Kept takeKept(std::size_t bytes, bool mappedToo)
{
    Keeper& k = keeper();
    std::lock_guard lock(k.mutex);
    for (auto it = k.kept.rbegin(); it != k.kept.rend(); ++it)
        if (it->bytes == bytes && (mappedToo || !it->mapped)) {
            const Kept found = *it;
            k.bytes -= bytes;
            k.kept.erase(std::next(it).base());
            return found;
        }
    return {nullptr, 0, false};
}

void keep(const Kept& block) noexcept
{
    Keeper& k = keeper();
    std::lock_guard lock(k.mutex);
    Kept dropped = block;
    if (block.bytes <= k.bound) {
        try {
            k.kept.push_back(block);
            k.bytes += block.bytes;
            dropped.block = nullptr;
        } catch (...) {
        }
    }
    freeOldest(k);
    if (dropped.block) release(dropped); // one too large to keep goes at once
}

constexpr std::size_t kPage = std::size_t(2) << 20;

} // namespace

void* takeLargeBlock(std::size_t bytes)
{
    if (void* kept = takeKept(bytes, false).block) return kept;
    void* block = std::aligned_alloc(std::size_t(2) << 20, bytes);
    if (!block) throw std::bad_alloc();
    madvise(block, bytes, MADV_HUGEPAGE); // a hint: refused, the block simply keeps small pages
    return block;
}

// Fresh ones have small pages: asked for large ones, the system may first
// compact its memory to find them, which made the first sweep of a process
// at 4096 x 4096 take three to five times as long as the next (and such a
// block is written once). Their pages come zeroed, which a cleared buffer
// paid twice. A kept block has its pages already: clearing it cost a fifth
// of what faulting in fresh pages did.
ZeroedBlock::ZeroedBlock(std::size_t bytes, Clearing clearing) : bytes_(bytes)
{
    if (bytes == 0) return;
    held_ = (bytes + kPage - 1) / kPage * kPage;
    const Kept kept = takeKept(held_, true);
    if (kept.block) {
        data_ = kept.block;
        mapped_ = kept.mapped;
        dirty_ = true;
        if (clearing == Clearing::Now) zero();
        return;
    }
    void* p = mmap(nullptr, held_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    data_ = p;
    mapped_ = true;
}

// A fresh block's pages are asked for here, all at once: a layer's rays
// leave most of its pages unwritten, and the fold then faulted each in on
// its own (read as zeros, to be faulted in again when the kept block was
// cleared for the next sweep).
void ZeroedBlock::zero()
{
    if (dirty_) std::memset(data_, 0, bytes_);
#ifdef MADV_POPULATE_WRITE
    else if (data_) madvise(data_, bytes_, MADV_POPULATE_WRITE); // a hint: refused, pages come as written
#endif
    dirty_ = false;
}

ZeroedBlock::~ZeroedBlock()
{
    if (data_) keep({data_, held_, mapped_});
}

void keepLargeBlocks(std::size_t bytes)
{
    Keeper& k = keeper();
    std::lock_guard lock(k.mutex);
    k.bound = bytes;
    freeOldest(k);
}

void giveBackLargeBlock(void* block, std::size_t bytes) noexcept { keep({block, bytes, false}); }

} // namespace gloamery
