// The window icon drawn by code.
#include <gtest/gtest.h>

#include "platform/window.h"

namespace {

TEST(WindowIcon, ADiscWithAKeyOnATransparentGround) {
    EXPECT_TRUE(WindowIconPixels(0, 48).empty());
    EXPECT_TRUE(WindowIconPixels(2010, 0).empty());
    for (int size : {16, 32, 48}) {
        std::vector<uint32_t> icon = WindowIconPixels(2010, size);
        ASSERT_EQ(icon.size(), size_t(size) * size);
        auto at = [&](float x, float y) { return icon[size_t(y * size / 32) * size + size_t(x * size / 32)]; };
        EXPECT_EQ(at(0, 0) >> 24, 0u) << size;              // corner outside the disc
        EXPECT_EQ(at(16, 28), 0xFF1B2A4Au) << size;          // the disc below the key
        EXPECT_EQ(at(7, 11), 0xFFD8DEE8u) << size;           // the key's ring
        EXPECT_EQ(at(11, 11), 0xFF1B2A4Au) << size;          // the ring's hole
        EXPECT_EQ(at(20, 14.5f), 0xFFD8DEE8u) << size;       // the shaft
    }
}

}  // namespace
