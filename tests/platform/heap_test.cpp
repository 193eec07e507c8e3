// The process heap: zero-byte requests still give blocks, and a resize keeps
// the contents.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/heap.h"

namespace {

TEST(Heap, ZeroSizedRequestsGiveDistinctBlocks) {
    void* a = HeapAllocate(0);
    void* b = HeapAllocate(0);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b);
    HeapRelease(a);
    HeapRelease(b);
}

// A resize to 0 must not free the block behind the caller's back: a null result
// means "failed, the old block is still yours", and the caller frees it later.
TEST(Heap, ResizeToZeroKeepsAValidBlock) {
    void* block = HeapAllocate(64);
    ASSERT_NE(nullptr, block);
    void* resized = HeapResize(block, 0);
    ASSERT_NE(nullptr, resized);
    HeapRelease(resized);
}

TEST(Heap, ResizeKeepsContents) {
    auto* block = static_cast<unsigned char*>(HeapAllocate(16));
    ASSERT_NE(nullptr, block);
    for (int i = 0; i < 16; ++i) block[i] = static_cast<unsigned char>(i * 7);
    auto* grown = static_cast<unsigned char*>(HeapResize(block, 1 << 20));
    ASSERT_NE(nullptr, grown);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<unsigned char>(i * 7), grown[i]);
    auto* shrunk = static_cast<unsigned char*>(HeapResize(grown, 4));
    ASSERT_NE(nullptr, shrunk);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(static_cast<unsigned char>(i * 7), shrunk[i]);
    HeapRelease(shrunk);
    HeapRelease(nullptr);
}

}  // namespace
