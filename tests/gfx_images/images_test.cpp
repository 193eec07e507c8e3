// Image readers on files from libpng, ImageMagick and hand-made headers; hostile and cut files; JPEG round
// trips; the atlas allocator with fake page textures; background loading with real task queues and GL.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "core/allocator.h"
#include "core/task_system.h"
#include "fs/stream.h"
#include "gfx/async_texture.h"
#include "gfx/image.h"
#include "gfx/image_atlas.h"
#include "gfx/image_file.h"
#include "gfx/sprite.h"
#include "platform/threads.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

namespace {

PngLayout Layout(int colourType, int bitDepth, bool interlaced, int width, int height, std::vector<uint8_t> rows) {
    return PngLayout{width, height, colourType, bitDepth, interlaced, std::move(rows), {}, {}};
}

TEST(PngReader, DecodesTheWrittenSamples) {
    const struct { int colourType, bitDepth; bool interlaced; int width, height; } cases[] = {
        {PNG_COLOR_TYPE_RGB, 8, false, 5, 3}, {PNG_COLOR_TYPE_RGB_ALPHA, 8, false, 7, 4}, {PNG_COLOR_TYPE_RGB, 16, false, 3, 2},
        {PNG_COLOR_TYPE_RGB_ALPHA, 16, false, 4, 5}, {PNG_COLOR_TYPE_RGB_ALPHA, 8, true, 13, 11}, {PNG_COLOR_TYPE_RGB_ALPHA, 8, false, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.colourType << " " << c.bitDepth << " " << c.width << "x" << c.height);
        const bool alpha = c.colourType == PNG_COLOR_TYPE_RGB_ALPHA;
        RawImage source = TestPattern(c.width, c.height, 7, !alpha);
        std::vector<uint8_t> samples = alpha ? source.rgba : RgbOf(source), rows;
        for (size_t i = 0; i < samples.size(); ++i) {  // 16 bits: the 8-bit value, then noise that must be cut
            rows.push_back(samples[i]);
            if (c.bitDepth == 16) rows.push_back(static_cast<uint8_t>(i * 37));
        }
        LogCapture log;
        ImagePtr image(DecodeBytes(WritePng(Layout(c.colourType, c.bitDepth, c.interlaced, c.width, c.height, rows))));
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(image->type == (alpha ? kPixelRgba8888 : kPixelRgb888) && image->width == c.width && image->height == c.height);
        EXPECT_TRUE(Pixels(image.get()) == samples && log.Count() == 0u);
    }
    for (int depth : {1, 2, 4, 8}) {  // palettes: indices unpacked, alpha from the transparency chunk
        const int width = 11, height = 3, colours = depth == 1 ? 2 : 3, rowBytes = (width * depth + 7) / 8;
        std::vector<uint8_t> indices, rows(static_cast<size_t>(rowBytes) * height, 0);
        for (int i = 0; i < width * height; ++i) {
            indices.push_back(static_cast<uint8_t>((i * 5) % colours));
            int bit = (i % width) * depth;
            rows[(i / width) * rowBytes + bit / 8] |= static_cast<uint8_t>(indices[i] << (8 - depth - bit % 8));
        }
        PngLayout layout = Layout(PNG_COLOR_TYPE_PALETTE, depth, false, width, height, rows);
        layout.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
        layout.palette.resize(static_cast<size_t>(colours) * 3);
        layout.alphas = {128};  // covers entry 0 only
        ImagePtr image(DecodeBytes(WritePng(layout)));
        ASSERT_TRUE(image && image->type == kPixelIndexed8 && image->dataSize == kPaletteBytes + width * height);
        const uint8_t* palette = image->pixels;
        EXPECT_EQ(std::vector<uint8_t>(palette, palette + 8), (std::vector<uint8_t>{10, 20, 30, 128, 40, 50, 60, 255}));
        for (int i = colours; i < 256; ++i) EXPECT_EQ(palette[i * 4 + 3], 0) << "entry " << i;
        EXPECT_EQ(std::vector<uint8_t>(palette + kPaletteBytes, palette + image->dataSize), indices) << depth;
    }
}

// ImageMagick's bitmaps; widths 1, 2, 3 and 5 give every amount of row padding.
TEST(ImageMagickFiles, DecodeToTheSamePicture) {
    if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    for (int width : {1, 2, 3, 5}) {
        RawImage source = TestPattern(width, 3, 11, false);
        const std::string png = WritePng(Layout(PNG_COLOR_TYPE_RGB_ALPHA, 8, false, width, 3, source.rgba));
        const struct {
            const char* output;
            std::vector<std::string> options;
            PixelFormat type;
        } cases[] = {{"BMP3:out.bmp", {"-alpha", "off", "-type", "TrueColor"}, kPixelRgb888},
                     {"BMP3:out.bmp", {"-define", "bmp3:alpha=true"}, kPixelRgba8888},
                     // A 124-byte header: the rows start at the file's data offset.
                     {"BMP:out.bmp", {"-alpha", "off", "-type", "TrueColor"}, kPixelRgb888}};
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.output << " " << width);
            std::string bytes = ConvertWithImageMagick(png, "png", c.options, c.output);
            ASSERT_FALSE(bytes.empty());
            ImagePtr image(DecodeBytes(bytes));
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->type, c.type);
            EXPECT_EQ(Pixels(image.get()), c.type == kPixelRgba8888 ? source.rgba : RgbOf(source));
        }
    }
}

