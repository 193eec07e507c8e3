// The graphics layer on Mesa: the state cache, program builds, Std2d pixels; textures (block decoders, every
// format, updates, bad images); models; quads, the layer list, and sprites, text sprites, tiles and batching
// drawn from images whose texels each have their own colour.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/allocator.h"
#include "gfx/async_texture.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "gfx/layer_list.h"
#include "gfx/material_shader.h"
#include "gfx/model.h"
#include "gfx/quad.h"
#include "gfx/sprite.h"
#include "gfx/std2d.h"
#include "gfx/std2d_batch.h"
#include "gfx/text_sprite.h"
#include "gfx/texture.h"
#include "gfx/texture_decode.h"
#include "gfx/tile.h"
#include "sample/tools/field_writers.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using Texel = Rgba;

Texel At(const std::vector<uint8_t>& rgba, int width, int x, int y) {
    const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void PutU32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i)); }

constexpr uint32_t kIndexRamp = 0xE4E4E4E4u;

// Blocks of two words: colours and indices, or PVRTC modulation and colours (A in the low half).
std::vector<uint8_t> Blocks(int count, uint32_t first, uint32_t second) {
    std::vector<uint8_t> data(static_cast<size_t>(count) * 8);
    for (int i = 0; i < count; ++i) PutU32(&data[i * 8], first), PutU32(&data[i * 8 + 4], second);
    return data;
}

// The data ends right before an unreadable page, so a read past it faults.
std::vector<uint8_t> Decode(PixelFormat code, int w, int h, const std::vector<uint8_t>& data) {
    static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    static uint8_t* const area = static_cast<uint8_t*>(
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    static const bool guarded = area != MAP_FAILED && mprotect(area + page, page, PROT_NONE) == 0;
    EXPECT_TRUE(guarded && data.size() <= page);
    uint8_t* at = area + page - data.size();
    memcpy(at, data.data(), data.size());
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4, 0xCD);
    EXPECT_TRUE(DecodeCompressedToRgba(code, w, h, at, static_cast<uint32_t>(data.size()), out.data()));
    return out;
}

TEST(BlockDecode, Dxt1AndAtcColoursFromHandMadeBlocks) {
    const Texel red{255, 0, 0, 255}, blue{0, 0, 255, 255}, black{0, 0, 0, 255};
    struct Case { PixelFormat code; uint16_t c0, c1; Texel colours[4]; } cases[] = {
        // c0 > c1: four colours, two thirds between the ends.
        {kPixelDxt1Rgb, 0xF800, 0x001F, {red, blue, {170, 0, 85, 255}, {85, 0, 170, 255}}},
        {kPixelDxt1Rgb, 0xF800, 0x0800, {red, {8, 0, 0, 255}, {172, 0, 0, 255}, {90, 0, 0, 255}}},
        {kPixelDxt1Rgba, 0x07E0, 0x0000, {{0, 255, 0, 255}, black, {0, 170, 0, 255}, {0, 85, 0, 255}}},
        // c0 <= c1: three colours and black, transparent in the RGBA form.
        {kPixelDxt1Rgb, 0x001F, 0xF800, {blue, red, {127, 0, 127, 255}, black}},
        {kPixelDxt1Rgba, 0x001F, 0xF800, {blue, red, {127, 0, 127, 255}, {0, 0, 0, 0}}},
        {kPixelDxt1Rgba, 0x8410, 0x8410, {{132, 130, 132, 255}, {132, 130, 132, 255}, {132, 130, 132, 255}, {0, 0, 0, 0}}},
        // ATC mode 0: 5-5-5 red to 5-6-5 blue in thirds.
        {kPixelAtcRgb, 0x7C00, 0x001F, {red, {170, 0, 85, 255}, {85, 0, 170, 255}, blue}},
        // ATC mode 1: black, first minus a quarter of second, first, second.
        {kPixelAtcRgb, 0xFFFF, 0x8410, {black, {222, 223, 222, 255}, {255, 255, 255, 255}, {132, 130, 132, 255}}},
        {kPixelAtcRgb, 0x8000 | 0x001F, 0xF800, {black, blue, blue, red}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out = Decode(c.code, 4, 4, Blocks(1, c.c0 | uint32_t{c.c1} << 16, kIndexRamp));
        for (int i = 0; i < 16; ++i) EXPECT_EQ(At(out, 4, i % 4, i / 4), c.colours[i % 4]) << std::hex << c.c0 << " texel " << i;
    }
    // A 6 x 5 level of 2 x 2 one-colour blocks: partial blocks keep their texels in place.
    std::vector<uint8_t> data(32);
    const uint32_t colours[] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    for (int k = 0; k < 4; ++k) PutU32(&data[k * 8], colours[k] * 0x10001u);
    std::vector<uint8_t> out = Decode(kPixelDxt1Rgb, 6, 5, data);
    EXPECT_EQ((std::vector<Texel>{At(out, 6, 3, 3), At(out, 6, 5, 0), At(out, 6, 0, 4), At(out, 6, 5, 4)}),
              (std::vector<Texel>{red, Texel{0, 255, 0, 255}, blue, Texel{255, 255, 255, 255}}));
}

constexpr uint32_t kOpaqueRedA = 0x8000 | 0x7C00;
constexpr uint32_t kOpaqueBlueB = 0x80000000u | 0x001F0000u;

TEST(PvrtcDecode, FourBitModulationWeights) {
    const Texel red{255, 0, 0, 255}, blue{0, 0, 255, 255};
    struct Case { PixelFormat code; uint32_t colours; Texel expected[4]; } cases[] = {
        {kPixelPvrtcRgb4, kOpaqueBlueB | kOpaqueRedA, {red, {159, 0, 96, 255}, {96, 0, 159, 255}, blue}},
        // Mode bit: punch-through, value 2 is transparent in the RGBA form.
        {kPixelPvrtcRgba4, kOpaqueBlueB | kOpaqueRedA | 1, {red, {128, 0, 128, 255}, {128, 0, 128, 0}, blue}},
        {kPixelPvrtcRgb4, kOpaqueBlueB | kOpaqueRedA | 1, {red, {128, 0, 128, 255}, {128, 0, 128, 255}, blue}},
        // Translucent A: alpha 3 of 7, red 15 of 15.
        {kPixelPvrtcRgba4, kOpaqueBlueB | 0x3F00, {{255, 0, 0, 109}, {159, 0, 96, 164}, {96, 0, 159, 200}, blue}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out = Decode(c.code, 8, 8, Blocks(4, kIndexRamp, c.colours));
        for (int i = 0; i < 64; ++i) EXPECT_EQ(At(out, 8, i % 8, i / 8), c.expected[i % 4]) << c.code << " texel " << i;
    }
}

TEST(PvrtcDecode, BlocksAreInMortonOrderAndColoursBlendBetweenCentres) {
    // Block k of a 16 x 8 level has colour A with red 4k, shown exactly at its centre.
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
    for (int k = 0; k < 4; ++k) PutU32(&square[k * 8 + 4], k == 0 ? kOpaqueRedA : 0x8000);  // block (0, 0) red, the others black
    out = Decode(kPixelPvrtcRgb4, 8, 8, square);
    EXPECT_TRUE(At(out, 8, 2, 2).r == 255 && At(out, 8, 6, 2).r == 0 && At(out, 8, 4, 2).r == 128);
    EXPECT_EQ(At(out, 8, 0, 2).r, 128) << "the left edge blends with the right-most blocks";
    EXPECT_EQ(At(out, 8, 2, 0).r, 128) << "the top edge blends with the bottom blocks";
}

TEST(PvrtcDecode, TwoBitModulation) {
    const Texel red{255, 0, 0, 255}, blue{0, 0, 255, 255}, purple{128, 0, 128, 255};
    const uint32_t colours = kOpaqueBlueB | kOpaqueRedA;
    // One bit per texel: odd texels show B.
    std::vector<uint8_t> out = Decode(kPixelPvrtcRgb2, 16, 8, Blocks(4, 0xAAAAAAAAu, colours));
    for (int i = 0; i < 128; ++i) EXPECT_EQ(At(out, 16, i % 16, i / 16), i % 2 ? blue : red) << i;
    // Checkerboard: rows 0, 2 weight 8, rows 1, 3 weight 0; the rest average four neighbours or up and down.
    struct Case { uint32_t modulation; bool upDown; } cases[] = {{0x00FF00FEu, false}, {0x00FF00FFu, true}};
    for (const Case& c : cases) {
        out = Decode(kPixelPvrtcRgb2, 16, 8, Blocks(4, c.modulation, colours | 1));
        for (int i = 0; i < 128; ++i) {
            const int x = i % 16, y = i / 16;
            const Texel want = !((x ^ y) & 1) ? (y % 2 == 0 ? blue : red) : c.upDown ? (y % 2 == 0 ? red : blue) : purple;
            EXPECT_EQ(At(out, 16, x, y), want) << c.modulation << " (" << x << "," << y << ")";
        }
    }
    // Low bit 1, bit 20 clear: left and right neighbours, which differ here (8 and 0) in every row.
    out = Decode(kPixelPvrtcRgb2, 16, 8, Blocks(4, 0x33233333u, colours | 1));
    for (int i = 0; i < 128; ++i) {
        const int x = i % 16, y = i / 16;
        EXPECT_EQ(At(out, 16, x, y), (x ^ y) & 1 ? purple : x % 4 == y % 2 ? blue : red) << x << "," << y;
    }
    // Averaging four where left and right differ (8 and 0) and above and below agree: weights 2 and 6.
    out = Decode(kPixelPvrtcRgb2, 16, 8, Blocks(4, 0xCC33CC32u, colours | 1));
    const Texel cycle[4] = {blue, {191, 0, 64, 255}, red, {64, 0, 191, 255}};
    for (int i = 0; i < 128; ++i) {
        const int x = i % 16, y = i / 16;
        EXPECT_EQ(At(out, 16, x, y), cycle[y % 2 ? 3 - x % 4 : x % 4]) << x << "," << y;
    }
}

TEST(CompressedData, ShortOrUnusableDataIsRefused) {
    std::vector<uint8_t> out(64 * 4), data(64);
    struct Case { PixelFormat code; int w, h; uint32_t size; } cases[] = {
        {kPixelDxt1Rgb, 8, 4, 15},      {kPixelAtcRgbaExplicit, 4, 4, 8}, {kPixelPvrtcRgb4, 8, 8, 31},
        {kPixelPvrtcRgb2, 8, 4, 31},    {kPixelPvrtcRgb4, 8, 6, 64},      {kPixelRgba8888, 2, 2, 16},
        {kPixelDxt1Rgb, 0, 4, 64}};
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_FALSE(DecodeCompressedToRgba(c.code, c.w, c.h, data.data(), c.size, out.data())) << c.code;
        EXPECT_EQ(log.Count(), 1u) << c.code;
    }
}

using TextureTest = GfxTest;

std::vector<uint8_t> Noise(size_t count, uint32_t seed) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    return bytes;
}

