// Windows bitmap reader: uncompressed 24-bit and 32-bit files without a
// palette. The pack's bitmaps have the 40-byte information header with the
// pixel rows right behind it; longer headers place the rows at the file's
// data offset.
#include <cstdlib>
#include <vector>

#include "gfx/image_file.h"
#include "gfx/image_reader_util.h"
#include "platform/debug_log.h"

using namespace image_reader;

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

}  // namespace

Image* ImageLoadBmp(Stream* stream, Allocator* allocator) {
    const uint32_t start = stream->Tell();
    uint8_t header[kFileHeaderSize + kInfoHeaderSize];
    if (!ReadExact(stream, header, sizeof header) || header[0] != 'B' || header[1] != 'M') {
        LogError("Failed to analyze BMP header.");
        return nullptr;
    }
    const uint32_t dataOffset = U32At(header + 10);
    const uint8_t* info = header + kFileHeaderSize;
    const uint32_t infoSize = U32At(info);
    const int32_t width = I32At(info + 4);
    const int32_t height = I32At(info + 8);
    const uint16_t bitCount = U16At(info + 14);
    const uint32_t compression = U32At(info + 16);
    const uint32_t coloursUsed = U32At(info + 32);

    if (infoSize < kInfoHeaderSize) {
        LogError("Failed to analyze BMP header.");
        return nullptr;
    }
    if (compression != 0) {
        LogError("Compression Bitmap is not supported.");
        return nullptr;
    }
    if (coloursUsed != 0) {
        LogError("Pallet Bitmap is not supported.");
        return nullptr;
    }
    if (bitCount != 24 && bitCount != 32) return nullptr;

    // A negative height marks rows stored top-down; a negative width means nothing.
    const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
    if (width < 1 || rows < 1 || width > kMaxImageSide || rows > kMaxImageSide) {
        LogError("Invalid BMP size %dx%d.", width, height);
        return nullptr;
    }
    if (infoSize > kInfoHeaderSize) {
        if (dataOffset < uint64_t{kFileHeaderSize} + infoSize || dataOffset > 0x7fffffffu ||
            stream->Seek(static_cast<int32_t>(start + dataOffset), kSeekSet) != start + dataOffset) {
            LogError("Invalid BMP data offset %u.", dataOffset);
            return nullptr;
        }
    }

    const uint32_t bytesPerPixel = bitCount / 8;
    const uint64_t fileRowSize = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    if (fileRowSize * static_cast<uint64_t>(rows) > BytesLeft(stream)) {
        LogError("BMP pixel data is truncated (%dx%d).", width, height);
        return nullptr;
    }
    Image* image = NewReaderImage(width, static_cast<int32_t>(rows), bitCount == 24 ? kPixelRgb888 : kPixelRgba8888, allocator);
    if (image == nullptr) return nullptr;

    std::vector<uint8_t> row(static_cast<size_t>(fileRowSize));
    const size_t imageRowSize = static_cast<size_t>(width) * bytesPerPixel;
    for (int64_t fileRow = 0; fileRow < rows; ++fileRow) {
        if (!ReadExact(stream, row.data(), fileRowSize)) {
            LogError("BMP pixel data is truncated (%dx%d).", width, height);
            Image::Free(image);
            return nullptr;
        }
        int64_t imageRow = height < 0 ? fileRow : rows - 1 - fileRow;
        uint8_t* to = image->pixels + static_cast<size_t>(imageRow) * imageRowSize;
        const uint8_t* from = row.data();
        for (int32_t x = 0; x < width; ++x, from += bytesPerPixel, to += bytesPerPixel) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            if (bytesPerPixel == 4) to[3] = from[3];
        }
    }
    return image;
}
