// The batch tool's memory for blocks of 64 KiB and more: 2 MiB pages.
//
// A run on a small map is short, and most of it went on first touches of
// fresh memory: the workspace, the decoded files and the layers of a run
// come to a thousand 4 KiB pages, and on a virtual machine each such fault
// costs ten microseconds or more, as much as decoding the page's pixels.
// Blocks of 64 KiB and more therefore come from the region the large
// buffers are cut from (workspace/large_buffer.h), which asks the system
// for 2 MiB pages and keeps freed blocks by size: runs free and take the
// same sizes again. The heap's allocator cannot be asked for such pages
// (its main heap does not get them), hence this replacement of operator
// new, in the tool only.

#include "workspace/large_buffer.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

void* take(std::size_t n) noexcept
{
    if (void* p = gloamery::takePagedBlock(n)) return p;
    return std::malloc(n ? n : 1);
}

void give(void* p) noexcept
{
    if (p && !gloamery::givePagedBlock(p)) std::free(p);
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