int Scale(int value, int max) { return static_cast<int>(std::lround(value * 255.0 / max)); }

// The RGBA8 a texel of `code` samples as, alpha-only and depth forms included.
void ExpectedTexel(PixelFormat code, const uint8_t* p, int out[4]) {
    uint16_t v = 0;
    if (PixelFormatBits(code) == 16) memcpy(&v, p, 2);
    switch (code) {
        case kPixelRgba8888: for (int c = 0; c < 4; ++c) out[c] = p[c]; break;
        case kPixelRgba5551:
            out[0] = Scale(v >> 11, 31), out[1] = Scale((v >> 6) & 31, 31), out[2] = Scale((v >> 1) & 31, 31), out[3] = (v & 1) * 255;
            break;
        case kPixelRgba4444:
            out[0] = (v >> 12) * 17, out[1] = ((v >> 8) & 15) * 17, out[2] = ((v >> 4) & 15) * 17, out[3] = (v & 15) * 17;
            break;
        case kPixelRgb888: out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = 255; break;
        case kPixelRgb565:
            out[0] = Scale(v >> 11, 31), out[1] = Scale((v >> 5) & 63, 63), out[2] = Scale(v & 31, 31), out[3] = 255;
            break;
        case kPixelAlpha8: out[0] = out[1] = out[2] = 255, out[3] = p[0]; break;
        case kPixelAlpha16: out[0] = out[1] = out[2] = 255, out[3] = Scale(v, 65535); break;
        case kPixelDepth8: out[0] = out[1] = out[2] = p[0], out[3] = 255; break;
        case kPixelDepth16: out[0] = out[1] = out[2] = Scale(v, 65535), out[3] = 255; break;
        default: for (int c = 0; c < 4; ++c) out[c] = p[c]; break;  // already RGBA8
    }
}

// Draws the texture 1:1 over black, alpha-blended, against the expected texels.
::testing::AssertionResult DrawsAs(Texture* texture, PixelFormat code, const std::vector<uint8_t>& texels,
                                   int bytesPerTexel, int tolerance = 1) {
    GfxTest::DrawTexture(texture, 0, 0, 1);
    const int w = texture->width, h = texture->height;
    const std::vector<uint8_t> got = GfxTest::ReadRect(0, 0, w, h);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
        int want[4];
        ExpectedTexel(code, &texels[i * bytesPerTexel], want);
        for (int c = 0; c < 3; ++c) {
            const int expected = static_cast<int>(std::lround(want[c] * want[3] / 255.0));
            if (std::abs(got[i * 4 + c] - expected) > tolerance)
                return ::testing::AssertionFailure() << "format " << code << " " << w << "x" << h << " texel " << i
                                                     << " channel " << c << " is " << int(got[i * 4 + c]);
        }
    }
    return ::testing::AssertionSuccess();
}

// Unaligned rows in every format; a 3 x 2 update of a 7 x 5 texture changes only its rectangle.
TEST_F(TextureTest, UncompressedFormatsRoundTripAndUpdate) {
    const struct { PixelFormat code; int bits; } formats[] = {
        {kPixelRgba8888, 32}, {kPixelRgba5551, 16}, {kPixelRgba4444, 16}, {kPixelRgb888, 24}, {kPixelRgb565, 16},
        {kPixelAlpha8, 8},    {kPixelAlpha16, 16},  {kPixelDepth8, 8},    {kPixelDepth16, 16}};
    uint32_t seed = 1;
    for (const auto& f : formats) {
        for (const auto& size : {std::pair<int, int>{3, 2}, {5, 3}, {4, 4}, {1, 7}, {7, 5}}) {
            const int w = size.first, h = size.second, bytes = f.bits / 8;
            std::vector<uint8_t> texels = Noise(static_cast<size_t>(w) * h * bytes, seed++);
            Image* image = MakeImage(f.code, w, h, f.bits, texels);
            Texture* texture = Texture::Create(nullptr);
            ASSERT_TRUE(Texture::UploadImage(texture, 0, image, nullptr)) << f.code;
            ClearScreen(0, 0, 0);
            EXPECT_TRUE(DrawsAs(texture, f.code, texels, bytes));
            if (w == 7) {
                const std::vector<uint8_t> patch = Noise(3 * 2 * static_cast<size_t>(bytes), seed++);
                Image* patchImage = MakeImage(f.code, 3, 2, f.bits, patch);
                ASSERT_TRUE(Texture::Update(texture, 0, 2, 3, patchImage));
                for (int y = 0; y < 2; ++y) std::copy_n(&patch[y * 3 * bytes], 3 * bytes, &texels[((3 + y) * 7 + 2) * bytes]);
                ClearScreen(0, 0, 0);
                EXPECT_TRUE(DrawsAs(texture, f.code, texels, bytes)) << "updated";
                Image::Free(patchImage);
            }
            Texture::Release(texture);
            Image::Free(image);
        }
    }
}

TEST_F(TextureTest, CompressedFormatsDrawAsDecoded) {
    struct Case { PixelFormat code; int w, h; } cases[] = {
        {kPixelDxt1Rgb, 4, 4},    {kPixelDxt1Rgb, 5, 3},         {kPixelDxt1Rgb, 2, 2},     {kPixelDxt1Rgba, 8, 8},
        {kPixelAtcRgb, 4, 4},     {kPixelAtcRgb, 6, 5},          {kPixelAtcRgbaExplicit, 8, 4},
        {kPixelAtcRgbaInterpolated, 4, 8},                       {kPixelPvrtcRgb4, 8, 8},   {kPixelPvrtcRgb4, 16, 32},
        {kPixelPvrtcRgba4, 4, 4}, {kPixelPvrtcRgb2, 16, 8},      {kPixelPvrtcRgba2, 32, 16}, {kPixelPvrtcRgba2, 8, 4},
    };
    for (bool driverDecodes : {true, false}) {
        if (!driverDecodes) DetectCompressedFormatSupport(nullptr);
        uint32_t seed = 100;
        for (const Case& c : cases) {
            std::vector<uint8_t> data = Noise(CompressedDataSize(c.code, c.w, c.h), seed++);
            const std::vector<uint8_t> decoded = Decode(c.code, c.w, c.h, data);
            Image* image = MakeImage(c.code, c.w, c.h, PixelFormatBits(c.code), data);
            Texture* texture = Texture::Create(nullptr);
            ASSERT_TRUE(Texture::UploadImage(texture, 0, image, nullptr));
            ClearScreen(0, 0, 0);
            const bool byDriver = driverDecodes && IsCompressedFormatSupported(c.code);
            EXPECT_TRUE(DrawsAs(texture, c.code, decoded, 4, byDriver ? 1 : 0)) << (byDriver ? "driver" : "software");
            Texture::Release(texture);
            Image::Free(image);
        }
    }
}