std::string WithHeaderSize(std::string bytes, uint32_t infoSize, uint32_t dataOffset) {
    for (int i = 0; i < 4; ++i) {
        bytes[14 + i] = static_cast<char>(infoSize >> (8 * i));
        bytes[10 + i] = static_cast<char>(dataOffset >> (8 * i));
    }
    return bytes;
}

TEST(ImageReaders, RefuseWhatTheyCannotReadWithTheirLine) {
    const std::string rows(64, '\x11'), data(64, '\x5A'), good = MakeBmp(4, 2, 24, 0, 0, rows);
    const struct { const char* name; std::string bytes; std::vector<std::string> log; } cases[] = {
        {"bmp core header", WithHeaderSize(good, 12, 54), {"Error: Failed to analyze BMP header."}},
        {"bmp data inside a long header", WithHeaderSize(good, 108, 100), {"Error: Invalid BMP data offset 100."}},
        {"bmp data past the end", WithHeaderSize(good, 108, 4000), {"Error: BMP pixel data is truncated (4x2)."}},
        {"bmp palette", MakeBmp(4, 2, 8, 0, 16, rows), {"Error: Pallet Bitmap is not supported."}},
        {"bmp run-length", MakeBmp(4, 2, 8, 1, 0, rows), {"Error: Compression Bitmap is not supported."}},
        {"bmp 8 bits without colours", MakeBmp(4, 2, 8, 0, 0, rows), {}},
        {"bmp 16 bits", MakeBmp(4, 2, 16, 0, 0, rows), {}},
        {"dds DXT5", MakeDds(4, 4, "DXT5", std::string(16, '\0')), {"Error: Not support Compress format."}},
        {"pvr tag", MakePvr(8, 8, 25, 4, 32, data, "PVR?"), {"Error: Failed to analyze PVR header."}},
        {"pvr flags with alpha", MakePvr(8, 8, 25 | 0x8000, 4, 32, data), {"Error: Not support Compress format."}},
        {"pvr other format", MakePvr(8, 8, 26, 4, 32, data), {"Error: Not support Compress format."}},
        {"pvr bits too large", MakePvr(8, 8, 24, 8, 64, data), {"Error: Failed to analyze PVR header."}},
        {"pvr data below the level", MakePvr(8, 8, 25, 4, 16, data), {"Error: PVR data is truncated (8x8)."}},
        {"unknown", "XY and more", {}},
        {"short", "B", {}},
        {"png grey", WritePng(Layout(PNG_COLOR_TYPE_GRAY, 8, false, 2, 2, std::vector<uint8_t>(4, 99))),
         {"Error: That image file is not supported color type."}},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(DecodeBytes(c.bytes), nullptr) << c.name;
        EXPECT_EQ(log.Lines(), c.log) << c.name;
    }
}

std::string Png(int colourType, int depth, bool interlaced, int width, int height) {
    PngLayout layout = NoisePngLayout(colourType, depth, interlaced, width, height, 21);
    if (colourType == 3) {
        layout.palette.assign(3 * 16, 77);
        layout.alphas = {1, 2, 3};
    }
    return WritePng(layout);
}

