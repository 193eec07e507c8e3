// PNG files written by libpng's own writer and by ImageMagick, decoded and
// compared sample by sample.
#include <gtest/gtest.h>
#include <png.h>

#include <memory>

#include "gfx/image.h"
#include "gfx/image_file.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"

namespace {

// 16-bit samples: the high byte is the 8-bit value, the low byte noise that must be cut.
std::vector<uint8_t> Widen(const std::vector<uint8_t>& samples) {
    std::vector<uint8_t> wide;
    for (size_t i = 0; i < samples.size(); ++i) {
        wide.push_back(samples[i]);
        wide.push_back(static_cast<uint8_t>(i * 37));
    }
    return wide;
}

struct DirectCase {
    const char* name;
    int colourType;
    int bitDepth;
    bool interlaced;
    int width, height;
};

class PngDirectTest : public ::testing::TestWithParam<DirectCase> {};

TEST_P(PngDirectTest, DecodesTheWrittenSamples) {
    const DirectCase& c = GetParam();
    RawImage source = TestPattern(c.width, c.height, 7, c.colourType == PNG_COLOR_TYPE_RGB);
    const bool alpha = c.colourType == PNG_COLOR_TYPE_RGB_ALPHA;
    std::vector<uint8_t> samples = alpha ? source.rgba : RgbOf(source);
    PngLayout layout;
    layout.width = c.width;
    layout.height = c.height;
    layout.colourType = c.colourType;
    layout.bitDepth = c.bitDepth;
    layout.interlaced = c.interlaced;
    layout.rows = c.bitDepth == 16 ? Widen(samples) : samples;
    LogCapture log;
    ImagePtr image(DecodeBytes(WritePng(layout)));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->type, alpha ? kPixelRgba8888 : kPixelRgb888);
    EXPECT_EQ(image->bitsPerPixel, alpha ? 32 : 24);
    EXPECT_EQ(image->width, c.width);
    EXPECT_EQ(image->height, c.height);
    EXPECT_EQ(Pixels(image.get()), samples);
    EXPECT_EQ(log.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PngDirectTest,
    ::testing::Values(DirectCase{"Rgb8", PNG_COLOR_TYPE_RGB, 8, false, 5, 3},
                      DirectCase{"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, 7, 4},
                      DirectCase{"Rgb16", PNG_COLOR_TYPE_RGB, 16, false, 3, 2},
                      DirectCase{"Rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, 4, 5},
                      DirectCase{"Rgba8Interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, 13, 11},
                      DirectCase{"Rgb8Interlaced", PNG_COLOR_TYPE_RGB, 8, true, 9, 17},
                      DirectCase{"OnePixel", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, 1, 1}),
    [](const ::testing::TestParamInfo<DirectCase>& info) { return std::string(info.param.name); });

// Packs one index per pixel into rows of `depth` bits, as PNG stores them.
std::vector<uint8_t> PackIndices(const std::vector<uint8_t>& indices, int width, int height, int depth) {
    const int rowBytes = (width * depth + 7) / 8;
    std::vector<uint8_t> rows(static_cast<size_t>(rowBytes) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int bit = x * depth;
            rows[y * rowBytes + bit / 8] |= static_cast<uint8_t>(indices[y * width + x] << (8 - depth - bit % 8));
        }
    }
    return rows;
}

class PngPaletteTest : public ::testing::TestWithParam<int> {};

TEST_P(PngPaletteTest, UnpacksIndicesAndTakesAlphaFromTheTransparencyChunk) {
    const int depth = GetParam();
    const int width = 11, height = 3;
    const int colours = depth == 1 ? 2 : 3;
    std::vector<uint8_t> indices;
    for (int i = 0; i < width * height; ++i) indices.push_back(static_cast<uint8_t>((i * 5) % colours));
    PngLayout layout;
    layout.width = width;
    layout.height = height;
    layout.colourType = PNG_COLOR_TYPE_PALETTE;
    layout.bitDepth = depth;
    layout.rows = PackIndices(indices, width, height, depth);
    layout.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    layout.palette.resize(static_cast<size_t>(colours) * 3);
    layout.alphas = {128};  // covers entry 0 only
    ImagePtr image(DecodeBytes(WritePng(layout)));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->type, kPixelIndexed8);
    ASSERT_EQ(image->dataSize, kPaletteBytes + width * height);
    const uint8_t* palette = image->pixels;
    EXPECT_EQ(std::vector<uint8_t>(palette, palette + 8), (std::vector<uint8_t>{10, 20, 30, 128, 40, 50, 60, 255}));
    for (int i = colours; i < 256; ++i) EXPECT_EQ(palette[i * 4 + 3], 0) << "entry " << i;
    EXPECT_EQ(std::vector<uint8_t>(palette + kPaletteBytes, palette + image->dataSize), indices);
}

INSTANTIATE_TEST_SUITE_P(Depths, PngPaletteTest, ::testing::Values(1, 2, 4, 8));

// ImageMagick writes the same picture in the PNG forms it offers.
TEST(PngReader, DecodesImageMagickFiles) {
    if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    RawImage source = TestPattern(6, 5, 3, false);
    PngLayout layout;
    layout.width = source.width;
    layout.height = source.height;
    layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    layout.rows = source.rgba;
    const std::string png = WritePng(layout);
    struct Case {
        const char* output;
        std::vector<std::string> options;
        PixelFormat type;
    };
    const Case cases[] = {
        {"PNG32:out.png", {}, kPixelRgba8888},
        {"PNG64:out.png", {}, kPixelRgba8888},
        {"PNG24:out.png", {"-alpha", "off"}, kPixelRgb888},
        {"PNG48:out.png", {"-alpha", "off"}, kPixelRgb888},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::string bytes = ConvertWithImageMagick(png, "png", c.options, c.output);
        ASSERT_FALSE(bytes.empty());
        ImagePtr image(DecodeBytes(bytes));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->type, c.type);
        EXPECT_EQ(Pixels(image.get()), c.type == kPixelRgba8888 ? source.rgba : RgbOf(source));
    }
}

}  // namespace