TEST_F(TextureTest, BadUpdatesAreRefusedWithOneLine) {
    Texture* texture = Texture::CreateEmpty(8, 8, kPixelRgba8888, nullptr);
    Image* rgba = Image::New(4, 4, kPixelRgba8888, nullptr);
    Image* rgb = Image::New(2, 2, kPixelRgb888, nullptr);
    Image* dxt = MakeImage(kPixelDxt1Rgb, 4, 4, 4, std::vector<uint8_t>(8));
    struct Case { const char* what; int level, x, y; Image* image; } cases[] = {
        {"right edge", 0, 5, 0, rgba},  {"bottom edge", 0, 0, 5, rgba}, {"negative", 0, -1, 0, rgba},
        {"level 1 is 4x4", 1, 1, 0, rgba}, {"level out of range", 16, 0, 0, rgba}, {"negative level", -1, 0, 0, rgba},
        {"other format", 0, 0, 0, rgb}, {"compressed", 0, 0, 0, dxt},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(Texture::Update(texture, c.level, c.x, c.y, c.image), 0) << c.what;
        EXPECT_EQ(log.Count(), 1u) << c.what;
    }
    EXPECT_EQ(Texture::Update(texture, 0, 4, 4, rgba), 1);
    Texture* depth = Texture::CreateEmpty(8, 8, kPixelDepth8, nullptr);  // kept as 16 bits
    ASSERT_TRUE(depth && texture->byteSize == 8 * 8 * 4 && depth->byteSize == 8 * 8 * 2);
    Texture::Release(depth);
    Texture::Release(texture);
    Image::Free(rgba);
    Image::Free(rgb);
    Image::Free(dxt);
}

TEST_F(TextureTest, BadImagesAreRefusedAndCostNothing) {
    const int64_t total = GetTextureMemoryTotal();
    struct Case { const char* what; Image* image; } cases[] = {
        {"short RGB rows", MakeImage(kPixelRgb888, 3, 3, 24, std::vector<uint8_t>(26))},
        {"short DXT1 blocks", MakeImage(kPixelDxt1Rgb, 5, 5, 4, std::vector<uint8_t>(31))},
        {"short PVRTC minimum", MakeImage(kPixelPvrtcRgb4, 4, 4, 4, std::vector<uint8_t>(8))},
        {"PVRTC of odd size", MakeImage(kPixelPvrtcRgb4, 12, 8, 4, std::vector<uint8_t>(48))},
        {"short palette", MakeImage(kPixelIndexed8, 4, 4, 8, std::vector<uint8_t>(1024 + 15))},
        {"code 21", MakeImage(21, 1, 1, 32, std::vector<uint8_t>(4))},
        {"too wide", MakeImage(kPixelAlpha8, 40000, 1, 8, std::vector<uint8_t>(16))},
    };
    for (const Case& c : cases) {
        if (std::string(c.what) == "PVRTC of odd size" && IsCompressedFormatSupported(kPixelPvrtcRgb4)) continue;
        Texture* texture = Texture::Create(nullptr);
        LogCapture log;
        EXPECT_EQ(Texture::UploadImage(texture, 0, c.image, nullptr), 0) << c.what;
        EXPECT_EQ(log.Count(), 1u) << c.what;
        EXPECT_EQ(texture->byteSize, 0) << c.what;
        EXPECT_EQ(GetTextureMemoryTotal(), total) << c.what;
        Texture::Release(texture);
        Image::Free(c.image);
    }
}

using GlStateTest = GfxTest;

GLint GetInt(GLenum what) { GLint value = -1; glGetIntegerv(what, &value); return value; }

TEST_F(GlStateTest, BlendModesMatchTheirFormulas) {
    const double a = 128 / 255.0, g = 128 / 255.0;
    for (int mode = 0; mode <= 6; ++mode) {
        ClearScreen(128, 128, 128);
        GlState::SetTextureRepeat(nullptr);
        GlState::SetBlendMode(mode);
        DrawStd2dRectColor(0, 0, kWidth, kHeight, 0, 0, 0, 0, ColorWord(255, 0, 0, 128));
        const double want[][2] = {{1, 0}, {a + g * (1 - a), g * (1 - a)}, {1, g}, {a + g, g}, {g - a, g}, {g, 0}, {g, 0}};
        const auto level = [](double v) { return static_cast<uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255)); };
        const Rgba colour{level(want[mode][0]), level(want[mode][1]), level(want[mode][1]), 255};
        EXPECT_TRUE(RectIs(0, 0, 4, 4, colour, 1)) << "blend mode " << mode;
        EXPECT_TRUE(RectIs(kWidth - 4, kHeight - 4, 4, 4, colour, 1)) << "blend mode " << mode;
    }
}

TEST_F(GlStateTest, TextureCacheBindsOnlyChanges) {
    Texture* a = Texture::CreateEmpty(4, 4, kPixelRgba8888, nullptr);
    Texture* b = Texture::CreateEmpty(4, 4, kPixelRgba8888, nullptr);
    auto param = [](GLenum name) { GLint value = 0; glGetTexParameteriv(GL_TEXTURE_2D, name, &value); return value; };
    ResetRenderStats();
    for (int i = 0; i < 2; ++i) GlState::SetTexture(a, GL_CLAMP_TO_EDGE, GL_NEAREST);
    EXPECT_TRUE(GetRenderStats().textureBinds == 1u && GetInt(GL_TEXTURE_BINDING_2D) == static_cast<GLint>(a->name));
    GlState::SetTexture(b, GL_CLAMP_TO_EDGE, GL_NEAREST);  // a new texture gets parameters the cache already holds
    EXPECT_EQ(GetRenderStats().textureBinds, 2u);
    EXPECT_TRUE(param(GL_TEXTURE_MIN_FILTER) == GL_NEAREST && param(GL_TEXTURE_WRAP_T) == GL_CLAMP_TO_EDGE);
    GlState::SetTexture(b, GL_REPEAT, GL_LINEAR);  // parameters without a bind
    EXPECT_TRUE(GetRenderStats().textureBinds == 2u && param(GL_TEXTURE_MAG_FILTER) == GL_LINEAR);
    for (int i = 0; i < 2; ++i) GlState::SetTexture(nullptr, GL_REPEAT, GL_LINEAR);
    EXPECT_TRUE(GetRenderStats().textureBinds == 3u && GetInt(GL_TEXTURE_BINDING_2D) == 0);
    Texture::Release(a);
    Texture::Release(b);
}

TEST_F(GlStateTest, ATextureAtTheAddressOfADestroyedOneIsStillBound) {
    Allocator* pool = PoolAllocator(nullptr, 256, 1, 16, false);
    ASSERT_NE(pool, nullptr);
    Image* red = MakeImage(kPixelRgba8888, 1, 1, 32, {255, 0, 0, 255});
    Image* blue = MakeImage(kPixelRgba8888, 1, 1, 32, {0, 0, 255, 255});
    Texture* first = Texture::Create(pool);
    ASSERT_TRUE(Texture::UploadImage(first, 0, red, nullptr));
    DrawTexture(first, 0, 0, 0);
    Texture::Release(first);
    Texture* second = Texture::Create(pool);
    ASSERT_EQ(second, first);
    ASSERT_TRUE(Texture::UploadImage(second, 0, blue, nullptr));
    ResetRenderStats();
    DrawTexture(second, 0, 0, 0);
    EXPECT_EQ(GetRenderStats().textureBinds, 1u);
    EXPECT_EQ(ReadPixel(0, 0), (Rgba{0, 0, 255, 255}));
    Texture::Release(second);
    Image::Free(red);
    Image::Free(blue);
    DestroyAllocator(pool);
}

