// Bitmaps from ImageMagick and by hand, DXT1 surfaces from ImageMagick
// checked through the block decoder, and hand-made PVR files.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "gfx/image.h"
#include "gfx/image_file.h"
#include "gfx/texture_decode.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"

namespace {

std::string PngOf(const RawImage& source) {
    PngLayout layout;
    layout.width = source.width;
    layout.height = source.height;
    layout.colourType = 6;  // RGBA
    layout.rows = source.rgba;
    return WritePng(layout);
}

// Widths 1, 2, 3 and 5 give every amount of row padding.
class ImageMagickBmpTest : public ::testing::TestWithParam<int> {};

TEST_P(ImageMagickBmpTest, Decodes24And32BitFilesTopDown) {
    if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    RawImage source = TestPattern(GetParam(), 3, 11, false);
    const std::string png = PngOf(source);
    struct Case {
        const char* output;
        std::vector<std::string> options;
        PixelFormat type;
    };
    const Case cases[] = {
        {"BMP3:out.bmp", {"-alpha", "off", "-type", "TrueColor"}, kPixelRgb888},
        {"BMP3:out.bmp", {"-define", "bmp3:alpha=true"}, kPixelRgba8888},
        // A 124-byte header: the rows start at the file's data offset.
        {"BMP:out.bmp", {"-alpha", "off", "-type", "TrueColor"}, kPixelRgb888},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.output) + " " + c.options.back());
        std::string bytes = ConvertWithImageMagick(png, "png", c.options, c.output);
        ASSERT_FALSE(bytes.empty());
        LogCapture log;
        ImagePtr image(DecodeBytes(bytes));
        ASSERT_NE(image, nullptr) << (log.Count() ? log.Lines()[0] : "");
        EXPECT_EQ(image->type, c.type);
        EXPECT_EQ(Pixels(image.get()), c.type == kPixelRgba8888 ? source.rgba : RgbOf(source));
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, ImageMagickBmpTest, ::testing::Values(1, 2, 3, 5));

struct RefusedBmp {
    const char* name;
    std::string bytes;
    std::vector<std::string> log;
};

// A bitmap whose information header claims another size and whose data offset is given.
std::string WithHeaderSize(std::string bytes, uint32_t infoSize, uint32_t dataOffset) {
    for (int i = 0; i < 4; ++i) {
        bytes[14 + i] = static_cast<char>(infoSize >> (8 * i));
        bytes[10 + i] = static_cast<char>(dataOffset >> (8 * i));
    }
    return bytes;
}

TEST(BmpReader, RefusesWhatItCannotRead) {
    const std::string rows(64, '\x11');
    const std::string good = MakeBmp(4, 2, 24, 0, 0, rows);
    const RefusedBmp cases[] = {
        {"core header", WithHeaderSize(good, 12, 54), {"Error: Failed to analyze BMP header."}},
        {"data inside a long header", WithHeaderSize(good, 108, 100), {"Error: Invalid BMP data offset 100."}},
        {"data past the end", WithHeaderSize(good, 108, 4000), {"Error: BMP pixel data is truncated (4x2)."}},
        {"palette colours", MakeBmp(4, 2, 8, 0, 16, rows), {"Error: Pallet Bitmap is not supported."}},
        {"run-length", MakeBmp(4, 2, 8, 1, 0, rows), {"Error: Compression Bitmap is not supported."}},
        {"bit fields", MakeBmp(4, 2, 32, 3, 0, rows), {"Error: Compression Bitmap is not supported."}},
        {"8 bits without colours", MakeBmp(4, 2, 8, 0, 0, rows), {}},
        {"16 bits", MakeBmp(4, 2, 16, 0, 0, rows), {}},
    };
    for (const RefusedBmp& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        EXPECT_EQ(DecodeBytes(c.bytes), nullptr);
        EXPECT_EQ(log.Lines(), c.log);
    }
}

// Colours DXT1 holds exactly (5-6-5 values that widen back to the same bytes),
// at most two per 4x4 block.
RawImage TwoColourBlocks(int width, int height) {
    const uint8_t colours[4][4] = {{255, 0, 0, 255}, {0, 0, 255, 255}, {0, 255, 0, 255}, {255, 255, 255, 255}};
    RawImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int block = (y / 4) * ((width + 3) / 4) + x / 4;
            const uint8_t* c = colours[(block + ((x + y) % 2)) % 4];
            image.rgba.insert(image.rgba.end(), c, c + 4);
        }
    }
    return image;
}

TEST(DdsReader, ReadsImageMagickDxt1) {
    if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    RawImage source = TwoColourBlocks(8, 8);
    std::string bytes = ConvertWithImageMagick(PngOf(source), "png",
                                               {"-alpha", "off", "-define", "dds:compression=dxt1", "-define",
                                                "dds:mipmaps=0", "-define", "dds:cluster-fit=true"},
                                               "DDS:out.dds");
    ASSERT_FALSE(bytes.empty());
    ImagePtr image(DecodeBytes(bytes));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->type, kPixelDxt1Rgb);
    EXPECT_EQ(image->bitsPerPixel, 4);
    ASSERT_EQ(image->dataSize, 32u);
    for (int block = 0; block < 4; ++block) {
        uint8_t texels[16][4];
        DecodeDxt1Block(image->pixels + block * 8, false, texels);
        for (int i = 0; i < 16; ++i) {
            int x = (block % 2) * 4 + i % 4, y = (block / 2) * 4 + i / 4;
            EXPECT_EQ(0, memcmp(texels[i], source.At(x, y), 4)) << "texel " << x << "," << y;
        }
    }
}

TEST(DdsReader, RefusesOtherFormats) {
    LogCapture log;
    EXPECT_EQ(DecodeBytes(MakeDds(4, 4, "DXT5", std::string(16, '\0'))), nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Not support Compress format."});
    if (!HaveImageMagick()) return;
    std::string plain = ConvertWithImageMagick(PngOf(TestPattern(4, 4, 2, true)), "png",
                                               {"-define", "dds:compression=none"}, "DDS:plain.dds");
    ASSERT_FALSE(plain.empty());
    log.Clear();
    EXPECT_EQ(DecodeBytes(plain), nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Not support Compress format."});
}

struct PvrCase {
    const char* name;
    int32_t width, height;
    uint32_t flags, bits;
    PixelFormat type;
    uint32_t bytes;
};

TEST(PvrReader, RefusesInconsistentHeaders) {
    const std::string data(64, '\x5A');
    const struct {
        const char* name;
        std::string bytes;
        const char* line;
    } cases[] = {
        {"tag", MakePvr(8, 8, 25, 4, 32, data, "PVR?"), "Error: Failed to analyze PVR header."},
        {"flags with alpha", MakePvr(8, 8, 25 | 0x8000, 4, 32, data), "Error: Not support Compress format."},
        {"other format", MakePvr(8, 8, 26, 4, 32, data), "Error: Not support Compress format."},
        {"bits larger than the format's", MakePvr(8, 8, 24, 8, 64, data), "Error: Failed to analyze PVR header."},
        {"data size below the level", MakePvr(8, 8, 25, 4, 16, data), "Error: PVR data is truncated (8x8)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        EXPECT_EQ(DecodeBytes(c.bytes), nullptr);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line});
    }
}

}  // namespace
