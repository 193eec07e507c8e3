// JPEG round trips through libjpeg's own decoder, and streams that refuse bytes.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "core/allocator.h"
#include "fs/stream.h"
#include "gfx/image.h"
#include "gfx/image_file.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"

namespace {

// Decoded RGB rows, top first; empty when libjpeg refuses the data.
std::vector<uint8_t> DecodeJpeg(const std::vector<uint8_t>& bytes, int* width, int* height) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    std::vector<uint8_t> rgb;
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
        info.out_color_space = JCS_RGB;
        // Plain upsampling keeps each 16 x 16 block's colour to itself.
        info.do_fancy_upsampling = FALSE;
        jpeg_start_decompress(&info);
        *width = static_cast<int>(info.output_width);
        *height = static_cast<int>(info.output_height);
        rgb.resize(static_cast<size_t>(*width) * *height * 3);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &rgb[static_cast<size_t>(info.output_scanline) * *width * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return rgb;
}

// Encodes into a generous memory stream and returns the bytes written.
std::vector<uint8_t> Encode(const Image* image, bool bottomUp, int* result) {
    std::vector<uint8_t> buffer(1 << 20);
    Stream* stream = MemoryStream(buffer.data(), static_cast<uint32_t>(buffer.size()), false, nullptr);
    *result = EncodeJpeg(stream, image, bottomUp, nullptr);
    buffer.resize(stream->Tell());
    stream->Release();
    return buffer;
}

// Top half one colour, bottom half another, so the row order shows.
Image* TwoBands(PixelFormat type, int width, int height, const uint8_t top[3], const uint8_t bottom[3]) {
    Image* image = Image::New(width, height, type, nullptr);
    const int bytes = type == kPixelRgba8888 ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image->pixels + (static_cast<size_t>(y) * width + x) * bytes;
            const uint8_t* c = y < height / 2 ? top : bottom;
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
            if (bytes == 4) p[3] = 7;  // alpha must not matter
        }
    }
    return image;
}

struct RoundTrip { const char* name; PixelFormat type; bool bottomUp; };

class JpegRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(JpegRoundTripTest, DecodesToTheColoursWithinThree) {
    const RoundTrip& c = GetParam();
    // Each band fills whole 16 x 16 blocks, so each block is one solid colour.
    const uint8_t top[3] = {200, 40, 90}, bottom[3] = {20, 180, 240};
    ImagePtr image(TwoBands(c.type, 16, 32, top, bottom));
    int result = 0;
    std::vector<uint8_t> bytes = Encode(image.get(), c.bottomUp, &result);
    ASSERT_EQ(result, 1);
    int width = 0, height = 0;
    std::vector<uint8_t> rgb = DecodeJpeg(bytes, &width, &height);
    ASSERT_EQ(width, 16);
    ASSERT_EQ(height, 32);
    for (int y = 0; y < 32; ++y) {
        const uint8_t* want = (y < 16) != c.bottomUp ? top : bottom;
        for (int x = 0; x < 16; ++x) {
            for (int k = 0; k < 3; ++k) {
                ASSERT_NEAR(rgb[(y * 16 + x) * 3 + k], want[k], 3) << "pixel " << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, JpegRoundTripTest,
                         ::testing::Values(RoundTrip{"RgbaTopDown", kPixelRgba8888, false},
                                           RoundTrip{"RgbaBottomUp", kPixelRgba8888, true},
                                           RoundTrip{"RgbTopDown", kPixelRgb888, false},
                                           RoundTrip{"RgbBottomUp", kPixelRgb888, true}),
                         [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

int32_t FailingFlush(Stream*) { return -1; }

TEST(JpegEncoder, AStreamThatRefusesBytesFailsTheEncode) {
    // Noise compresses badly: far more than two 32768-byte buffer loads.
    ImagePtr image(Image::New(256, 256, kPixelRgb888, nullptr));
    for (uint32_t i = 0; i < image->dataSize; ++i) image->pixels[i] = static_cast<uint8_t>(rand());
    for (uint32_t room : {0u, 100u, 40000u}) {
        SCOPED_TRACE(room);
        std::vector<uint8_t> buffer(room + 1);
        Stream* stream = MemoryStream(buffer.data(), room, false, nullptr);
        LogCapture log;
        EXPECT_EQ(EncodeJpeg(stream, image.get(), false, nullptr), 0);
        EXPECT_EQ(log.Count(), 1u);
        stream->Release();
    }
    // Every byte fits but the final flush fails.
    std::vector<uint8_t> buffer(1 << 20);
    Stream* stream = MemoryStream(buffer.data(), static_cast<uint32_t>(buffer.size()), false, nullptr);
    StreamOps ops = *stream->ops;
    ops.Flush = FailingFlush;
    const StreamOps* original = stream->ops;
    stream->ops = &ops;
    LogCapture log;
    EXPECT_EQ(EncodeJpeg(stream, image.get(), false, nullptr), 0);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Failed to write the JPEG image: the stream could not be flushed"});
    stream->ops = original;
    stream->Release();
}

TEST(JpegEncoder, OtherTypesAreRefused) {
    ImagePtr image(Image::New(4, 4, kPixelRgb565, nullptr));
    std::vector<uint8_t> buffer(4096);
    Stream* stream = MemoryStream(buffer.data(), 4096, false, nullptr);
    EXPECT_EQ(EncodeJpeg(stream, image.get(), false, nullptr), 0);
    EXPECT_EQ(stream->Tell(), 0u);
    stream->Release();
}

}  // namespace