TEST_F(GlStateTest, FailedBuildsLogAndLeaveNoProgram) {
    struct Case { const char* vertex; const char* fragment; const char* logged; } cases[] = {
        {kStd2dVertexSource, "precision lowp float;\nvoid main() { gl_FragColor = undefinedThing; }\n",
         "Error: Failed to compile the fragment shader of \"broken\": "},
        {"void main() { gl_Position = nothing; }", kStd2dFragmentSource,
         "Error: Failed to compile the vertex shader of \"broken\": "},
        {"attribute vec4 a_Position;\nvoid main() { gl_Position = a_Position; }\n",
         "precision lowp float;\nvarying vec4 v_Missing;\nvoid main() { gl_FragColor = v_Missing; }\n",
         "Error: Failed to link \"broken\": "},
        {nullptr, kStd2dFragmentSource, "Error: Failed to build \"broken\""},
    };
    for (const Case& c : cases) {
        GLuint probe = glCreateProgram();
        glDeleteProgram(probe);
        LogCapture log;
        EXPECT_EQ(BuildShaderProgram("broken", c.vertex, c.fragment, nullptr), -1);
        ASSERT_EQ(log.Count(), 1u);
        const std::string line = log.Lines()[0];
        EXPECT_EQ(line.rfind(c.logged, 0), 0u) << line;
        // The compiler's message follows on the same line, without the trailing newline and blanks.
        if (c.vertex) { EXPECT_TRUE(line.size() > strlen(c.logged) && line.back() > ' ') << line; }
        for (GLuint id = probe; id < probe + 4; ++id) EXPECT_FALSE(glIsProgram(id)) << id;
    }
}

TEST_F(GlStateTest, UnknownModesChangeNothing) {
    GlApplyBlendMode(2);
    GlApplyCullMode(3);
    for (int mode : {7, -1}) GlApplyBlendMode(mode);
    for (int mode : {-1, 4}) GlApplyCullMode(mode);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(GetInt(GL_BLEND_SRC_RGB) == GL_ONE && GetInt(GL_BLEND_DST_RGB) == GL_ONE);
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_FRONT_AND_BACK);
    GlState::ApplyAll();  // back to what the cache holds
}

TEST_F(GlStateTest, Std2dRectanglesArePixelExactAndMapTexelForPixel) {
    GlState::SetTextureRepeat(nullptr);
    GlState::SetBlendMode(0);
    ResetRenderStats();
    DrawStd2dRectColor(10, 20, 30, 40, 0, 0, 0, 0, ColorWord(255, 0, 0));
    const Rgba black{0, 0, 0, 255};
    EXPECT_TRUE(RectIs(10, 20, 30, 40, Rgba{255, 0, 0, 255}));
    EXPECT_TRUE(RectIs(9, 19, 32, 1, black) && RectIs(9, 60, 32, 1, black));
    EXPECT_TRUE(RectIs(9, 20, 1, 40, black) && RectIs(40, 20, 1, 40, black));
    EXPECT_TRUE(GetRenderStats().drawCalls == 1u && GetRenderStats().vertices == 4u);

    std::vector<uint8_t> texels = Noise(64, 9);
    for (int i = 3; i < 64; i += 4) texels[i] = 255;
    Image* image = MakeImage(kPixelRgba8888, 4, 4, 32, texels);
    Texture* texture = Texture::Create(nullptr);
    ASSERT_TRUE(Texture::UploadImage(texture, 0, image, nullptr));
    GlState::SetTexture(texture, GL_CLAMP_TO_EDGE, GL_NEAREST);
    DrawStd2dRectColor(120, 120, 8, 8, 0, 0, 4, 4, 0xFFFFFFFFu);
    DrawStd2dRectColor(140, 140, 2, 2, 1, 2, 2, 2, 0xFFFFFFFFu);
    for (int i = 0; i < 16; ++i) {
        const int x = i % 4, y = i / 4;
        const Rgba want{texels[i * 4], texels[i * 4 + 1], texels[i * 4 + 2], 255};
        EXPECT_TRUE(RectIs(120 + 2 * x, 120 + 2 * y, 2, 2, want)) << x << "," << y;
        if (x >= 1 && x < 3 && y >= 2) { EXPECT_EQ(ReadPixel(140 + x - 1, 140 + y - 2), want) << x << "," << y; }
    }
    Texture::Release(texture);
    Image::Free(image);
}

// The second program's attribute and uniform locations differ from the first's.
const char* const kVertex[2] = {
    "attribute vec3 a_Position; attribute vec2 a_TexCoord; uniform mat4 u_GeneralMatrix; varying vec2 v_uv;\n"
    "void main() { gl_Position = u_GeneralMatrix * vec4(a_Position, 1.0); v_uv = a_TexCoord; }\n",
    "uniform mediump int u_TexEnable; attribute vec4 a_Color; attribute vec2 a_TexCoord; attribute vec3 a_Position;\n"
    "uniform mat4 u_GeneralMatrix; varying vec2 v_uv; void main() {\n"
    "gl_Position = u_GeneralMatrix * vec4(a_Position, 1.0) + a_Color * 0.0; if (u_TexEnable > 5) gl_Position.x = 9.0;\n"
    "v_uv = a_TexCoord; }\n"};
const char* const kFragment =
    "precision mediump float; uniform sampler2D s; uniform int u_TexEnable; uniform int u_AlphaTest;\n"
    "uniform float u_AlphaRef; varying vec2 v_uv;\n"
    "void main() { vec4 c = vec4(0.0, 1.0, 0.0, 1.0); if (u_TexEnable != 0) c *= texture2D(s, v_uv);\n"
    "if (u_AlphaTest != 0 && c.a < u_AlphaRef) discard; gl_FragColor = c; }\n";

// A 5 x 5 quad at z = 0 with the first `attribs` of position, normal, texcoord, colour.
E3d2Model QuadModel(int attribs, std::vector<E3d2Material> materials) {
    E3d2Model m;
    m.stride = 36;
    m.centre[0] = 2.5f, m.extent[0] = 5.0f;
    const E3d2Attrib rows[4] = {{10, 3, 0, 0}, {10, 3, 12, 0}, {10, 2, 24, 0}, {2, 4, 32, 1}};
    m.attribs.assign(rows, rows + attribs);
    for (int v = 0; v < 4; ++v) {
        const float x = v >= 2 ? 5.0f : 0.0f, y = v % 2 ? 5.0f : 0.0f;
        PushFloats(&m.vertices, {x, y, 0, 0, 0, 1, x / 5, y / 5});
        m.vertices.insert(m.vertices.end(), {255, 255, 255, 255});
    }
    m.indices = {0, 1, 2, 3, 2, 1};
    m.materials = std::move(materials);
    return m;
}

E3d2Material Range(uint32_t first, uint32_t count, const char* texture = "") {
    return E3d2Material{{1, 1, 1, 1}, first, count, texture};
}

class ModelTest : public GfxTest {
protected:
    Model* Load(const std::string& bytes, const char* name = "m.e3d") {
        dir.Write(name, bytes);
        return Model::Load(dir.File(name).c_str(), nullptr, nullptr, nullptr, nullptr);
    }
    TempDir dir;
};

TEST_F(ModelTest, ReadsBothFormats) {
    for (int attribs = 1; attribs <= 4; ++attribs) {
        Model* m = Load(WriteE3d2(QuadModel(attribs, {Range(0, 6)})));
        ASSERT_NE(m, nullptr);
        for (int row = 0; row < 4; ++row) EXPECT_EQ(m->rows[row].name != nullptr, row < attribs);
        EXPECT_TRUE(m->stride == 36 && m->boundsCenter[0] == 2.5f);
        Model::Release(m);
    }
    Model* plain = Load(WriteE3do({0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 0, 1}, {0, 1, 2}));
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(plain->stride == 32 && plain->materials[0].indexCount == 3 && plain->materials[0].diffuse[3] == 1 &&
                plain->rows[2].offset == 24 && !plain->rows[3].name);
    Model::Release(plain);
}

