// Checksum, random generator, string splitting, colours, rectangles and paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/allocator.h"
#include "core/color_util.h"
#include "core/crc32.h"
#include "core/path_util.h"
#include "core/random.h"
#include "core/rect.h"
#include "core/string_util.h"

namespace {

TEST(Crc32Test, KnownValues) {
    const uint8_t allOnes[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    const uint8_t zero[1] = {0};
    const uint8_t high[2] = {0x80, 0xFE};  // bytes above 0x7F must be taken unsigned
    struct Case {
        const void* data;
        size_t length;
        uint32_t crc;
    } cases[] = {
        {"123456789", 9, 0x0376E6E7}, {"abc", 3, 0x9B73448C}, {zero, 1, 0x4E08BFB4},
        {allOnes, 4, 0x00000000},     {"", 0, 0xFFFFFFFF},   {high, 2, 0},
    };
    // The last row's value comes from the bitwise definition.
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t byte : high) {
        crc ^= uint32_t{byte} << 24;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
    }
    cases[5].crc = crc;
    for (const Case& c : cases) EXPECT_EQ(Crc32(c.data, c.length), c.crc) << c.length;
    EXPECT_EQ(Crc32(nullptr, 0), 0xFFFFFFFFu);
}

TEST(RandomTest, SeedZeroStateAndSequence) {
    RandomState state;
    RandomSeed(&state, 0);
    EXPECT_EQ(state.x, 0u);
    EXPECT_EQ(state.y, 1u);
    EXPECT_EQ(state.z, 1812433255u);
    EXPECT_EQ(state.w, 1900727105u);
    const uint32_t expected[] = {1900725608u, 1900725064u, 559296695u, 107079455u, 556204862u};
    for (uint32_t value : expected) EXPECT_EQ(Random(&state), value);

    RandomSeed(&state, 12345);
    EXPECT_EQ(Random(&state), 3007383298u);
    EXPECT_EQ(Random(&state), 3112076064u);
}

TEST(RandomTest, NullMeansTheGlobalState) {
    RandomSeed(nullptr, 0);
    EXPECT_EQ(Random(nullptr), 1900725608u);
    RandomState own;
    RandomSeed(&own, 77);
    Random(&own);  // does not move the global state
    EXPECT_EQ(Random(nullptr), 1900725064u);
}

TEST(RandomTest, RangesStayInsideTheirBounds) {
    RandomState state;
    RandomSeed(&state, 99);
    bool sawMin = false, sawTop = false;
    for (int i = 0; i < 100000; ++i) {
        int32_t r = RandomRange(&state, -3, 4);
        ASSERT_GE(r, -3);
        ASSERT_LT(r, 4);
        sawMin |= r == -3;
        sawTop |= r == 3;
        int32_t s = RandomSpread(&state, 120, 220);
        ASSERT_GE(s, -100);
        ASSERT_LT(s, 340);
        float f = RandomSpreadFloat(&state, 8.0f, 2.0f);
        ASSERT_GE(f, 6.0f);
        ASSERT_LE(f, 10.0f);
    }
    EXPECT_TRUE(sawMin && sawTop);
    // Empty ranges give their minimum or centre instead of dividing by zero.
    EXPECT_EQ(RandomRange(&state, 5, 5), 5);
    EXPECT_EQ(RandomSpread(&state, 7, 0), 7);
    EXPECT_EQ(RandomSpreadFloat(&state, 1.5f, 0.0f), 1.5f);
    // The full 32-bit span works without overflow.
    int32_t wide = RandomRange(&state, INT32_MIN, INT32_MAX);
    EXPECT_LT(wide, INT32_MAX);
}

std::vector<std::string> Split(const char* text, char separator, size_t max) {
    char buffer[64];
    strcpy(buffer, text);
    char* pieces[8];
    size_t count = SplitString(buffer, separator, pieces, max);
    return std::vector<std::string>(pieces, pieces + count);
}

TEST(SplitStringTest, Table) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("a//b", '/', 8), (V{"a", "", "b"}));
    EXPECT_EQ(Split("a/b/", '/', 8), (V{"a", "b", ""}));
    EXPECT_EQ(Split("abc", '/', 8), (V{"abc"}));
    EXPECT_EQ(Split("", '/', 8), V{});
    EXPECT_EQ(Split("a/b", '/', 0), V{});
    EXPECT_EQ(Split("key=a=b", '=', 2), (V{"key", "a"}));
    EXPECT_EQ(Split("x,y,z", ',', 3), (V{"x", "y", "z"}));
    EXPECT_EQ(Split("/", '/', 8), (V{"", ""}));
}

