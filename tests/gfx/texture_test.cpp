// Textures on Mesa: every pixel format drawn 1:1 and read back, compressed
// data through the driver and through the software decoders, updates,
// refusals of bad images, and the memory total.
#include "gfx/texture.h"

#include <cmath>
#include <cstring>
#include <string>

#include "gfx/gl_state.h"
#include "gfx/texture_decode.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using TextureTest = GfxTest;

std::vector<uint8_t> Noise(size_t count, uint32_t seed) {
    std::vector<uint8_t> bytes(count);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
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
            out[0] = Scale(v >> 11, 31), out[1] = Scale((v >> 6) & 31, 31), out[2] = Scale((v >> 1) & 31, 31);
            out[3] = (v & 1) * 255;
            break;
        case kPixelRgba4444:
            out[0] = (v >> 12) * 17, out[1] = ((v >> 8) & 15) * 17, out[2] = ((v >> 4) & 15) * 17;
            out[3] = (v & 15) * 17;
            break;
        case kPixelRgb888: out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = 255; break;
        case kPixelRgb565:
            out[0] = Scale(v >> 11, 31), out[1] = Scale((v >> 5) & 63, 63), out[2] = Scale(v & 31, 31);
            out[3] = 255;
            break;
        case kPixelAlpha8: out[0] = out[1] = out[2] = 255, out[3] = p[0]; break;
        case kPixelAlpha16: out[0] = out[1] = out[2] = 255, out[3] = Scale(v, 65535); break;
        case kPixelDepth8: out[0] = out[1] = out[2] = p[0], out[3] = 255; break;
        case kPixelDepth16: out[0] = out[1] = out[2] = Scale(v, 65535), out[3] = 255; break;
        default: for (int c = 0; c < 4; ++c) out[c] = p[c]; break;  // already RGBA8
    }
}