TEST_F(ModelTest, DamagedFilesAreRefusedWithOneLine) {
    const std::string good = WriteE3d2(QuadModel(4, {Range(0, 6, "t.png")}));
    auto patched = [&](size_t at, uint32_t value) { std::string s = good; memcpy(&s[at], &value, 4); return s; };
    const size_t material = 48 + 16, data = material + 128;
    std::vector<std::string> bad = {
        patched(8, 5),                                 // five attribute records
        patched(16, 0xFFFFFFF0u),                      // VB + IB wraps in 32 bits
        patched(4, 0),                                 // stride 0
        patched(4, 20),                                // colour row past the stride
        patched(material + 60, 7),                     // range beyond the indices
        patched(material + 56, 0xFFFFFFFFu),           // first index wraps
        patched(data + 4 * 36, 0x00040000u),           // index 4 of 4 vertices
        patched(48, 0x0C),                             // type code 12
        patched(48, 0x0A), patched(48, 0x050A), patched(20, 11),  // no or five floats, odd index bytes
        good.substr(0, material + 64) + std::string(64, 'x') + good.substr(data),  // name without NUL
        WriteE3do({}, {0}),                            // an index without vertices
        "E3DO\xff\xff\xff\xff\x01\0\0\0",              // 4G vertices
        "E3DX" + good.substr(4),
    };
    for (size_t cut = 0; cut < good.size(); cut += 7) bad.push_back(good.substr(0, cut));
    for (const std::string& bytes : bad) {
        LogCapture log;
        EXPECT_EQ(Load(bytes), nullptr) << bytes.size();
        ASSERT_EQ(log.Count(), 1u);
        EXPECT_TRUE(log.Contains("m.e3d is invalid data format.")) << log.Lines()[0];
    }
    Model* oneFloat = Load(patched(56, 0x0018010A));  // texture coordinates of one component are allowed
    EXPECT_NE(oneFloat, nullptr);
    Model::Release(oneFloat);
    LogCapture log;
    EXPECT_EQ(Model::Load(dir.File("missing.e3d").c_str(), nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(log.Contains("open \"")) << log.Lines()[0];
}

TEST_F(ModelTest, DrawsThroughTheCameraWithEitherProgram) {
    const std::vector<uint8_t> half = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 255, 255, 255, 0};
    dir.Write("half.png", WritePng(PngLayout{4, 1, 6, 8, false, half, {}, {}}));
    Model* m = Load(WriteE3d2(QuadModel(4, {Range(0, 6, "half.png")})));
    ASSERT_NE(m, nullptr);
    for (const char* vertex : kVertex) {
        const int32_t program = BuildShaderProgram("model", vertex, kFragment, nullptr);
        ASSERT_GT(program, 0);
        ClearScreen(0, 0, 0);
        MaterialShader::SetModel(nullptr);  // stored before any program is current
        MaterialShader::Begin(program);
        MaterialShader::SetCamera({90, 1, 1, 100, {0, 0, 0}, {0, 0, 10}, {0, 1, 0}});
        Model::Draw(m);
        Mat4 left = Mat4::Identity();
        left.m[12] = left.m[13] = -5;
        MaterialShader::SetModel(&left);
        Model::Draw(m);
        MaterialShader::End();
        ASSERT_TRUE(NoGlError());
        const Rgba green{0, 255, 0, 255}, black{0, 0, 0, 255};
        // The opaque half, and moved by the model matrix; the transparent half discarded.
        EXPECT_TRUE(ReadPixel(136, 120) == green && ReadPixel(72, 184) == green);
        for (auto [x, y] : {std::pair<int, int>{180, 120}, {136, 184}, {120, 120}, {136, 60}})
            EXPECT_EQ(ReadPixel(x, y), black) << x << "," << y;
        DeleteShaderProgram(program);
    }
    Model::Release(m);
}

const Rgba kBlack{0, 0, 0, 255};

class Sprites2dTest : public GfxTest {
protected:
    Sprites2dTest() { nodes_.reserve(64); }  // nodes stay put while linked
    void TearDown() override {
        SetStd2dBatchingEnabled(true);
        TextSprite::Destroy(text_);
        Tile::Destroy(tile_);
        for (Sprite* sprite : sprites_) Sprite::Destroy(sprite);
        LayerList::Destroy(list_);  // the nodes go with the fixture
        for (AsyncTexture* image : images_) ReleaseTexture(image);
        EXPECT_EQ(GetAsyncTextureList().count, 0u);
        GfxTest::TearDown();
    }

    // A ready w x h image whose texel (x, y) is Texel(x, y, step, blue).
    AsyncTexture* TexelImage(int w, int h, int step, uint8_t blue = 128, bool upload = true) {
        std::vector<uint8_t> texels;
        for (int i = 0; i < w * h; ++i) {
            const Rgba c = Texel(i % w, i / w, step, blue);
            texels.insert(texels.end(), {c.r, c.g, c.b, c.a});
        }
        images_.push_back(AsyncTexture::Create(nullptr));
        AsyncTexture::SetDecoded(images_.back(), MakeImage(kPixelRgba8888, w, h, 32, texels));
        if (upload) { EXPECT_EQ(AsyncTexture::CompleteUpload(images_.back()), 1); }
        return images_.back();
    }
    static Rgba Texel(int x, int y, int step, uint8_t blue = 128) {
        return {static_cast<uint8_t>(16 + x * step), static_cast<uint8_t>(16 + y * step), blue, 255};
    }

    void Add(void* object, LayerDrawCallback draw, int z = 0) {
        nodes_.push_back(LayerNode{{}, object, draw, z});
        LayerList::Insert(list_, &nodes_.back());
    }
    // A sprite centred at (x, y) showing `image`, 30 x 30 without one.
    Sprite* AddSprite(AsyncTexture* image, int x, int y, uint32_t colour = 0xFFFFFFFFu, int32_t blend = 1, int z = 0) {
        sprites_.push_back(Sprite::Create(nullptr));
        Sprite* sprite = sprites_.back();
        sprite->SetImage(image);
        if (image == nullptr) sprite->SetSize(30, 30);
        sprite->SetPos(x, y);
        sprite->SetColor(colour);
        sprite->SetBlend(blend);
        Add(sprite, Sprite::Draw, z);
        return sprite;
    }
    std::vector<uint8_t> DrawFrame(uint8_t grey = 0) {
        ClearScreen(grey, grey, grey);
        ResetRenderStats();
        LayerList::Draw(list_);
        return ReadRect(0, 0, kWidth, kHeight);
    }

    std::vector<uint8_t> DrawBatched(bool batched) { SetStd2dBatchingEnabled(batched); return DrawFrame(20); }

    TextSprite* text_ = nullptr;
    Tile* tile_ = Tile::Create(nullptr);
    LayerList* list_ = LayerList::Create(nullptr);
    std::vector<LayerNode> nodes_;
    std::vector<Sprite*> sprites_;
    std::vector<AsyncTexture*> images_;
};

constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;

using Corners = std::array<int, 8>;  // top-left, bottom-left, top-right, bottom-right

Corners CornersOf(const QuadVertex* q) { return {q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y}; }

// Corners beyond the 16-bit range stop at its edge; the odd pixel goes right and down.
TEST(QuadMath, CenteredRectsAndExtremeValues) {
    struct Case { int x, y, w, h; Corners want; } cases[] = {
        {100, 100, 5, 3, {98, 99, 98, 102, 103, 99, 103, 102}},
        {100, 100, 4, 2, {98, 99, 98, 101, 102, 99, 102, 101}},
        {0, 0, 1, 1, {0, 0, 0, 1, 1, 0, 1, 1}},
        {10, 10, -3, -3, {11, 11, 11, 8, 8, 11, 8, 8}},
        {32760, 0, 100, 10, {32710, -5, 32710, 5, 32767, -5, 32767, 5}},
        {kMax, kMax, kMax, kMax, {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767}},
        {kMin, kMin, 10, 10, {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768}},
        {0, 0, kMax, kMax, {-32768, -32768, -32768, 32767, 32767, -32768, 32767, 32767}},
    };
    QuadVertex q[4];
    for (const Case& c : cases) {
        Quad::SetCenteredRect(q, c.x, c.y, c.w, c.h);
        EXPECT_EQ(CornersOf(q), c.want) << c.x << " " << c.w;
    }
    Quad::SetRect(q, kMax, kMin, kMax, kMax);
    EXPECT_TRUE(q[kQuadTopLeft].x == 32767 && q[kQuadTopLeft].y == -32768 && q[kQuadBottomRight].y == -1);
    Quad::SetTexRect(q, kMax - 1, 0, kMax, 5);
    EXPECT_EQ(q[kQuadTopRight].u, 32767);
    for (float angle : {1e30f, -1e30f, std::nanf(""), INFINITY}) {
        Quad::SetRotatedRect(q, 10, 10, kMax, kMax, angle);
        Quad::SetRotatedRect(q, kMax, kMin, 4, 2, angle);
    }
    Quad::SetRotatedRect(q, 0, 0, kMax, kMax, 45.0f);
    for (const QuadVertex& v : q) EXPECT_TRUE(v.x == 32767 || v.x == -32768 || v.y == 32767 || v.y == -32768);

    const struct { double value; int32_t want; } truncations[] = {
        {2.9, 2}, {-2.9, -2}, {3e9, kMax}, {-3e9, kMin}, {std::nan(""), 0}, {INFINITY, kMax},
        {-INFINITY, kMin}, {2147483647.0, kMax}, {-2147483648.0, kMin}};
    for (const auto& c : truncations) EXPECT_EQ(TruncateToInt32(c.value), c.want) << c.value;
}

TEST(QuadMath, ClipMovesTexelsWithTheCutEdge) {
    const Corners none{};
    struct Case { const char* what; int32_t clip[4]; bool transposed; Corners positions; int u[4], v[4]; } cases[] = {
        {"left", {10, -99, 999, 999}, false, {10, 0, 10, 50, 100, 0, 100, 50}, {20, 20, 200, 200}, {0, 100, 0, 100}},
        {"top", {-99, 5, 999, 999}, false, {0, 5, 0, 50, 100, 5, 100, 50}, {0, 0, 200, 200}, {10, 100, 10, 100}},
        {"right", {-99, -99, 90, 999}, false, {0, 0, 0, 50, 90, 0, 90, 50}, {0, 0, 180, 180}, {0, 100, 0, 100}},
        {"bottom", {-99, -99, 999, 40}, false, {0, 0, 0, 40, 100, 0, 100, 40}, {0, 0, 200, 200}, {0, 80, 0, 80}},
        {"outside", {200, 0, 300, 100}, false, none, {400, 400, 200, 200}, {0, 100, 0, 100}},
        {"left turned", {10, -99, 999, 999}, true, {10, 0, 10, 50, 100, 0, 100, 50}, {0, 0, 200, 200},
         {120, 120, 0, 100}},
        {"bottom turned", {-99, -99, 999, 40}, true, {0, 0, 0, 40, 100, 0, 100, 40}, {0, 180, 200, 180},
         {0, 100, 0, 100}},
        {"everything", {kMin, kMin, kMax, kMax}, false, {0, 0, 0, 50, 100, 0, 100, 50}, {0, 0, 200, 200},
         {0, 100, 0, 100}},
    };
    for (const Case& c : cases) {
        QuadVertex q[4];
        Quad::SetRect(q, 0, 0, 100, 50);
        Quad::SetTexRect(q, 0, 0, 200, 100);
        if (c.transposed) Quad::ClipTransposed(q, 2.0f, 2.0f, c.clip);
        else Quad::Clip(q, 2.0f, 2.0f, c.clip);
        EXPECT_EQ(CornersOf(q), c.positions) << c.what;
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(q[i].u == c.u[i] && q[i].v == c.v[i]) << c.what << " corner " << i;
    }
    const int32_t clips[][4] = {{kMax, kMin, kMax, kMax}, {kMin, kMin, kMin, kMax}, {kMin, kMax, kMax, kMax},
                                {kMin, kMin, kMax, kMin}};
    for (const auto& clip : clips) {
        for (bool transposed : {false, true}) {
            QuadVertex q[4];
            Quad::SetRect(q, 0, 0, 100, 50);
            if (transposed) Quad::ClipTransposed(q, 2.0f, 2.0f, clip);
            else Quad::Clip(q, 2.0f, 2.0f, clip);
            EXPECT_EQ(CornersOf(q), none) << clip[0] << " " << clip[1] << " " << clip[2] << " " << clip[3];
        }
    }
}

TEST(QuadBatchTest, IndicesAndCapacity) {
    QuadBatch* batch = QuadBatch::Create(3, nullptr);
    ASSERT_NE(batch, nullptr);
    QuadVertex q[4] = {};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(QuadBatch::Add(batch, q), 1);
    LogCapture log;
    EXPECT_TRUE(QuadBatch::Add(batch, q) == 0 && log.Count() == 1u && batch->vertexCount == 12u);
    QuadBatch::Destroy(batch);
    batch = QuadBatch::Create(20000, nullptr);
    ASSERT_NE(batch, nullptr);
    EXPECT_TRUE(batch->capacity == kMaxBatchQuads && batch->indices[kMaxBatchQuads * 6 - 1] == 65535);
    EXPECT_EQ(std::vector<uint16_t>(batch->indices, batch->indices + 12), (std::vector<uint16_t>{0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7}));
    QuadBatch::Destroy(batch);
    EXPECT_EQ(QuadBatch::Create(0, nullptr), nullptr);
}

TEST(LayerListOrder, EqualZKeepsInsertionOrderAndSetZMovesOnTop) {
    static std::string drawn;
    LayerNode nodes[4];
    const char names[] = "abcd";
    const int z[] = {5, 1, 5, -3};
    LayerList* list = LayerList::Create(nullptr);
    for (int i = 0; i < 4; ++i) {
        nodes[i] = LayerNode{{}, const_cast<char*>(&names[i]), [](void* name) { drawn += *static_cast<char*>(name); }, z[i]};
        LayerList::Insert(list, &nodes[i]);
    }
    const struct { const char* what; void (*apply)(LayerList*, LayerNode*); const char* order; } steps[] = {
        {"inserted", [](LayerList*, LayerNode*) {}, "dbac"},
        {"same z again goes on top", [](LayerList* l, LayerNode* n) { LayerList::SetZ(l, &n[0], 5); }, "dbca"},
        {"lowest", [](LayerList* l, LayerNode* n) { LayerList::SetZ(l, &n[2], -10); }, "cdba"},
        {"removed", [](LayerList* l, LayerNode* n) { LayerList::Remove(l, &n[1]); }, "cda"},
        {"removed twice", [](LayerList* l, LayerNode* n) { LayerList::Remove(l, &n[1]); }, "cda"},
        {"inserted twice", [](LayerList* l, LayerNode* n) { LayerList::Insert(l, &n[3]); }, "cda"},
        {"back between", [](LayerList* l, LayerNode* n) { LayerList::Insert(l, &n[1]); }, "cdba"},
    };
    for (const auto& step : steps) {
        step.apply(list, nodes);
        drawn.clear();
        LayerList::Draw(list);
        EXPECT_EQ(drawn, step.order) << step.what;
        EXPECT_EQ(list->nodes.count, strlen(step.order)) << step.what;
    }
    LayerList::Destroy(list);
}

using SpriteTest = Sprites2dTest;

void Clip(Sprite* sprite, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t rect[4] = {left, top, right, bottom};
    sprite->SetClipRect(rect);
}

TEST_F(SpriteTest, ClippingKeepsTexelsInPlace) {
    Sprite* sprite = AddSprite(TexelImage(100, 100, 2), 128, 128);  // covers 78..177
    const std::vector<uint8_t> whole = DrawFrame();
    const int32_t clip[4] = {100, 90, 150, 170};
    sprite->SetClipRect(clip);
    const std::vector<uint8_t> clipped = DrawFrame();
    static const uint8_t kNothing[3] = {};
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const int x = i % kWidth, y = i / kWidth;
        const bool in = x >= clip[0] && x < clip[2] && y >= clip[1] && y < clip[3];
        ASSERT_EQ(0, memcmp(&clipped[i * 4], in ? &whole[i * 4] : kNothing, 3)) << x << "," << y;
    }
    sprite->SetAngle(90.0f);
    DrawFrame();
    EXPECT_FALSE(ReadPixel(85, 85) == kBlack);
    sprite->SetAngle(0.0f);
    Clip(sprite, 0, 0, 0, 0);
    DrawFrame();
    EXPECT_FALSE(ReadPixel(80, 80) == kBlack);
}