// Through zlib, as a pack stores pictures: the reader cannot seek back.
Image* DecodeCompressed(const std::string& bytes) {
    uLongf packedSize = compressBound(bytes.size());
    auto* packed = static_cast<Bytef*>(Alloc(nullptr, packedSize, 0));
    EXPECT_EQ(compress2(packed, &packedSize, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size(), 5), Z_OK);
    Stream* inflate = ZlibStream(MemoryStream(packed, static_cast<uint32_t>(packedSize), true, nullptr),
                                 static_cast<uint32_t>(bytes.size()), kZlibInflate, nullptr);
    Image* image = LoadImage(inflate, nullptr);
    inflate->Release();
    return image;
}

bool SameImage(const Image* a, const Image* b) {
    return a && b && a->type == b->type && a->width == b->width && a->height == b->height &&
           Pixels(a) == Pixels(b);
}

TEST(HostileFiles, EveryTruncationFailsCleanlyOrKeepsThePicture) {
    std::string bmpRows;
    for (int i = 0; i < 3 * 8; ++i) bmpRows += static_cast<char>(i * 13);
    const std::pair<const char*, std::string> files[] = {
        {"png rgb", Png(2, 8, false, 9, 7)},          {"png rgba interlaced", Png(6, 8, true, 10, 9)},
        {"png rgb 16", Png(2, 16, false, 4, 4)},       {"png palette 4", Png(3, 4, false, 7, 5)},
        {"png palette 8", Png(3, 8, false, 5, 5)},     {"bmp 24 bottom-up", MakeBmp(2, 3, 24, 0, 0, bmpRows)},
        {"bmp 32 top-down", MakeBmp(2, -3, 32, 0, 0, bmpRows)}, {"dds dxt1", MakeDds(8, 8, "DXT1", std::string(32, 'D'))},
        {"pvr 4bpp", MakePvr(8, 8, 25, 4, 32, std::string(32, '3'))},
        {"pvr 2bpp", MakePvr(16, 8, 24, 2, 32, std::string(32, '3'))}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        ImagePtr whole(DecodeBytes(bytes));
        ASSERT_NE(whole, nullptr);
        if (name[0] == 'd' || name[1] == 'v') { EXPECT_EQ(Pixels(whole.get()), std::vector<uint8_t>(32, bytes.back())); }
        EXPECT_TRUE(SameImage(ImagePtr(DecodeCompressed(bytes)).get(), whole.get()));
        for (size_t length = 0; length < bytes.size(); ++length) {
            LogCapture log;
            // A copy of exactly `length` bytes, so ASan sees any read past the end.
            std::unique_ptr<char[]> cut(new char[length + 1]);
            std::copy(bytes.begin(), bytes.begin() + static_cast<long>(length), cut.get());
            ImagePtr image(DecodeBytes(std::string(cut.get(), length)));
            // Only the bytes after the last pixel (a PNG's end chunk) may be missing.
            EXPECT_TRUE(image == nullptr || SameImage(image.get(), whole.get())) << "cut at " << length;
            EXPECT_LE(log.Count(), 1u) << "cut at " << length;
        }
    }
}

std::string PngWithHeader(uint32_t width, uint32_t height) {
    std::string bytes = Png(6, 8, false, 1, 1);
    auto put = [&](size_t at, uint32_t value) { for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (24 - 8 * i)); };
    put(16, width);
    put(20, height);
    put(29, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(&bytes[12]), 17)));
    return bytes;
}

TEST(HostileFiles, HeadersWithImpossibleSizes) {
    const std::string some(256, '\x20');
    std::string bigInfo = MakeBmp(4, 4, 24, 0, 0, some);
    for (int i = 0; i < 4; ++i) bigInfo[14 + i] = static_cast<char>(0xFFFFFFF8u >> (8 * i));
    const std::string cases[] = {
        MakeBmp(0, 4, 24, 0, 0, some),           MakeBmp(-4, 4, 24, 0, 0, some),
        MakeBmp(4, 0, 24, 0, 0, some),           MakeBmp(4, INT32_MIN, 24, 0, 0, some),
        MakeBmp(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, some), MakeBmp(4000, 4000, 32, 0, 0, some), bigInfo,
        MakeDds(0, 4, "DXT1", some),             MakeDds(-8, 8, "DXT1", some),
        MakeDds(0x40000000, 0x40000000, "DXT1", some), MakeDds(4096, 4096, "DXT1", some),
        MakePvr(0x7FFFFFFF, 0x7FFFFFFF, 25, 4, 0xFFFFFFFFu, some), MakePvr(-8, 8, 25, 4, 32, some),
        MakePvr(4096, 4096, 25, 4, 8388608, some), PngWithHeader(0, 1), PngWithHeader(100000, 1),
        PngWithHeader(0x80000000u, 1),           PngWithHeader(8000, 8000)};
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        LogCapture log;
        EXPECT_EQ(DecodeBytes(cases[i]), nullptr) << "case " << i;
        EXPECT_EQ(log.Count(), 1u) << "case " << i;
    }
}

