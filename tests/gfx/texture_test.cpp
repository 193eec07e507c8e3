// The render-state cache, program builds and Std2d pixels; textures (block decoders on hand-made blocks, every
// format drawn on Mesa, updates, bad images); models (both formats, damaged files, drawn through the camera).
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/allocator.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "gfx/material_shader.h"
#include "gfx/model.h"
#include "gfx/std2d.h"
#include "gfx/texture.h"
#include "gfx/texture_decode.h"
#include "sample/tools/field_writers.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using Texel = Rgba;

Texel At(const std::vector<uint8_t>& rgba, int width, int x, int y) {
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
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
    EXPECT_EQ(At(out, 6, 3, 3), red);
    EXPECT_EQ(At(out, 6, 5, 0), (Texel{0, 255, 0, 255}));
    EXPECT_EQ(At(out, 6, 0, 4), blue);
    EXPECT_EQ(At(out, 6, 5, 4), (Texel{255, 255, 255, 255}));
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
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 16; ++x) {
                Texel want = y % 2 == 0 ? blue : red;
                if ((x ^ y) & 1) want = c.upDown ? (y % 2 == 0 ? red : blue) : purple;
                EXPECT_EQ(At(out, 16, x, y), want) << c.modulation << " (" << x << "," << y << ")";
            }
        }
    }
    // Low bit 1, bit 20 clear: left and right neighbours, which differ here (8 and 0) in every row.
    out = Decode(kPixelPvrtcRgb2, 16, 8, Blocks(4, 0x33233333u, colours | 1));
    for (int i = 0; i < 128; ++i) {
        const int x = i % 16, y = i / 16;
        EXPECT_EQ(At(out, 16, x, y), (x ^ y) & 1 ? purple : x % 4 == y % 2 ? blue : red) << x << "," << y;
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
            EXPECT_EQ(texture->format, f.code);
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

GLint GetInt(GLenum what) {
    GLint value = -1;
    glGetIntegerv(what, &value);
    return value;
}

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
        if (c.vertex) { EXPECT_GT(line.size(), strlen(c.logged)) << "the compiler's message is logged"; }
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
        EXPECT_EQ(m->cachedProgram, program);
        const Rgba green{0, 255, 0, 255}, black{0, 0, 0, 255};
        // The opaque half, and moved by the model matrix; the transparent half discarded.
        EXPECT_TRUE(ReadPixel(136, 120) == green && ReadPixel(72, 184) == green);
        for (auto [x, y] : {std::pair<int, int>{180, 120}, {136, 184}, {120, 120}, {136, 60}})
            EXPECT_EQ(ReadPixel(x, y), black) << x << "," << y;
        DeleteShaderProgram(program);
    }
    Model::Release(m);
}

}  // namespace
