// The software decoders against hand-made blocks with known colours, and the
// sizes of compressed levels.
#include "gfx/texture_decode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/log_capture.h"

namespace {

struct Texel {
    int r, g, b, a;
};

Texel At(const std::vector<uint8_t>& rgba, int width, int x, int y) {
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

::testing::AssertionResult Same(Texel got, Texel want) {
    if (got.r == want.r && got.g == want.g && got.b == want.b && got.a == want.a) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got (" << got.r << "," << got.g << "," << got.b << "," << got.a
                                         << "), expected (" << want.r << "," << want.g << "," << want.b << ","
                                         << want.a << ")";
}

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, static_cast<uint16_t>(v));
    PutU16(p + 2, static_cast<uint16_t>(v >> 16));
}

// Texel i of a colour block uses index i % 4.
constexpr uint32_t kIndexRamp = 0xE4E4E4E4u;

std::vector<uint8_t> ColourBlock(uint16_t c0, uint16_t c1, uint32_t indices) {
    std::vector<uint8_t> block(8);
    PutU16(&block[0], c0);
    PutU16(&block[2], c1);
    PutU32(&block[4], indices);
    return block;
}

std::vector<uint8_t> Decode(PixelFormat code, int w, int h, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4, 0xCD);
    EXPECT_TRUE(DecodeCompressedToRgba(code, w, h, data.data(), static_cast<uint32_t>(data.size()), out.data()));
    return out;
}

TEST(BlockDecode, Dxt1ColoursFromHandMadeBlocks) {
    const Texel red{255, 0, 0, 255}, blue{0, 0, 255, 255};
    struct Case {
        PixelFormat code;
        uint16_t c0, c1;
        Texel colours[4];
    } cases[] = {
        // c0 > c1: four colours, two thirds between the ends.
        {kPixelDxt1Rgb, 0xF800, 0x001F, {red, blue, {170, 0, 85, 255}, {85, 0, 170, 255}}},
        {kPixelDxt1Rgb, 0xF800, 0x0800, {red, {8, 0, 0, 255}, {172, 0, 0, 255}, {90, 0, 0, 255}}},
        {kPixelDxt1Rgba, 0x07E0, 0x0000, {{0, 255, 0, 255}, {0, 0, 0, 255}, {0, 170, 0, 255}, {0, 85, 0, 255}}},
        // c0 <= c1: three colours and black, transparent in the RGBA form.
        {kPixelDxt1Rgb, 0x001F, 0xF800, {blue, red, {127, 0, 127, 255}, {0, 0, 0, 255}}},
        {kPixelDxt1Rgba, 0x001F, 0xF800, {blue, red, {127, 0, 127, 255}, {0, 0, 0, 0}}},
        {kPixelDxt1Rgba, 0x8410, 0x8410,
         {{132, 130, 132, 255}, {132, 130, 132, 255}, {132, 130, 132, 255}, {0, 0, 0, 0}}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out = Decode(c.code, 4, 4, ColourBlock(c.c0, c.c1, kIndexRamp));
        for (int i = 0; i < 16; ++i) {
            EXPECT_TRUE(Same(At(out, 4, i % 4, i / 4), c.colours[i % 4])) << std::hex << c.c0 << " texel " << i;
        }
    }
}

TEST(BlockDecode, AtcColoursInBothModes) {
    struct Case {
        uint16_t c0, c1;
        Texel colours[4];
    } cases[] = {
        // Mode 0: 5-5-5 red to 5-6-5 blue in thirds.
        {0x7C00, 0x001F, {{255, 0, 0, 255}, {170, 0, 85, 255}, {85, 0, 170, 255}, {0, 0, 255, 255}}},
        // Mode 1: black, first minus a quarter of second, first, second.
        {0xFFFF, 0x8410, {{0, 0, 0, 255}, {222, 223, 222, 255}, {255, 255, 255, 255}, {132, 130, 132, 255}}},
        {0x8000 | 0x001F, 0xF800, {{0, 0, 0, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}, {255, 0, 0, 255}}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out = Decode(kPixelAtcRgb, 4, 4, ColourBlock(c.c0, c.c1, kIndexRamp));
        for (int i = 0; i < 16; ++i) {
            EXPECT_TRUE(Same(At(out, 4, i % 4, i / 4), c.colours[i % 4])) << std::hex << c.c0 << " texel " << i;
        }
    }
}

// PVRTC blocks: modulation word, then colour word (A in the low half).
std::vector<uint8_t> PvrtcLevel(int blocks, uint32_t modulation, uint32_t colours) {
    std::vector<uint8_t> data(static_cast<size_t>(blocks) * 8);
    for (int i = 0; i < blocks; ++i) {
        PutU32(&data[i * 8], modulation);
        PutU32(&data[i * 8 + 4], colours);
    }
    return data;
}

constexpr uint32_t kOpaqueRedA = 0x8000 | 0x7C00;
constexpr uint32_t kOpaqueBlueB = 0x80000000u | 0x001F0000u;

TEST(PvrtcDecode, FourBitModulationWeights) {
    const Texel red{255, 0, 0, 255}, blue{0, 0, 255, 255};
    struct Case {
        PixelFormat code;
        uint32_t colours;
        Texel expected[4];  // for modulation values 0..3
    } cases[] = {
        {kPixelPvrtcRgb4, kOpaqueBlueB | kOpaqueRedA, {red, {159, 0, 96, 255}, {96, 0, 159, 255}, blue}},
        // Mode bit: punch-through, value 2 is transparent in the RGBA form.
        {kPixelPvrtcRgba4, kOpaqueBlueB | kOpaqueRedA | 1, {red, {128, 0, 128, 255}, {128, 0, 128, 0}, blue}},
        {kPixelPvrtcRgb4, kOpaqueBlueB | kOpaqueRedA | 1, {red, {128, 0, 128, 255}, {128, 0, 128, 255}, blue}},
        // Translucent A: alpha 3 of 7, red 15 of 15.
        {kPixelPvrtcRgba4, kOpaqueBlueB | 0x3F00, {{255, 0, 0, 109}, {159, 0, 96, 164}, {96, 0, 159, 200}, blue}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out = Decode(c.code, 8, 8, PvrtcLevel(4, kIndexRamp, c.colours));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                EXPECT_TRUE(Same(At(out, 8, x, y), c.expected[x % 4])) << c.code << " (" << x << "," << y << ")";
            }
        }
    }
}

TEST(PvrtcDecode, BlocksAreInMortonOrderAndColoursBlendBetweenCentres) {
    // Block k of a 16 x 8 level (4 x 2 blocks) has colour A with red 4k; its
    // centre texel shows exactly that colour.
    const int order[8][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}};
    std::vector<uint8_t> data(64);
    for (int k = 0; k < 8; ++k) PutU32(&data[k * 8 + 4], 0x8000u | (static_cast<uint32_t>(4 * k) << 10));
    std::vector<uint8_t> out = Decode(kPixelPvrtcRgb4, 16, 8, data);
    for (int k = 0; k < 8; ++k) {
        const int r5 = 4 * k, red = (r5 << 3) | (r5 >> 2);
        EXPECT_EQ(At(out, 16, order[k][0] * 4 + 2, order[k][1] * 4 + 2).r, red) << "block " << k;
    }

    // Half way between a red centre and a black one, and across the wrap.
    std::vector<uint8_t> square(32);
    PutU32(&square[4], kOpaqueRedA);  // block (0, 0); the others are black
    PutU32(&square[12], 0x8000);
    PutU32(&square[20], 0x8000);
    PutU32(&square[28], 0x8000);
    out = Decode(kPixelPvrtcRgb4, 8, 8, square);
    EXPECT_EQ(At(out, 8, 2, 2).r, 255);
    EXPECT_EQ(At(out, 8, 6, 2).r, 0);
    EXPECT_EQ(At(out, 8, 4, 2).r, 128);
    EXPECT_EQ(At(out, 8, 0, 2).r, 128) << "the left edge blends with the right-most blocks";
    EXPECT_EQ(At(out, 8, 2, 0).r, 128) << "the top edge blends with the bottom blocks";
}