TEST(ImageConversion, FillTransparentPixelsAndNewImage) {
    // Transparent pixels take the mean of their up and left neighbours and a sixth of their alpha.
    const std::vector<uint8_t> in = {90, 0, 0, 255, 30, 60, 0, 255, 0, 0, 90, 240, 0, 30, 0, 200, 0, 0, 0, 0,
                                     0, 0, 0, 0, 60, 0, 30, 255, 0, 0, 0, 0, 0, 0, 0, 0};
    ImagePtr image(Image::New(3, 3, kPixelRgba8888, nullptr));
    std::copy(in.begin(), in.end(), image->pixels);
    FillTransparentPixels(image.get());
    const std::vector<uint8_t> want = {90, 0, 0, 255, 30, 60, 0, 255, 0, 0, 90, 240, 0, 30, 0, 200, 15, 45, 0, 75,
                                       7, 22, 45, 52, 60, 0, 30, 255, 37, 22, 15, 55, 22, 22, 30, 17};
    EXPECT_EQ(Pixels(image.get()), want);
    ImagePtr indexed(NewImage(3, 2, kPixelIndexed8, nullptr));
    EXPECT_TRUE(indexed && indexed->dataSize == 1024 + 6 && reinterpret_cast<uintptr_t>(indexed->pixels) % 16 == 0);
    for (PixelFormat type : {5, 6, 8, 12, 14, 18, 20, 21, -1}) {
        LogCapture log;
        EXPECT_EQ(NewImage(3, 2, type, nullptr), nullptr) << type;
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Invalid image type."}) << type;
    }
    EXPECT_EQ(NewImage(0, 2, kPixelRgba8888, nullptr), nullptr);
    EXPECT_EQ(ImageDataSize(kPixelAlpha8, kMaxImageSide, 1), uint32_t{kMaxImageSide});
    EXPECT_TRUE(ImageDataSize(kPixelAlpha8, kMaxImageSide + 1, 1) == 0u && ImageDataSize(kPixelAlpha8, 1, kMaxImageSide + 1) == 0u);
}