// Draws the texture 1:1 over black with alpha blending and compares every
// pixel with the texels as expected (RGB scaled by alpha).
::testing::AssertionResult DrawsAs(Texture* texture, PixelFormat code, const std::vector<uint8_t>& texels,
                                   int bytesPerTexel, int tolerance = 1) {
    GfxTest::DrawTexture(texture, 0, 0, 1);
    const int w = texture->width, h = texture->height;
    const std::vector<uint8_t> got = GfxTest::ReadRect(0, 0, w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int want[4];
            ExpectedTexel(code, &texels[(static_cast<size_t>(y) * w + x) * bytesPerTexel], want);
            const uint8_t* p = &got[(static_cast<size_t>(y) * w + x) * 4];
            for (int c = 0; c < 3; ++c) {
                int expected = static_cast<int>(std::lround(want[c] * want[3] / 255.0));
                if (std::abs(p[c] - expected) > tolerance) {
                    return ::testing::AssertionFailure() << "format " << code << " " << w << "x" << h << " texel ("
                                                         << x << "," << y << ") channel " << c << " is "
                                                         << int(p[c]) << ", expected " << expected;
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

TEST_F(TextureTest, UncompressedFormatsRoundTripAtEveryWidth) {
    struct Case {
        PixelFormat code;
        int bits;
    } formats[] = {{kPixelRgba8888, 32}, {kPixelRgba5551, 16}, {kPixelRgba4444, 16}, {kPixelRgb888, 24},
                   {kPixelRgb565, 16},   {kPixelAlpha8, 8},     {kPixelAlpha16, 16},  {kPixelDepth8, 8},
                   {kPixelDepth16, 16}};
    const int sizes[][2] = {{3, 2}, {5, 3}, {4, 4}, {1, 7}};
    uint32_t seed = 1;
    for (const Case& f : formats) {
        for (const auto& size : sizes) {
            const int w = size[0], h = size[1], bytes = f.bits / 8;
            std::vector<uint8_t> texels = Noise(static_cast<size_t>(w) * h * bytes, seed++);
            Image* image = MakeImage(f.code, w, h, f.bits, texels);
            Texture* texture = Texture::Create(nullptr);
            ASSERT_TRUE(Texture::UploadImage(texture, 0, image, nullptr)) << f.code;
            EXPECT_EQ(texture->format, f.code);
            ClearScreen(0, 0, 0);
            EXPECT_TRUE(DrawsAs(texture, f.code, texels, bytes));
            Texture::Release(texture);
            Image::Free(image);
        }
    }
}

// Compressed data of every code, uploaded as the driver allows (or decoded
// here), draws exactly as the software decoder says.
TEST_F(TextureTest, CompressedFormatsDrawAsDecoded) {
    struct Case {
        PixelFormat code;
        int w, h;
    } cases[] = {
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
            std::vector<uint8_t> decoded(static_cast<size_t>(c.w) * c.h * 4);
            ASSERT_TRUE(DecodeCompressedToRgba(c.code, c.w, c.h, data.data(), static_cast<uint32_t>(data.size()),
                                               decoded.data()));
            Image* image = MakeImage(c.code, c.w, c.h, PixelFormatBits(c.code), data);
            Texture* texture = Texture::Create(nullptr);
            ASSERT_TRUE(Texture::UploadImage(texture, 0, image, nullptr));
            ClearScreen(0, 0, 0);
            // Drivers may round the interpolated colours their own way.
            const bool byDriver = driverDecodes && IsCompressedFormatSupported(c.code);
            EXPECT_TRUE(DrawsAs(texture, c.code, decoded, 4, byDriver ? 1 : 0)) << (byDriver ? "driver" : "software");
            Texture::Release(texture);
            Image::Free(image);
        }
    }
}

TEST_F(TextureTest, UpdateChangesOnlyItsRectangle) {
    struct Case {
        PixelFormat code;
        int bits;
    } cases[] = {{kPixelRgba8888, 32}, {kPixelRgb888, 24}, {kPixelRgb565, 16}, {kPixelAlpha8, 8}};
    for (const Case& c : cases) {
        const int bytes = c.bits / 8;
        std::vector<uint8_t> base = Noise(7 * 5 * static_cast<size_t>(bytes), 7);
        std::vector<uint8_t> patch = Noise(3 * 2 * static_cast<size_t>(bytes), 8);
        Image* baseImage = MakeImage(c.code, 7, 5, c.bits, base);
        Image* patchImage = MakeImage(c.code, 3, 2, c.bits, patch);
        Texture* texture = Texture::Create(nullptr);
        ASSERT_TRUE(Texture::UploadImage(texture, 0, baseImage, nullptr));
        ASSERT_TRUE(Texture::Update(texture, 0, 2, 3, patchImage));
        std::vector<uint8_t> want = base;
        for (int y = 0; y < 2; ++y) {
            memcpy(&want[((3 + y) * 7 + 2) * static_cast<size_t>(bytes)], &patch[y * 3 * static_cast<size_t>(bytes)],
                   3 * static_cast<size_t>(bytes));
        }
        ClearScreen(0, 0, 0);
        EXPECT_TRUE(DrawsAs(texture, c.code, want, bytes));
        Texture::Release(texture);
        Image::Free(baseImage);
        Image::Free(patchImage);
    }
}

TEST_F(TextureTest, BadUpdatesAreRefusedWithOneLine) {
    Texture* texture = Texture::CreateEmpty(8, 8, kPixelRgba8888, nullptr);
    Image* rgba = Image::New(4, 4, kPixelRgba8888, nullptr);
    Image* rgb = Image::New(2, 2, kPixelRgb888, nullptr);
    Image* dxt = MakeImage(kPixelDxt1Rgb, 4, 4, 4, std::vector<uint8_t>(8));
    struct Case {
        const char* what;
        int level, x, y;
        Image* image;
    } cases[] = {
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
    struct Case {
        const char* what;
        Image* image;
    } cases[] = {
        {"short RGBA data", MakeImage(kPixelRgba8888, 4, 4, 32, std::vector<uint8_t>(63))},
        {"short RGB rows", MakeImage(kPixelRgb888, 3, 3, 24, std::vector<uint8_t>(26))},
        {"short DXT1 blocks", MakeImage(kPixelDxt1Rgb, 5, 5, 4, std::vector<uint8_t>(31))},
        {"short PVRTC minimum", MakeImage(kPixelPvrtcRgb4, 4, 4, 4, std::vector<uint8_t>(8))},
        {"PVRTC of odd size", MakeImage(kPixelPvrtcRgb4, 12, 8, 4, std::vector<uint8_t>(48))},
        {"short palette", MakeImage(kPixelIndexed8, 4, 4, 8, std::vector<uint8_t>(1024 + 15))},
        {"code 5", MakeImage(5, 1, 1, 16, std::vector<uint8_t>(2))},
        {"code 21", MakeImage(21, 1, 1, 32, std::vector<uint8_t>(4))},
        {"too wide", MakeImage(kPixelAlpha8, 40000, 1, 8, std::vector<uint8_t>(16))},
    };
    for (const Case& c : cases) {
        // PVRTC sizes are only checked where the data is decoded here.
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

}  // namespace
