// Pictures stored zlib-compressed (as a pack stores them) cannot seek back
// over their first two bytes; they must decode exactly as the plain bytes do.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "core/allocator.h"
#include "fs/stream.h"
#include "gfx/image.h"
#include "gfx/image_file.h"
#include "tests/gfx_images/image_test_files.h"

namespace {

Image* DecodeCompressed(const std::string& bytes) {
    uLongf packedSize = compressBound(bytes.size());
    auto* packed = static_cast<Bytef*>(Alloc(nullptr, packedSize, 0));
    EXPECT_EQ(compress2(packed, &packedSize, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size(), 5), Z_OK);
    Stream* memory = MemoryStream(packed, static_cast<uint32_t>(packedSize), true, nullptr);
    Stream* inflate = ZlibStream(memory, static_cast<uint32_t>(bytes.size()), kZlibInflate, nullptr);
    Image* image = LoadImage(inflate, nullptr);
    inflate->Release();
    return image;
}

TEST(CompressedEntry, EveryFormatDecodesAsItsPlainBytes) {
    PngLayout png = NoisePngLayout(6, 8, false, 5, 3, 11);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"png", WritePng(png)},
        {"bmp", MakeBmp(2, 2, 24, 0, 0, std::string(16, '\x5a'))},
        {"dds", MakeDds(4, 4, "DXT1", std::string("\x00\xf8\x1f\x00\x00\x00\x00\x00", 8))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImagePtr plain(DecodeBytes(c.bytes));
        ASSERT_NE(plain, nullptr);
        ImagePtr packed(DecodeCompressed(c.bytes));
        ASSERT_NE(packed, nullptr);
        EXPECT_EQ(packed->type, plain->type);
        EXPECT_EQ(packed->width, plain->width);
        EXPECT_EQ(packed->height, plain->height);
        EXPECT_EQ(Pixels(packed.get()), Pixels(plain.get()));
    }
}

TEST(CompressedEntry, UnknownOrShortDataStaysRefused) {
    EXPECT_EQ(DecodeCompressed("XY and more"), nullptr);
    EXPECT_EQ(DecodeCompressed(std::string("\x89P", 2)), nullptr);
}

}  // namespace