TEST(PngReader, IndicesBeyondThePaletteExpandToTransparentBlack) {
    PngLayout layout = Layout(PNG_COLOR_TYPE_PALETTE, 8, false, 3, 1, {0, 5, 255});
    layout.palette = {200, 100, 50};
    ImagePtr image(DecodeBytes(WritePng(layout)));
    ASSERT_NE(image, nullptr);
    ImagePtr rgba(ExpandPaletteToRgba(image.get())), other(Image::New(32, 32, kPixelRgba8888, nullptr));
    ASSERT_NE(rgba, nullptr);
    EXPECT_TRUE(ExpandPaletteToRgba(nullptr) == nullptr && ExpandPaletteToRgba(other.get()) == nullptr);  // no palette
    EXPECT_EQ(Pixels(rgba.get()), (std::vector<uint8_t>{200, 100, 50, 255, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// Two bands of whole 16 x 16 blocks, so the row order shows and each block is solid.
TEST(JpegEncoder, RoundTripsThroughLibjpegWithinThree) {
    const uint8_t bands[2][3] = {{200, 40, 90}, {20, 180, 240}};
    for (PixelFormat type : {kPixelRgba8888, kPixelRgb888}) {
        ImagePtr image(Image::New(16, 32, type, nullptr));
        const int bytes = type == kPixelRgba8888 ? 4 : 3;
        for (int i = 0; i < 16 * 32; ++i) {
            memcpy(image->pixels + i * bytes, bands[i >= 16 * 16], 3);
            if (bytes == 4) image->pixels[i * 4 + 3] = 7;  // alpha must not matter
        }
        for (bool bottomUp : {false, true}) {
            SCOPED_TRACE(testing::Message() << type << (bottomUp ? " bottom-up" : " top-down"));
            std::vector<uint8_t> bytesOut(1 << 20);
            Stream* stream = MemoryStream(bytesOut.data(), static_cast<uint32_t>(bytesOut.size()), false, nullptr);
            ASSERT_EQ(EncodeJpeg(stream, image.get(), bottomUp, nullptr), 1);
            jpeg_decompress_struct info;
            jpeg_error_mgr errors;
            info.err = jpeg_std_error(&errors);
            jpeg_create_decompress(&info);
            jpeg_mem_src(&info, bytesOut.data(), static_cast<unsigned long>(stream->Tell()));
            stream->Release();
            ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
            info.out_color_space = JCS_RGB;
            info.do_fancy_upsampling = FALSE;  // keeps each block's colour to itself
            jpeg_start_decompress(&info);
            ASSERT_TRUE(info.output_width == 16 && info.output_height == 32);
            std::vector<uint8_t> rgb(16 * 32 * 3);
            while (info.output_scanline < info.output_height) {
                JSAMPROW row = &rgb[info.output_scanline * 16 * 3];
                jpeg_read_scanlines(&info, &row, 1);
            }
            jpeg_finish_decompress(&info);
            jpeg_destroy_decompress(&info);
            for (int i = 0; i < 16 * 32 * 3; ++i) ASSERT_NEAR(rgb[i], bands[(i >= 16 * 16 * 3) != bottomUp][i % 3], 3) << i;
        }
    }
}

int32_t FailingFlush(Stream*) { return -1; }

TEST(JpegEncoder, AStreamThatRefusesBytesOrOtherTypesFailTheEncode) {
    ImagePtr image(Image::New(256, 256, kPixelRgb888, nullptr));
    const std::vector<uint8_t> noise = RgbOf(TestPattern(256, 256, 5, true));
    std::copy(noise.begin(), noise.end(), image->pixels);
    std::vector<uint8_t> buffer(1 << 20);
    for (uint32_t room : {0u, 100u, 40000u, 1u << 20}) {
        SCOPED_TRACE(room);
        Stream* stream = MemoryStream(buffer.data(), room, false, nullptr);
        StreamOps ops = *stream->ops;
        const StreamOps* original = stream->ops;
        ops.Flush = FailingFlush;  // with room for every byte, the final flush fails
        if (room == 1u << 20) stream->ops = &ops;
        LogCapture log;
        EXPECT_TRUE(EncodeJpeg(stream, image.get(), false, nullptr) == 0 && log.Count() == 1u);
        if (room == 1u << 20) { EXPECT_TRUE(log.Has("Error: Failed to write the JPEG image: the stream could not be flushed")); }
        stream->ops = original;
        stream->Release();
    }
    ImagePtr other(Image::New(4, 4, kPixelRgb565, nullptr));
    Stream* stream = MemoryStream(buffer.data(), 4096, false, nullptr);
    EXPECT_TRUE(EncodeJpeg(stream, other.get(), false, nullptr) == 0 && stream->Tell() == 0u);
    stream->Release();
}

std::set<Texture*> gLivePages;

const AtlasTextureFactory kFakeFactory = {
    [](Allocator*) { return *gLivePages.insert(static_cast<Texture*>(Alloc(nullptr, 1, 0))).first; },
    [](Texture* texture) {
        EXPECT_EQ(gLivePages.erase(texture), 1u) << "page texture destroyed twice";
        Allocator::Free(texture);
    }};

class ImageAtlasTest : public ::testing::Test {
protected:
    void SetUp() override { ImageAtlas::SetTextureFactory(&kFakeFactory); ImageAtlas::Init(); }
    void TearDown() override {
        ImageAtlas::Shutdown();
        ImageAtlas::SetTextureFactory(nullptr);
        EXPECT_TRUE(gLivePages.empty());
        gLivePages.clear();
    }
};

TEST_F(ImageAtlasTest, FirstAreaSplitsThePageAndImpossibleRequestsGiveNull) {
    AtlasArea* area = ImageAtlas::Allocate(100, 50, 0, nullptr);
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->x == 0 && area->y == 0 && area->width == 100 && area->height == 50 && area->refCount == 1);
    AtlasArea free[4];
    ASSERT_EQ(ImageAtlas::FreeRectangles(0, free, 4), 2);
    EXPECT_TRUE(free[0].x == 100 && free[0].y == 0 && free[0].width == 924 && free[0].height == 50);
    EXPECT_TRUE(free[1].x == 0 && free[1].y == 50 && free[1].width == 1024 && free[1].height == 974);
    ImageAtlas::Release(area);

    std::vector<AtlasArea*> pages;
    for (int i = 0; i < kAtlasPageCount; ++i) pages.push_back(ImageAtlas::Allocate(1024, 1024, 0, nullptr));
    EXPECT_EQ(ImageAtlas::PageCount(), kAtlasPageCount);
    for (const auto& size : {std::pair<int, int>{1, 1}, {0, 5}, {5, 0}, {-1, 5}, {1025, 1}, {1, 1025}}) {
        LogCapture log;
        EXPECT_EQ(ImageAtlas::Allocate(size.first, size.second, 0, nullptr), nullptr);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Failed to allocate image area."});
    }
    for (AtlasArea* page : pages) ImageAtlas::Release(page);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
}

struct Rect { int x, y, w, h; Texture* page; };

bool Overlap(const Rect& a, const Rect& b) {
    return a.page == b.page && a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// Every page is covered exactly once by its live areas and free rectangles.
void CheckCoverage(const std::vector<AtlasArea*>& live) {
    std::vector<Rect> all;
    for (AtlasArea* area : live) all.push_back({area->x, area->y, area->width, area->height, area->texture});
    std::vector<AtlasArea> rects(4096);
    for (int slot = 0; slot < kAtlasPageCount; ++slot) {
        Texture* page = ImageAtlas::PageTexture(slot);
        const int count = page ? ImageAtlas::FreeRectangles(slot, rects.data(), 4096) : 0;
        ASSERT_LE(count, 4096);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(rects[i].refCount, 0);
            all.push_back({rects[i].x, rects[i].y, rects[i].width, rects[i].height, page});
        }
    }
    std::map<Texture*, int64_t> covered;
    for (size_t i = 0; i < all.size(); ++i) {
        const Rect& r = all[i];
        ASSERT_TRUE(r.w > 0 && r.h > 0 && r.x >= 0 && r.y >= 0 && r.x + r.w <= 1024 && r.y + r.h <= 1024)
            << r.x << "," << r.y << " " << r.w << "x" << r.h;
        for (size_t j = i + 1; j < all.size(); ++j) ASSERT_FALSE(Overlap(r, all[j])) << "rectangles " << i << ", " << j;
        covered[r.page] += int64_t{r.w} * r.h;
    }
    for (int slot = 0; slot < kAtlasPageCount; ++slot)
        if (Texture* page = ImageAtlas::PageTexture(slot)) { EXPECT_EQ(covered[page], 1024 * 1024) << slot; }
}

TEST_F(ImageAtlasTest, TenThousandRandomStepsKeepEveryPageExactlyCovered) {
    std::mt19937 random(12345);
    std::vector<AtlasArea*> live;
    int failures = 0;
    LogCapture log;  // a full atlas logs; that is expected here
    for (int step = 0; step < 10000; ++step) {
        bool allocate = live.empty() || random() % 100 < 55;
        if (allocate) {
            const int kind = random() % 10, limit = kind == 0 ? 1024 : kind < 4 ? 16 : 256;
            const int w = 1 + static_cast<int>(random() % limit), h = 1 + static_cast<int>(random() % limit);
            AtlasArea* area = ImageAtlas::Allocate(w, h, 0, nullptr);
            if (area == nullptr) {
                ++failures;
                continue;
            }
            ASSERT_TRUE(area->width == w && area->height == h);
            live.push_back(area);
        } else {
            size_t index = random() % live.size();
            ImageAtlas::Release(live[index]);
            live.erase(live.begin() + static_cast<long>(index));
        }
        if (step % 250 == 0) {
            CheckCoverage(live);
            if (HasFatalFailure()) return;
        }
    }
    CheckCoverage(live);
    EXPECT_EQ(static_cast<size_t>(failures), log.Count());
    std::shuffle(live.begin(), live.end(), random);
    for (AtlasArea* area : live) ImageAtlas::Release(area);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
}

std::string RgbaPng(const RawImage& source) {
    return WritePng(PngLayout{source.width, source.height, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, source.rgba, {}, {}});
}

class AsyncTextureTest : public GfxTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(TaskSystem::Init(nullptr));
        GfxTest::SetUp();  // also empties the image atlas
    }
    void TearDown() override {
        EXPECT_EQ(GetAsyncTextureList().count, 0u) << "a test left images alive";
        EXPECT_EQ(ImageAtlas::PageCount(), 0);
        GfxTest::TearDown();
        TaskSystem::Shutdown();
    }
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        EXPECT_TRUE(folder_.Write(name, bytes));
        return folder_.File(name);
    }
    static int WaitForDecode(AsyncTexture* image) {
        WaitUntil([&] { return image->state.load() != kAsyncTextureLoading; });
        return image->state.load();
    }
    AsyncTexture* LoadNow(const std::string& path, bool useAtlas) {
        AsyncTexture* texture = NewTextureAsync(path.c_str(), useAtlas ? 1 : 0, nullptr, nullptr);
        WaitForDecode(texture);
        TaskSystem::RunMainQueue();
        return texture;
    }
    // Draws the image 1:1 with a sprite, its top-left corner at (x, y).
    std::vector<uint8_t> Draw(AsyncTexture* image, int x, int y) {
        const TextureArea* area = AsyncTexture::GetArea(image);
        if (area == nullptr) return {};
        Sprite* sprite = Sprite::Create(nullptr);
        sprite->SetImage(image);
        sprite->SetBlend(0);
        sprite->SetPos(x + area->width / 2, y + area->height / 2);
        Sprite::Draw(sprite);
        Sprite::Destroy(sprite);
        return ReadRect(x, y, area->width, area->height);
    }
    TempDir folder_;
};