// Sprites beyond the 16-bit range stay off the screen; hidden or empty ones draw nothing.
TEST_F(SpriteTest, ExtremeOrEmptySpritesNeverReachTheScreen) {
    struct Case { const char* what; void (*change)(Sprite*, AsyncTexture*); bool noDraw; } cases[] = {
        {"across the 16-bit edge", [](Sprite* s, AsyncTexture*) { s->SetPos(32757, 40); }, false},
        {"at the int32 maximum", [](Sprite* s, AsyncTexture*) { s->SetPos(kMax, kMax); }, false},
        {"at the int32 minimum", [](Sprite* s, AsyncTexture*) { s->SetPos(kMin, kMin); }, false},
        {"huge size far right", [](Sprite* s, AsyncTexture*) { s->SetPos(kMax, 40), s->SetSize(kMax, kMax); }, false},
        {"huge scale far left", [](Sprite* s, AsyncTexture*) { s->SetPos(kMin, 40), s->SetScale(3e9f); }, false},
        {"scale not a number", [](Sprite* s, AsyncTexture*) { s->SetScale(std::nanf("")); }, false},
        {"huge angle far away", [](Sprite* s, AsyncTexture*) { s->SetPos(kMax, kMin), s->SetAngle(1e30f); }, false},
        {"source at the int32 end far right",
         [](Sprite* s, AsyncTexture* image) { s->SetImageRect(image, kMax, kMax, 8, 8), s->SetPos(40000, 40); }, false},
        {"clip beyond the int32 range", [](Sprite* s, AsyncTexture*) { Clip(s, kMax, kMin, kMax, kMax); }, false},
        {"hidden", [](Sprite* s, AsyncTexture*) { s->SetVisible(false); }, true},
        {"width 0", [](Sprite* s, AsyncTexture*) { s->SetSize(0, 20); }, true},
        {"scaled to nothing and clipped", [](Sprite* s, AsyncTexture*) { Clip(s, 0, 0, 100, 100), s->SetScale(0.01f); }, true},
        {"clipped away", [](Sprite* s, AsyncTexture*) { Clip(s, 200, 200, 210, 210); }, true},
    };
    AsyncTexture* image = TexelImage(8, 8, 16);
    for (const Case& c : cases) {
        c.change(AddSprite(image, 40, 40), image);
        DrawFrame();
        EXPECT_TRUE(RectIs(0, 0, kWidth, kHeight, kBlack)) << c.what;
        if (c.noDraw) { EXPECT_EQ(GetRenderStats().drawCalls, 0u) << c.what; }
        LayerList::Remove(list_, &nodes_.back());
    }
}