TEST(StringTest, StrDupCopiesIntoTheDefaultHeap) {
    char* copy = StrDup("pack/index");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "pack/index");
    EXPECT_EQ(GetBlockHeader(copy)->owner, GetDefaultAllocator());
    Allocator::Free(copy);
    EXPECT_EQ(StrDup(nullptr), nullptr);
}

TEST(StringTest, FormatLocalTimeRespectsTheSize) {
    char out[32];
    size_t length = FormatLocalTime(out, sizeof out, "QM%y%m%d%H%M%S.jpg");
    EXPECT_EQ(length, 18u);
    EXPECT_EQ(strlen(out), 18u);
    EXPECT_EQ(FormatLocalTime(out, 5, "%Y/%m/%d"), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(FormatLocalTime(out, 0, "%Y"), 0u);
}

TEST(ColorTest, MakeMultiplyAndScale) {
    EXPECT_EQ(MakeColor(300, 0, 0, 255), 0xFF0000FFu);
    EXPECT_EQ(MakeColor(1, 2, 3, 4), 0x04030201u);
    for (uint32_t c : {0u, 0x12345678u, 0xFFFFFFFFu, 0x80FF0001u}) {
        EXPECT_EQ(MultiplyColor(0xFFFFFFFF, c), c);
        EXPECT_EQ(MultiplyColor(c, 0xFFFFFFFF), c);
        EXPECT_EQ(MultiplyColor(c, 0), 0u);
    }
    EXPECT_EQ(MultiplyColor(0x80808080, 0x80808080), 0x40404040u);  // 128*128/255 = 64.25
    struct Case {
        uint32_t color;
        float factor;
        uint32_t expected;
    } cases[] = {
        {0x80C86432, 1.0f, 0x80C86432},  // identity, alpha kept
        {0x11C86432, 2.0f, 0x11FFC864},  // clamped at 255
        {0xFF030201, 0.5f, 0xFF020101},  // 1.5 -> 2, 1 -> 1, 0.5 -> 1
        {0x00FFFFFF, -1.0f, 0x00000000}, // clamped at 0
        {0xAA646464, 0.333f, 0xAA212121},
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleColorRgb(c.color, c.factor), c.expected) << c.factor;
}

TEST(RectTest, IntersectTable) {
    struct Case {
        IntRect clip, rect, expected;
    } cases[] = {
        {{20, 20, 30, 30}, {0, 0, 10, 10}, {0, 0, 0, 0}},
        {{0, 0, 100, 50}, {-10, 10, 40, 80}, {0, 10, 40, 50}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 0, 0}},  // touching edges: empty
        {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        IntRect r = c.rect;
        IntersectRect(c.clip, &r);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
}

TEST(PathTest, ExtensionTable) {
    struct Case {
        const char* path;
        const char* extension;  // null: none
    } cases[] = {{"docs.old/readme", nullptr}, {"a.tar.gz", "gz"}, {"", nullptr},
                 {"dir\\b.png", "png"},        {"a.", ""},          {"x.y\\z", nullptr}};
    for (const Case& c : cases) {
        const char* found = GetFileExtension(c.path);
        if (!c.extension) {
            EXPECT_EQ(found, nullptr) << c.path;
        } else {
            ASSERT_NE(found, nullptr) << c.path;
            EXPECT_STREQ(found, c.extension);
        }
    }
}

TEST(PathTest, JoinDirectoryAndReplaceTable) {
    EXPECT_EQ(PathJoin("a/", "/b"), "a/b");
    EXPECT_EQ(PathJoin("a", "b"), "a/b");
    EXPECT_EQ(PathJoin("", "b"), "b");
    EXPECT_EQ(PathJoin("a", "/b"), "a/b");
    EXPECT_EQ(PathJoin("a\\", "b"), "a\\b");
    EXPECT_EQ(PathJoin("a/", "//b"), "a//b");  // only one separator is dropped

    EXPECT_EQ(GetDirectoryPart("model/unit/a.e3d"), "model/unit/");
    EXPECT_EQ(GetDirectoryPart("a\\b.png"), "a\\");
    EXPECT_EQ(GetDirectoryPart("plain"), "");

    EXPECT_EQ(ReplaceExtension("a.b", "png"), "a.png");
    EXPECT_EQ(ReplaceExtension("a", "png"), "a.png");
    EXPECT_EQ(ReplaceExtension("dir.x/a", "png"), "dir.x/a.png");
    EXPECT_EQ(ReplaceExtension("se\\hit.wav", "adp"), "se\\hit.adp");
    EXPECT_EQ(ReplaceExtension("a.tar.gz", "zip"), "a.tar.zip");

    // Long inputs are no longer bounded by any buffer.
    std::string longName(5000, 'n');
    EXPECT_EQ(PathJoin("d", longName.c_str()).size(), 5002u);
}

}  // namespace
