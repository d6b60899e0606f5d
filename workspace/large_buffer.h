#pragma once
// Storage for pictures, grids and the sweep's layers. A large map's pixels
// are read and written along rays that cross a new row at every step, so
// with the usual 4 KiB pages nearly every step misses the address cache;
// large buffers are therefore aligned to and backed by 2 MiB pages where
// the system offers them on request. And as faulting in a fresh buffer of
// a large map costs more than most computations on it, the large buffers a
// computation frees are kept for the next one of the same size.

#include "parallel.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace gloamery {

// A block of at least `bytes` (a whole number of 2 MiB pages), from the
// kept ones when one of that size is free; throws std::bad_alloc.
void* takeLargeBlock(std::size_t bytes);
// Back to the kept ones, or to the system when they hold enough already.
void giveBackLargeBlock(void* block, std::size_t bytes) noexcept;
// How much the kept blocks may hold (512 MiB to start with): a program
// that computes each thing once keeps none, and its peak is what it uses.
void keepLargeBlocks(std::size_t bytes);

// Zeroed memory straight from the system, for buffers whose every value
// starts at zero and that are used once: nothing clears it, and each page
// is faulted in (zeroed by the system) by the thread that first writes it.
// Given back to the system at once when destroyed.
class ZeroedBlock {
public:
    ZeroedBlock() = default;
    explicit ZeroedBlock(std::size_t bytes); // throws std::bad_alloc
    ZeroedBlock(ZeroedBlock&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0))
    {
    }
    ZeroedBlock& operator=(ZeroedBlock&& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(bytes_, other.bytes_);
        return *this;
    }
    ~ZeroedBlock();

    void* data() const { return data_; }
    std::size_t bytes() const { return bytes_; }

private:
    void* data_ = nullptr;
    std::size_t bytes_ = 0;
};

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
    // A buffer sized without a value is left unwritten (fillFresh writes it).
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// v made n copies of `value`, written by every thread in bands: the first
// write to a fresh page is what a large buffer costs, and a page is faulted
// in by the thread that writes it.
template <class T>
void fillFresh(std::vector<T, LargePageAllocator<T>>& v, std::size_t n, T value)
{
    v.resize(n);
    constexpr std::size_t kBand = LargePageAllocator<T>::kPage / sizeof(T);
    const std::size_t bands = (n + kBand - 1) / kBand;
    forEachRow(static_cast<int>(bands), n, [&](int b) {
        const std::size_t first = static_cast<std::size_t>(b) * kBand;
        std::fill(v.data() + first, v.data() + std::min(n, first + kBand), value);
    });
}

} // namespace gloamery
