#pragma once
// Storage for pictures, grids and the sweep's layers. A large map's pixels
// are read and written along rays that cross a new row at every step, so
// with the usual 4 KiB pages nearly every step misses the address cache;
// large buffers are therefore aligned to and backed by 2 MiB pages where
// the system offers them on request. And as faulting in a fresh buffer of
// a large map costs more than most computations on it, the large buffers a
// computation frees are kept for the next one of the same size.

#include <cstddef>
#include <new>

namespace gloamery {

// A block of at least `bytes` (a whole number of 2 MiB pages), from the
// kept ones when one of that size is free; throws std::bad_alloc.
void* takeLargeBlock(std::size_t bytes);
// Back to the kept ones, or to the system when they hold enough already.
void giveBackLargeBlock(void* block, std::size_t bytes) noexcept;

template <class T>
struct LargePageAllocator {
    using value_type = T;
    static constexpr std::size_t kPage = std::size_t(2) << 20;

    LargePageAllocator() = default;
    template <class U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}

    static bool large(std::size_t n) { return n * sizeof(T) >= 2 * kPage; }
    static std::size_t pages(std::size_t n) { return (n * sizeof(T) + kPage - 1) / kPage * kPage; }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T) - kPage) throw std::bad_alloc();
        if (!large(n)) return static_cast<T*>(::operator new(n * sizeof(T)));
        return static_cast<T*>(takeLargeBlock(pages(n)));
    }

    void deallocate(T* p, std::size_t n) noexcept
    {
        if (large(n)) giveBackLargeBlock(p, pages(n));
        else ::operator delete(p);
    }

    template <class U>
    bool operator==(const LargePageAllocator<U>&) const noexcept { return true; }
};

} // namespace gloamery
