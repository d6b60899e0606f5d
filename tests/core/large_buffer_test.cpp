// The one allocator of large buffers and of the batch tool's operator new:
// which sizes its region serves, blocks kept by size for the next of that
// size, and kept memory given back to the system beyond the bound.

#include "workspace/large_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace gloamery;

namespace {

constexpr std::size_t kMiB = std::size_t(1) << 20;

bool aligned(const void* p, std::size_t to) { return reinterpret_cast<std::uintptr_t>(p) % to == 0; }

} // namespace

TEST(LargeBlocks, PagedBlocksAreServedWithinTheirSpanAndKeptBySize)
{
    void* probe = takePagedBlock(64 * 1024);
    if (!probe) GTEST_SKIP() << "blocks come from the heap here (a sanitizer build)";
    EXPECT_TRUE(givePagedBlock(probe));
    const struct {
        std::size_t bytes;
        bool served;
    } cases[] = {
        {1000, false}, {64 * 1024 - 65, false}, {64 * 1024 - 64, true}, {300 * 1000, true},
        {5 * kMiB, true}, {32 * kMiB - 64, true}, {32 * kMiB - 63, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        void* p = takePagedBlock(c.bytes);
        ASSERT_EQ(p != nullptr, c.served);
        if (!p) continue;
        EXPECT_TRUE(aligned(p, 64));
        std::memset(p, 0x5a, c.bytes); // all of it is ours
        void* other = takePagedBlock(c.bytes);
        EXPECT_NE(other, p);
        EXPECT_TRUE(givePagedBlock(p));
        EXPECT_EQ(takePagedBlock(c.bytes), p); // the one freed, for the next of its size
        EXPECT_TRUE(givePagedBlock(p));
        EXPECT_TRUE(givePagedBlock(other));
    }
    // A block from the heap is not the region's.
    void* heap = std::malloc(128 * 1024);
    EXPECT_FALSE(givePagedBlock(heap));
    std::free(heap);
}

TEST(LargeBlocks, LargeBuffersStartOnAPageAndKeptOnesHoldMemoryOnlyWithinTheBound)
{
    for (const std::size_t bytes : {4 * kMiB, 32 * kMiB, 64 * kMiB}) {
        SCOPED_TRACE(bytes);
        auto* p = static_cast<unsigned char*>(takeLargeBlock(bytes));
        EXPECT_TRUE(aligned(p, 2 * kMiB));
        std::memset(p, 7, bytes);
        giveBackLargeBlock(p, bytes);
        auto* again = static_cast<unsigned char*>(takeLargeBlock(bytes));
        EXPECT_EQ(again, p); // kept, within the bound
        EXPECT_EQ(again[bytes - 1], 7);
        giveBackLargeBlock(again, bytes);
    }
    // Nothing kept: what a block held goes back to the system (a region
    // block's pages read as zero again, or the block is another).
    keepLargeBlocks(0);
    auto* p = static_cast<unsigned char*>(takeLargeBlock(8 * kMiB));
    std::memset(p, 9, 8 * kMiB);
    giveBackLargeBlock(p, 8 * kMiB);
    auto* again = static_cast<unsigned char*>(takeLargeBlock(8 * kMiB));
    EXPECT_TRUE(again != p || again[8 * kMiB - 1] == 0);
    giveBackLargeBlock(again, 8 * kMiB);
    keepLargeBlocks(512 * kMiB);
}
