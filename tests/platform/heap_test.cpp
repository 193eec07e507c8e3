// The process heap: zero-byte requests still give distinct blocks, a resize to
// 0 keeps a valid block (null would mean "failed, the old one is still yours"),
// and a resize keeps the contents.
#include <gtest/gtest.h>

#include "platform/heap.h"

namespace {

TEST(Heap, ZeroSizesAndResizes) {
    void* a = HeapAllocate(0);
    void* b = HeapAllocate(0);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    HeapRelease(a);
    b = HeapResize(b, 0);
    ASSERT_NE(nullptr, b);
    HeapRelease(b);
    auto* block = static_cast<unsigned char*>(HeapAllocate(16));
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
