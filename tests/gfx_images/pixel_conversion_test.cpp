// Image records and the conversions images go through before upload.
#include <gtest/gtest.h>

#include <memory>

#include "gfx/image.h"
#include "gfx/image_file.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"

namespace {

ImagePtr Rgba(int width, int height, const std::vector<uint8_t>& bytes) {
    ImagePtr image(Image::New(width, height, kPixelRgba8888, nullptr));
    std::copy(bytes.begin(), bytes.end(), image->pixels);
    return image;
}

TEST(FillTransparentPixels, AveragesOpaqueNeighboursWithASixthOfTheirAlpha) {
    // Opaque top row and left column; everything else transparent.
    const std::vector<uint8_t> in = {
        90, 0, 0, 255,   30, 60, 0, 255,  0, 0, 90, 240,
        0, 30, 0, 200,   0, 0, 0, 0,      0, 0, 0, 0,
        60, 0, 30, 255,  0, 0, 0, 0,      0, 0, 0, 0,
    };
    ImagePtr image = Rgba(3, 3, in);
    FillTransparentPixels(image.get());
    const std::vector<uint8_t> want = {
        90, 0, 0, 255,   30, 60, 0, 255,  0, 0, 90, 240,
        0, 30, 0, 200,
        // (1,1): up (30,60,0,255) and left (0,30,0,200): n = 2, alpha 455 / 6.
        15, 45, 0, 75,
        // (2,1): up (0,0,90,240) and the pixel just filled at left: alpha (240 + 75) / 6.
        7, 22, 45, 52,
        60, 0, 30, 255,
        // (1,2): up (15,45,0,75) and left (60,0,30,255).
        37, 22, 15, 55,
        // (2,2): up (7,22,45,52) and left (37,22,15,55).
        22, 22, 30, 17,
    };
    EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + 36), want);
}

TEST(NewImage, BitsPerTypeAndRefusals) {
    struct Case {
        PixelFormat type;
        int bits;
        uint32_t dataSize;  // of a 3 x 2 image
    } cases[] = {
        {kPixelRgba8888, 32, 24}, {kPixelRgba5551, 16, 12}, {kPixelRgba4444, 16, 12}, {kPixelRgb888, 24, 18},
        {kPixelRgb565, 16, 12},   {kPixelAlpha8, 8, 6},     {kPixelIndexed8, 8, 1024 + 6},
        {kPixelDepth8, 8, 6},     {kPixelDepth16, 16, 12},
    };
    for (const Case& c : cases) {
        ImagePtr image(NewImage(3, 2, c.type, nullptr));
        ASSERT_NE(image, nullptr) << c.type;
        EXPECT_EQ(image->bitsPerPixel, c.bits) << c.type;
        EXPECT_EQ(image->dataSize, c.dataSize) << c.type;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(image->pixels) % 16, 0u) << c.type;
    }
    for (PixelFormat type : {5, 6, 8, 12, 14, 18, 20, 21, -1}) {
        LogCapture log;
        EXPECT_EQ(NewImage(3, 2, type, nullptr), nullptr) << type;
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Invalid image type."}) << type;
    }
    LogCapture log;
    EXPECT_EQ(NewImage(0, 2, kPixelRgba8888, nullptr), nullptr);
    EXPECT_EQ(NewImage(3, -1, kPixelRgba8888, nullptr), nullptr);
}

}  // namespace
