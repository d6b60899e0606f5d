#pragma once
// Storage for pictures and grids. A large map's pixels are read and written
// along rays that cross a new row at every step, so with the usual 4 KiB
// pages nearly every step misses the address cache; large buffers are
// therefore aligned to and backed by 2 MiB pages where the system offers
// them on request.

#include <cstddef>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace gloamery {

template <class T>
struct LargePageAllocator {
    using value_type = T;
    static constexpr std::size_t kPage = std::size_t(2) << 20;

    LargePageAllocator() = default;
    template <class U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}

    static bool large(std::size_t n) { return n * sizeof(T) >= 2 * kPage; }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T) - kPage) throw std::bad_alloc();
        if (!large(n)) return static_cast<T*>(::operator new(n * sizeof(T)));
        const std::size_t bytes = (n * sizeof(T) + kPage - 1) / kPage * kPage;
        void* p = std::aligned_alloc(kPage, bytes);
        if (!p) throw std::bad_alloc();
        madvise(p, bytes, MADV_HUGEPAGE); // a hint: refused, the buffer simply keeps small pages
        return static_cast<T*>(p);
    }

    void deallocate(T* p, std::size_t n) noexcept
    {
        if (large(n)) std::free(p);
        else ::operator delete(p);
    }

    template <class U>
    bool operator==(const LargePageAllocator<U>&) const noexcept { return true; }
};

} // namespace gloamery
