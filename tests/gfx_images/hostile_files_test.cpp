// Damaged and hostile image files: every good file cut at every byte, and
// headers with zero, negative or huge sizes. Each must give null (or, when
// every pixel is already there, the same picture) with at most one log line,
// never a crash or a read outside the data. Meant to run under ASan/UBSan.
#include <gtest/gtest.h>

#include <memory>

#include "gfx/image.h"
#include "gfx/image_file.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"

namespace {

std::string Png(int colourType, int depth, bool interlaced, int width, int height) {
    PngLayout layout = NoisePngLayout(colourType, depth, interlaced, width, height, 21);
    if (colourType == 3) {
        layout.palette.assign(3 * 16, 77);
        layout.alphas = {1, 2, 3};
    }
    return WritePng(layout);
}

std::vector<std::pair<std::string, std::string>> GoodFiles() {
    std::string pvrData(32, '\x33');
    std::string dxt(32, '\x44');
    std::string bmpRows;
    for (int i = 0; i < 3 * 8; ++i) bmpRows += static_cast<char>(i * 13);
    return {
        {"png rgb", Png(2, 8, false, 9, 7)},
        {"png rgba", Png(6, 8, false, 6, 5)},
        {"png rgba interlaced", Png(6, 8, true, 10, 9)},
        {"png rgb 16", Png(2, 16, false, 4, 4)},
        {"png palette 4", Png(3, 4, false, 7, 5)},
        {"png palette 8", Png(3, 8, false, 5, 5)},
        {"bmp 24 bottom-up", MakeBmp(2, 3, 24, 0, 0, bmpRows)},
        {"bmp 32 top-down", MakeBmp(2, -3, 32, 0, 0, bmpRows)},
        {"dds dxt1", MakeDds(8, 8, "DXT1", dxt)},
        {"pvr 4bpp", MakePvr(8, 8, 25, 4, 32, pvrData)},
        {"pvr 2bpp", MakePvr(16, 8, 24, 2, 32, pvrData)},
    };
}

bool SameImage(const Image* a, const Image* b) {
    return a->type == b->type && a->width == b->width && a->height == b->height && a->dataSize == b->dataSize &&
           std::equal(a->pixels, a->pixels + a->dataSize, b->pixels);
}

TEST(HostileFiles, EveryTruncationFailsCleanlyOrKeepsThePicture) {
    for (const auto& [name, bytes] : GoodFiles()) {
        SCOPED_TRACE(name);
        ImagePtr whole(DecodeBytes(bytes));
        ASSERT_NE(whole, nullptr);
        for (size_t length = 0; length < bytes.size(); ++length) {
            LogCapture log;
            // A copy of exactly `length` bytes, so ASan sees any read past the end.
            std::unique_ptr<char[]> cut(new char[length + 1]);
            std::copy(bytes.begin(), bytes.begin() + static_cast<long>(length), cut.get());
            ImagePtr image(DecodeBytes(std::string(cut.get(), length)));
            if (image != nullptr) {
                // Only the bytes after the last pixel (a PNG's end chunk) may be missing.
                EXPECT_TRUE(SameImage(image.get(), whole.get())) << "cut at " << length;
            }
            EXPECT_LE(log.Count(), 1u) << "cut at " << length;
        }
    }
}

std::string PngWithHeader(uint32_t width, uint32_t height) {
    // A valid 1x1 file whose header then claims another size (CRC fixed).
    std::string bytes = Png(6, 8, false, 1, 1);
    auto put = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
    };
    put(16, width);
    put(20, height);
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 12; i < 29; ++i) {
        crc ^= static_cast<uint8_t>(bytes[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    put(29, ~crc);
    return bytes;
}

// A bitmap whose information header claims `infoSize` bytes.
std::string BmpWithInfoSize(uint32_t infoSize, const std::string& rows) {
    std::string bytes = MakeBmp(4, 4, 24, 0, 0, rows);
    for (int i = 0; i < 4; ++i) bytes[14 + i] = static_cast<char>(infoSize >> (8 * i));
    return bytes;
}

TEST(HostileFiles, HeadersWithImpossibleSizes) {
    const std::string some(256, '\x20');
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"bmp width 0", MakeBmp(0, 4, 24, 0, 0, some)},
        {"bmp negative width", MakeBmp(-4, 4, 24, 0, 0, some)},
        {"bmp height 0", MakeBmp(4, 0, 24, 0, 0, some)},
        {"bmp most negative height", MakeBmp(4, INT32_MIN, 24, 0, 0, some)},
        {"bmp huge", MakeBmp(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, some)},
        {"bmp larger than its data", MakeBmp(4000, 4000, 32, 0, 0, some)},
        {"bmp header larger than the file", BmpWithInfoSize(0xFFFFFFF8u, some)},
        {"dds width 0", MakeDds(0, 4, "DXT1", some)},
        {"dds negative", MakeDds(-8, 8, "DXT1", some)},
        {"dds huge", MakeDds(0x40000000, 0x40000000, "DXT1", some)},
        {"dds larger than its data", MakeDds(4096, 4096, "DXT1", some)},
        {"pvr huge", MakePvr(0x7FFFFFFF, 0x7FFFFFFF, 25, 4, 0xFFFFFFFFu, some)},
        {"pvr negative", MakePvr(-8, 8, 25, 4, 32, some)},
        {"pvr larger than its data", MakePvr(4096, 4096, 25, 4, 8388608, some)},
        {"png width 0", PngWithHeader(0, 1)},
        {"png over the side limit", PngWithHeader(100000, 1)},
        {"png 2^31 wide", PngWithHeader(0x80000000u, 1)},
        {"png far more pixels than its data", PngWithHeader(8000, 8000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        EXPECT_EQ(DecodeBytes(c.bytes), nullptr);
        EXPECT_EQ(log.Count(), 1u);
    }
}

}  // namespace