TEST_F(SpriteTest, LoadingImagesDrawNothingAndTheFirstReadyFrameIsRight) {
    AddSprite(nullptr, 4, 4, ColorWord(0, 255, 0));  // leaves blend 1 and no texture behind
    images_.push_back(AsyncTexture::Create(nullptr));
    LogCapture log;
    EXPECT_TRUE(AsyncTexture::CompleteUpload(images_.back()) == 0 && log.Count() == 0u) << "nothing decoded yet";
    AddSprite(images_.back(), 100, 100, 0xFFFFFFFFu, 2, 1);
    DrawFrame();
    EXPECT_TRUE(GetRenderStats().drawCalls == 1u && GetRenderStats().textureBinds == 0u);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && GetInt(GL_BLEND_DST_RGB) == GL_ONE_MINUS_SRC_ALPHA) << "blend mode left alone";
    EXPECT_TRUE(RectIs(50, 50, 100, 100, kBlack));

    std::vector<uint8_t> red(6 * 4 * 4);
    for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    AsyncTexture::SetDecoded(images_.back(), MakeImage(kPixelRgba8888, 6, 4, 32, red));
    ASSERT_EQ(AsyncTexture::CompleteUpload(images_.back()), 1);
    DrawFrame();
    EXPECT_TRUE(RectIs(97, 98, 6, 4, Rgba{255, 0, 0, 255}));
    EXPECT_TRUE(RectIs(96, 97, 8, 1, kBlack) && RectIs(96, 102, 8, 1, kBlack));
    EXPECT_TRUE(RectIs(96, 98, 1, 4, kBlack) && RectIs(103, 98, 1, 4, kBlack));
}

constexpr int kCell = 10;

class TextSpriteTest : public Sprites2dTest {
protected:
    void SetUp() override {
        Sprites2dTest::SetUp();
        text_ = TextSprite::Create(32, nullptr);
        text_->SetSheet(TexelImage(16 * kCell, 4 * kCell, 1), 0, 0, kCell, kCell);
        text_->SetPos(60, 60);  // box 100 x 100: left 10, top 10
        Add(text_, TextSprite::Draw);
    }
};

TEST_F(TextSpriteTest, CharactersShowTheirCells) {
    struct Case { const char* text; bool digits; int cells[4]; } cases[] = {  // -1: nothing at that pen
        {"0123", false, {16, 17, 18, 19}},
        {"0123", true, {0, 1, 2, 3}},
        {"A ~!", false, {33, -1, -1, 1}},               // '~' lies in a fifth row the sheet lacks
        {"-5:0", true, {-1, 5, 10, 0}},                 // below '0': nothing, the pen moves on
        {"\x7F\xFF\x80" "0", false, {-1, -1, -1, 16}},  // beyond the sheet's rows, and bytes above 127
    };
    for (const Case& c : cases) {
        text_->SetSheetStartsAtDigits(c.digits);
        text_->SetText(c.text);
        DrawFrame();
        for (int i = 0; i < 4; ++i) {  // the cell's texel at the same offset as the pixel read
            const int cell = c.cells[i];
            const Rgba want = cell < 0 ? kBlack : Texel((cell % 16) * kCell + 3, (cell / 16) * kCell + 6, 1);
            EXPECT_EQ(ReadPixel(13 + i * kCell, 16), want) << c.text << " character " << i;
        }
    }
}

