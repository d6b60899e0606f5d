#include "large_buffer.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <new>
#include <vector>

#include <sys/mman.h>

// The sanitizers must see every block to check it: under them, blocks come
// from the heap's allocator.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define GLOAMERY_HEAP_BLOCKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define GLOAMERY_HEAP_BLOCKS 1
#endif
#endif

namespace gloamery {

namespace {

constexpr std::size_t kPage = std::size_t(2) << 20;
constexpr std::size_t kGrain = 64 * 1024;                // region blocks are whole grains
constexpr std::size_t kLargest = std::size_t(32) << 20;  // larger blocks have pages of their own
[[maybe_unused]] constexpr std::size_t kReserve = std::size_t(8) << 30; // address space only
constexpr std::size_t kHeader = 64;                      // keeps a paged block 64-byte aligned
constexpr std::size_t kSizes = kLargest / kGrain + 1;
constexpr std::size_t kBounded = 2 * kPage; // kept blocks this large count against the bound

// A block kept for reuse; its first bytes, which stay in memory.
struct Link {
    Link* next;
    bool resident; // false once its pages went back to the system
};

// Blocks of up to 32 MiB are cut from one region of address space that
// asks for 2 MiB pages: a handful of faults where 4 KiB pages took
// hundreds. Larger ones get pages of their own, given back whole. Freed
// blocks are kept by size for the next of that size; of those of 4 MiB and
// more, only `bound` bytes keep their memory: a press of a 4096 x 4096 map
// frees grids and layers of 8 to 64 MiB, some 300 MiB in all, which the
// default keeps, so a process never holds more than it recently used.
struct Blocks {
    std::mutex mutex;
    char* base = nullptr;
    char* top = nullptr;
    char* end = nullptr;
    Link* kept[kSizes] = {};
    std::size_t residentKept = 0; // the bounded region blocks still in memory
    struct Own {
        void* block;
        std::size_t bytes;
    };
    std::vector<Own> own; // blocks of their own kept, newest last
    std::size_t ownKept = 0;
    std::size_t bound = std::size_t(512) << 20;

    Blocks()
    {
#ifndef GLOAMERY_HEAP_BLOCKS
        void* raw = ::mmap(nullptr, kReserve + kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                           -1, 0);
        if (raw == MAP_FAILED) return;
        base = top = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(raw) + kPage - 1) & ~(kPage - 1));
        end = base + kReserve;
        ::madvise(base, kReserve, MADV_HUGEPAGE); // a hint: refused, the region simply keeps small pages
#endif
    }
    bool holds(const void* p) const { return p >= base && p < end; }

    // A region block of `grains`, kept or new; null when the region is full.
    char* take(std::size_t grains)
    {
        if (!base) return nullptr;
        if (Link* l = kept[grains]) {
            kept[grains] = l->next;
            if (grains * kGrain >= kBounded && l->resident) residentKept -= grains * kGrain;
            return reinterpret_cast<char*>(l);
        }
        // Blocks of whole pages start on one.
        char* at = grains * kGrain >= kBounded
                       ? reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(top) + kPage - 1) & ~(kPage - 1))
                       : top;
        if (at > end || static_cast<std::size_t>(end - at) < grains * kGrain) return nullptr;
        top = at + grains * kGrain;
        return at;
    }
    void give(char* block, std::size_t grains)
    {
        auto* l = reinterpret_cast<Link*>(block);
        *l = Link{kept[grains], true};
        kept[grains] = l;
        if (grains * kGrain >= kBounded) residentKept += grains * kGrain;
        trim();
    }
    // Kept memory back to the system until within the bound: blocks of
    // their own oldest first, then the region's largest first (their
    // addresses stay kept).
    void trim()
    {
        while (ownKept + residentKept > bound && !own.empty()) {
            std::free(own.front().block);
            ownKept -= own.front().bytes;
            own.erase(own.begin());
        }
        for (std::size_t g = kSizes - 1; g * kGrain >= kBounded && ownKept + residentKept > bound; --g)
            for (Link* l = kept[g]; l && ownKept + residentKept > bound; l = l->next)
                if (l->resident) {
                    l->resident = false;
                    ::madvise(reinterpret_cast<char*>(l) + 4096, g * kGrain - 4096, MADV_DONTNEED);
                    residentKept -= g * kGrain;
                }
    }
};

// Never destroyed, nor taken from the heap, whose operator new may be this
// very code: blocks held by static objects are freed after every
// destructor of this file would have run.
Blocks& blocks()
{
    alignas(Blocks) static unsigned char storage[sizeof(Blocks)];
    static Blocks* b = new (storage) Blocks;
    return *b;
}

} // namespace

void* takeLargeBlock(std::size_t bytes)
{
    Blocks& b = blocks();
    {
        std::lock_guard lock(b.mutex);
        if (bytes <= kLargest && bytes % kGrain == 0) // whole grains; the allocator asks for whole pages
            if (char* block = b.take(bytes / kGrain)) return block;
        for (auto it = b.own.rbegin(); it != b.own.rend(); ++it)
            if (it->bytes == bytes) {
                void* block = it->block;
                b.ownKept -= bytes;
                b.own.erase(std::next(it).base());
                return block;
            }
    }
    void* block = std::aligned_alloc(kPage, bytes);
    if (!block) throw std::bad_alloc();
    madvise(block, bytes, MADV_HUGEPAGE); // a hint: refused, the block simply keeps small pages
    return block;
}

void giveBackLargeBlock(void* block, std::size_t bytes) noexcept
{
    Blocks& b = blocks();
    std::lock_guard lock(b.mutex);
    if (b.holds(block)) return b.give(static_cast<char*>(block), bytes / kGrain);
    if (bytes <= b.bound) {
        try {
            b.own.push_back({block, bytes});
            b.ownKept += bytes;
            block = nullptr;
        } catch (...) {
        }
    }
    b.trim();
    std::free(block); // one too large to keep goes at once
}

void keepLargeBlocks(std::size_t bytes)
{
    Blocks& b = blocks();
    std::lock_guard lock(b.mutex);
    b.bound = bytes;
    b.trim();
}

void* takePagedBlock(std::size_t n) noexcept
{
    if (n < kGrain - kHeader || n > kLargest - kHeader) return nullptr;
    const std::size_t grains = (n + kHeader + kGrain - 1) / kGrain;
    Blocks& b = blocks();
    std::lock_guard lock(b.mutex);
    char* block = b.take(grains);
    if (!block) return nullptr;
    *reinterpret_cast<std::size_t*>(block) = grains;
    return block + kHeader;
}

bool givePagedBlock(void* p) noexcept
{
    Blocks& b = blocks();
    if (!b.holds(p)) return false;
    char* block = static_cast<char*>(p) - kHeader;
    const std::size_t grains = *reinterpret_cast<std::size_t*>(block);
    std::lock_guard lock(b.mutex);
    b.give(block, grains);
    return true;
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

} // namespace gloamery