TEST_F(AsyncTextureTest, SmallImagesShareAnAtlasPageAndDrawTheirOwnPixels) {
    RawImage first = TestPattern(100, 60, 2, true), second = TestPattern(30, 20, 3, true);
    AsyncTexture* a = LoadNow(WriteFile("a.png", RgbaPng(first)), true);
    AsyncTexture* b = LoadNow(WriteFile("b.png", RgbaPng(second)), true);
    ASSERT_TRUE(a->state.load() == kAsyncTextureReady && b->state.load() == kAsyncTextureReady);
    ASSERT_TRUE(a->atlasArea && b->atlasArea);
    EXPECT_TRUE(a->area->texture == b->area->texture && ImageAtlas::PageCount() == 1);
    EXPECT_NE(b->area->x + b->area->y, 0);  // the second one sits elsewhere in the page
    EXPECT_TRUE(Draw(a, 10, 10) == first.rgba && Draw(b, 150, 120) == second.rgba);
    ReleaseTexture(a);
    ReleaseTexture(b);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
    // Only a power-of-two picture of at least 128 on both sides gets a texture of its own.
    for (const auto& [w, h, own] : {std::tuple{128, 64, false}, {64, 128, false}, {192, 128, false}, {128, 192, false},
                                    {128, 128, true}}) {
        AsyncTexture* image = LoadNow(WriteFile("s.png", RgbaPng(TestPattern(w, h, 1, true))), true);
        EXPECT_EQ(image->atlasArea == nullptr, own) << w << "x" << h;
        ReleaseTexture(image);
    }
}