TEST_F(TextSpriteTest, AlignmentAndWrapping) {
    struct Case { const char* text; int32_t align, width, charSpace; float scale; std::vector<std::pair<int, int>> corners; } cases[] = {
        {"12\n345", 1, 100, 0, 1.0f, {{50, 10}, {60, 10}, {45, 20}, {55, 20}, {65, 20}}},
        {"12\n345", 2, 100, 0, 1.0f, {{90, 10}, {100, 10}, {80, 20}, {90, 20}, {100, 20}}},
        {"12345", 0, 30, 0, 1.0f, {{45, 10}, {55, 10}, {65, 10}, {75, 10}, {45, 20}}},
        {"1 2", 0, 100, 2, 1.0f, {{11, 10}, {35, 10}}},  // centred in a 12-pixel advance
        {"12", 1, 100, 0, 2.0f, {{0, -40}, {20, -40}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        text_->SetAlign(c.align);
        text_->SetSize(c.width, 100);
        text_->SetCharSpace(c.charSpace);
        text_->SetScale(c.scale);
        text_->SetText(c.text);
        ASSERT_TRUE(text_->Layout());
        ASSERT_EQ(text_->batch->vertexCount / 4, c.corners.size());
        for (uint32_t i = 0; i < c.corners.size(); ++i) {
            const QuadVertex& v = text_->batch->vertices[i * 4 + kQuadTopLeft];
            EXPECT_EQ(std::make_pair(int{v.x}, int{v.y}), c.corners[i]) << i;
        }
    }
}

TEST_F(TextSpriteTest, ColourClipAndVisibility) {
    text_->SetText("00");
    text_->SetColor(ColorWord(255, 255, 255, 0));
    DrawFrame();
    EXPECT_EQ(GetRenderStats().drawCalls, 0u) << "alpha 0 hides";
    text_->SetColor(ColorWord(0, 255, 0));
    text_->SetClipRect(0, 0, 15, 200);  // cuts the first quad at x 15
    DrawFrame();
    EXPECT_EQ(ReadPixel(12, 15), (Rgba{0, 31, 0, 255})) << "texel (2, 15) through a green vertex";
    EXPECT_EQ(ReadPixel(16, 15), kBlack);
}

constexpr int kStep = 16;  // colour step between texels of the 8 x 8 images

struct Point { int x, y, u, v; uint8_t blue = 128; };

class TileTest : public Sprites2dTest {
protected:
    void SetUp() override {
        Sprites2dTest::SetUp();
        tile_->SetSize(20, 12);
        tile_->SetPos(20, 16);  // left 10, top 10
        Add(tile_, Tile::Draw);
    }
    void ExpectPoints(const std::vector<Point>& points, int mode) {
        for (const Point& p : points)
            EXPECT_EQ(ReadPixel(p.x, p.y), Texel(p.u, p.v, kStep, p.blue)) << "mode " << mode << " at " << p.x << "," << p.y;
    }
    uint32_t Pieces() const { return tile_->background->vertexCount / 4; }
    const QuadVertex& Corner(uint32_t i, int corner) const { return tile_->background->vertices[i * 4 + corner]; }
    int PieceWidth(uint32_t i) const { return Corner(i, kQuadTopRight).x - Corner(i, kQuadTopLeft).x; }
    int PieceHeight(uint32_t i) const { return Corner(i, kQuadBottomLeft).y - Corner(i, kQuadTopLeft).y; }

};

TEST_F(TileTest, TiledCopiesMeetAtTheirSeams) {
    tile_->SetImage(TexelImage(8, 8, kStep), nullptr);
    DrawFrame();
    const std::vector<uint8_t> pixels = ReadRect(10, 10, 20, 12);
    for (int j = 0; j < 12; ++j) {
        for (int i = 0; i < 20; ++i) {
            const uint8_t* p = &pixels[(static_cast<size_t>(j) * 20 + i) * 4];
            ASSERT_EQ((Rgba{p[0], p[1], p[2], 255}), Texel(i % 8, j % 8, kStep)) << i << "," << j;
        }
    }
    EXPECT_TRUE(RectIs(30, 9, 1, 14, kBlack) && RectIs(10, 22, 20, 1, kBlack));
}

TEST_F(TileTest, FramesAndBarsSampleTheirParts) {
    const std::vector<Point> cases[] = {
        {{10, 10, 0, 0}, {11, 11, 1, 1}, {10, 20, 0, 6}, {11, 21, 1, 7}, {28, 10, 6, 0}, {29, 21, 7, 7}, {15, 10, 6, 0},
         {20, 11, 6, 1}, {15, 21, 6, 7}, {10, 15, 0, 2}, {11, 18, 1, 2}, {29, 15, 7, 6}, {12, 12, 2, 2}, {20, 16, 4, 4},
         {27, 19, 5, 5}},
        {{10, 10, 0, 0}, {13, 21, 3, 7}, {10, 15, 0, 3}, {14, 10, 4, 0}, {25, 21, 4, 7}, {29, 10, 7, 0}, {29, 21, 7, 7}},
        {{10, 10, 0, 0}, {29, 13, 7, 3}, {10, 15, 0, 4}, {29, 17, 7, 4}, {10, 18, 0, 4}, {29, 21, 7, 7}},
    };
    tile_->SetImage(TexelImage(8, 8, kStep), nullptr);
    for (int32_t mode = 1; mode <= 3; ++mode) {
        tile_->SetMode(mode);
        tile_->SetPos(20, 16);  // builds again
        DrawFrame();
        ExpectPoints(cases[mode - 1], mode);
        EXPECT_EQ(ReadPixel(30, 16), kBlack) << "mode " << mode;
    }
    for (int32_t mode : {1, 2, 3}) {  // a box smaller than the caps: empty middles, not mirrored ones
        tile_->SetMode(mode);
        tile_->SetSize(4, 2);
        for (uint32_t i = 0; i < Pieces(); ++i) EXPECT_TRUE(PieceWidth(i) >= 0 && PieceHeight(i) >= 0) << mode;
    }
    tile_->SetMode(7);
    tile_->SetPos(20, 16);
    EXPECT_EQ(Pieces(), 0u) << "no background for other modes";

    tile_->SetMode(2);
    tile_->SetSize(20, 12);
    tile_->SetClipRect(12, 0, 27, 256);
    DrawFrame();
    ExpectPoints({{12, 10, 2, 0}, {26, 10, 4, 0}}, 2);
    EXPECT_TRUE(ReadPixel(11, 12) == kBlack && ReadPixel(27, 10) == kBlack);
}

TEST_F(TileTest, EdgeFrameLiesOverATiledBackground) {
    AsyncTexture* edge = TexelImage(8, 8, kStep, 255, false);
    tile_->SetImage(TexelImage(8, 8, kStep), edge);
    tile_->SetPos(20, 16);  // built again while the edge is not ready
    ASSERT_EQ(AsyncTexture::CompleteUpload(edge), 1);
    DrawFrame();
    ExpectPoints({{10, 10, 0, 0, 255}, {29, 21, 7, 7, 255}, {13, 20, 3, 6, 255},  // corners are the quadrants
                  {20, 10, 4, 0, 255}, {20, 21, 4, 7, 255},                       // top and bottom edges: column 4
                  {11, 15, 1, 4, 255}, {28, 15, 6, 4, 255},                       // left and right edges: row 4
                  {20, 16, 2, 6, 128}},                                           // the background inside
                 0);
    tile_->SetMode(1);
    tile_->SetPos(20, 16);
    EXPECT_EQ(tile_->edge->vertexCount, 0u) << "the edge frame belongs to tiled boxes only";
    tile_->SetMode(0);
    for (auto [w, h] : {std::pair<int, int>{-20, 12}, {20, 0}}) {
        tile_->SetSize(w, h);
        EXPECT_EQ(tile_->edge->vertexCount, 0u) << "nor to empty ones: " << w << " x " << h;
    }
}

TEST_F(TileTest, WithoutAnImageItIsAPlainRectangle) {
    tile_->SetBackColor(ColorWord(0, 0, 255));
    tile_->SetColor(ColorWord(255, 255, 255, 128));
    tile_->SetScale(2.0f);  // not applied to the plain rectangle
    DrawFrame();
    EXPECT_TRUE(RectIs(10, 10, 20, 12, Rgba{0, 0, 128, 255}, 1));
    EXPECT_TRUE(RectIs(9, 9, 22, 1, kBlack));
}

// Mode 0 needs (W / aw + 1) x (H / ah + 1) pieces, up to the 16-bit index limit.
TEST_F(TileTest, TiledPieceCounts) {
    struct Case { int imageSide; int32_t width, height; float scale; uint32_t pieces; int lastWidth, lastHeight; } cases[] = {
        {32, 100, 70, 1.0f, 12, 4, 6},
        {32, 96, 64, 1.0f, 12, 0, 0},    // the remainders are empty pieces
        {32, 100, 100, 2.0f, 49, 8, 8},  // built at 200 x 200
        {8, 1280, 720, 1.0f, 14651, 0, 0},
        {8, 4000, 4000, 1.0f, 32 * 501, 0, 8},  // cut to whole rows within 16,384 pieces
        {1, INT32_MAX, 4, 1.0f, 0, 0, 0},       // not a single row fits
        {32, -50, 70, 1.0f, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " of " << c.imageSide);
        tile_->SetImage(TexelImage(c.imageSide, c.imageSide, 1), nullptr);
        tile_->SetScale(c.scale);
        tile_->SetSize(c.width, c.height);
        ASSERT_EQ(Pieces(), c.pieces);
        if (c.pieces == 0) continue;
        const uint32_t perRow = static_cast<uint32_t>(static_cast<int64_t>(c.width * c.scale) / c.imageSide + 1);
        EXPECT_EQ(std::make_pair(PieceWidth(perRow - 1), PieceHeight(c.pieces - 1)), std::make_pair(c.lastWidth, c.lastHeight));
        if (c.scale != 1.0f) {
            tile_->SetPos(128, 128);
            EXPECT_EQ(Corner(0, kQuadTopLeft).x, 28) << "left of a 200-pixel box at 128";
        }
        tile_->SetScale(1.0f);
    }
}

using BatchingTest = Sprites2dTest;

TEST_F(BatchingTest, SameSceneSamePixelsFewerDraws) {
    AsyncTexture* a = TexelImage(16, 16, 8);
    AsyncTexture* b = TexelImage(16, 16, 8, 40);
    tile_->SetImage(a, nullptr);
    tile_->SetSize(200, 60);
    tile_->SetPos(110, 50);
    Add(tile_, Tile::Draw);  // a's texture, nearest filtering: joins the sprites below
    const uint32_t half = ColorWord(255, 255, 255, 128);
    for (int i = 0; i < 6; ++i) AddSprite(a, 20 + i * 9, 40 + i * 5, i % 2 ? half : 0xFFFFFFFFu);  // overlapping
    AddSprite(b, 60, 60, half);
    AddSprite(b, 64, 66);
    AddSprite(nullptr, 70, 70, ColorWord(255, 0, 0, 100));
    AddSprite(nullptr, 80, 75, ColorWord(0, 255, 0, 100), 2);  // another blend mode
    AddSprite(a, 90, 80, half)->SetAngle(30.0f);               // rotated, filtered
    text_ = TextSprite::Create(16, nullptr);
    text_->SetSheet(a, 0, 0, 4, 4);
    text_->SetText("!\"#$%&'()*+,-./0");
    text_->SetPos(100, 150);
    Add(text_, TextSprite::Draw);
    AddSprite(a, 150, 150)->SetScale(3.0f);  // linear filtering like the text

    const std::vector<uint8_t> unbatched = DrawBatched(false);
    EXPECT_EQ(GetRenderStats().drawCalls, 14u);
    EXPECT_TRUE(DrawBatched(true) == unbatched) << "the batched frame differs";
    EXPECT_EQ(GetRenderStats().drawCalls, 5u);
    EXPECT_TRUE(NoGlError());
}

TEST_F(BatchingTest, OtherLayersSeeEverythingBelowDrawn) {
    static uint32_t drawsBefore;
    for (int i = 0; i < 3; ++i) AddSprite(nullptr, 20 + i * 10, 20, ColorWord(0, 0, 255));
    Add(nullptr, [](void*) { drawsBefore = GetRenderStats().drawCalls; });
    AddSprite(nullptr, 100, 100, ColorWord(0, 0, 255));
    DrawBatched(true);
    EXPECT_TRUE(drawsBefore == 1u && GetRenderStats().drawCalls == 2u);
}

TEST_F(BatchingTest, MoreQuadsThanOneDrawHolds) {
    text_ = TextSprite::Create(kMaxBatchQuads, nullptr);
    text_->SetSheet(TexelImage(64, 8, 2), 0, 0, 4, 4);
    text_->SetText(std::string(kMaxBatchQuads, '!').c_str());
    text_->SetSize(4 * 128, 4 * 128);
    Add(text_, TextSprite::Draw);
    Add(text_, TextSprite::Draw);  // the same quads again: more than one draw holds with the first
    AddSprite(nullptr, 100, 100, ColorWord(0, 0, 255));
    AddSprite(nullptr, 100, 130, ColorWord(0, 0, 255));
    const std::vector<uint8_t> unbatched = DrawBatched(false);
    EXPECT_EQ(GetRenderStats().drawCalls, 4u);
    EXPECT_TRUE(DrawBatched(true) == unbatched);
    EXPECT_EQ(GetRenderStats().drawCalls, 3u);
}

}  // namespace
