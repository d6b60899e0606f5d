// The batch tool's memory for blocks of 64 KiB and more: 2 MiB pages.
//
// A run on a small map is short, and most of it went on first touches of
// fresh memory: the workspace, the decoded files and the layers of a run
// come to a thousand 4 KiB pages, and on a virtual machine each such fault
// costs ten microseconds or more, as much as decoding the page's pixels.
// Blocks of 64 KiB and more are therefore cut from one region that asks the
// system for 2 MiB pages (a handful of faults instead of a thousand; where
// the system has none, nothing changes). Freed blocks are kept by size for
// the next block of that size: runs free and take the same sizes again.
// The heap's allocator cannot be asked for such pages (its main heap does
// not get them), hence this replacement of operator new, in the tool only.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t kPage = std::size_t(2) << 20;
constexpr std::size_t kGrain = 64 * 1024;          // sizes are whole grains
constexpr std::size_t kLargest = std::size_t(32) << 20; // larger blocks have pages of their own
constexpr std::size_t kReserve = std::size_t(8) << 30;  // address space only
constexpr std::size_t kHeader = 64;                  // keeps blocks 64-byte aligned
constexpr int kSizes = static_cast<int>(kLargest / kGrain) + 1;

struct Region {
    std::mutex lock;
    char* base = nullptr;
    char* top = nullptr;
    char* end = nullptr;
    void* kept[kSizes] = {}; // freed blocks, one list a size

    Region()
    {
        void* raw = ::mmap(nullptr, kReserve + kPage, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (raw == MAP_FAILED) return;
        base = top = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(raw) + kPage - 1) & ~(kPage - 1));
        end = base + kReserve;
        ::madvise(base, kReserve, MADV_HUGEPAGE);
    }
    bool holds(void* p) const { return p >= base && p < end; }
};

Region& region()
{
    static Region r; // constructed on first use, never destroyed
    return r;
}

void* take(std::size_t n)
{
    if (n >= kGrain - kHeader && n <= kLargest - kHeader) {
        const std::size_t grains = (n + kHeader + kGrain - 1) / kGrain;
        Region& r = region();
        std::lock_guard<std::mutex> hold(r.lock);
        char* block = static_cast<char*>(r.kept[grains]);
        if (block) {
            r.kept[grains] = *reinterpret_cast<void**>(block);
        } else if (r.base && static_cast<std::size_t>(r.end - r.top) >= grains * kGrain) {
            block = r.top;
            r.top += grains * kGrain;
        }
        if (block) {
            *reinterpret_cast<std::size_t*>(block) = grains;
            return block + kHeader;
        }
    }
    return std::malloc(n ? n : 1);
}

void give(void* p) noexcept
{
    if (!p) return;
    Region& r = region();
    if (!r.holds(p)) {
        std::free(p);
        return;
    }
    char* block = static_cast<char*>(p) - kHeader;
    const std::size_t grains = *reinterpret_cast<std::size_t*>(block);
    std::lock_guard<std::mutex> hold(r.lock);
    *reinterpret_cast<void**>(block) = r.kept[grains];
    r.kept[grains] = block;
}

} // namespace

void* operator new(std::size_t n)
{
    if (void* p = take(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return take(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return take(n); }
void operator delete(void* p) noexcept { give(p); }
void operator delete[](void* p) noexcept { give(p); }
void operator delete(void* p, std::size_t) noexcept { give(p); }
void operator delete[](void* p, std::size_t) noexcept { give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { give(p); }