TEST(PvrtcDecode, TwoBitModulation) {
    const Texel red{255, 0, 0, 255}, blue{0, 0, 255, 255}, purple{128, 0, 128, 255};
    const uint32_t colours = kOpaqueBlueB | kOpaqueRedA;
    // One bit per texel: odd texels show B.
    std::vector<uint8_t> out = Decode(kPixelPvrtcRgb2, 16, 8, PvrtcLevel(4, 0xAAAAAAAAu, colours));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) EXPECT_TRUE(Same(At(out, 16, x, y), x % 2 ? blue : red)) << x << "," << y;
    }
    // Two bits for the checkerboard: rows 0 and 2 of each block hold weight 8,
    // rows 1 and 3 weight 0. The other texels average their four neighbours
    // (low bit 0) or the ones above and below (low bit 1, bit 20 set).
    struct Case {
        uint32_t modulation;
        bool upDown;
    } cases[] = {{0x00FF00FEu, false}, {0x00FF00FFu, true}};
    for (const Case& c : cases) {
        out = Decode(kPixelPvrtcRgb2, 16, 8, PvrtcLevel(4, c.modulation, colours | 1));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 16; ++x) {
                Texel want = y % 2 == 0 ? blue : red;
                if ((x ^ y) & 1) want = c.upDown ? (y % 2 == 0 ? red : blue) : purple;
                EXPECT_TRUE(Same(At(out, 16, x, y), want)) << c.modulation << " (" << x << "," << y << ")";
            }
        }
    }
}

TEST(CompressedData, ShortOrUnusableDataIsRefused) {
    std::vector<uint8_t> out(64 * 4);
    std::vector<uint8_t> data(64);
    struct Case {
        PixelFormat code;
        int w, h;
        uint32_t size;
    } cases[] = {
        {kPixelDxt1Rgb, 8, 4, 15},      {kPixelAtcRgbaExplicit, 4, 4, 8}, {kPixelPvrtcRgb4, 8, 8, 31},
        {kPixelPvrtcRgb2, 8, 4, 31},    {kPixelPvrtcRgb4, 8, 6, 64},      {kPixelRgba8888, 2, 2, 16},
        {kPixelDxt1Rgb, 0, 4, 64},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_FALSE(DecodeCompressedToRgba(c.code, c.w, c.h, data.data(), c.size, out.data())) << c.code;
        EXPECT_EQ(log.Count(), 1u) << c.code;
    }
}

}  // namespace