TEST_F(AsyncTextureTest, AFileThatIsNoImageEndsInTheFailedState) {
    LogCapture log;
    AsyncTexture* image = LoadNow(WriteFile("text.png", "not an image at all"), true);
    EXPECT_TRUE(image->state.load() == kAsyncTextureFailed && AsyncTexture::GetArea(image) == nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Invalid image format. \"" + folder_.File("text.png") + "\""});
    ReleaseTexture(image);
}

// Releases at every stage of a load; nothing may run on freed memory afterwards.
TEST_F(AsyncTextureTest, ReleasingDuringALoadLeavesNoTaskBehind) {
    const std::string path = WriteFile("r.png", RgbaPng(TestPattern(64, 32, 7, true)));
    for (int i = 0; i < 1000; ++i) {
        AsyncTexture* image = NewTextureAsync(path.c_str(), i % 2, nullptr, nullptr);
        ASSERT_NE(image, nullptr);
        if (i % 7 == 0) SleepMs(0);
        ReleaseTexture(image);
    }
    for (int i = 0; i < 100; ++i) {
        AsyncTexture* image = NewTextureAsync(path.c_str(), 1, nullptr, nullptr);
        ASSERT_EQ(WaitForDecode(image), kAsyncTextureDecoded);
        ReleaseTexture(image);  // its upload is still queued
    }
    TaskSystem::RunMainQueue();
    EXPECT_TRUE(GetAsyncTextureList().count == 0u && ImageAtlas::PageCount() == 0);
}

}  // namespace
