// DirectDraw Surface reader for the two block-compressed kinds the pack
// uses, DXT1 and ATI1 (taken as ATC RGB). Only the top mip level is read.
#include "gfx/image_file.h"
#include "gfx/image_reader_util.h"
#include "platform/debug_log.h"

using namespace image_reader;

namespace {

constexpr uint32_t kDdsHeaderSize = 124;
constexpr uint32_t kHeightOffset = 8;
constexpr uint32_t kWidthOffset = 12;
constexpr uint32_t kFourCcOffset = 80;

bool FourCcIs(const uint8_t* p, const char* code) {
    return p[0] == code[0] && p[1] == code[1] && p[2] == code[2] && p[3] == code[3];
}

}  // namespace

Image* ImageLoadDds(Stream* stream, Allocator* allocator) {
    uint8_t magic[4];
    uint8_t header[kDdsHeaderSize];
    if (!ReadExact(stream, magic, 4) || !FourCcIs(magic, "DDS ") || !ReadExact(stream, header, kDdsHeaderSize)) {
        LogError("Failed to analyze DDS header.");
        return nullptr;
    }
    PixelFormat type;
    const uint8_t* fourCc = header + kFourCcOffset;
    if (FourCcIs(fourCc, "DXT1")) {
        type = kPixelDxt1Rgb;
    } else if (FourCcIs(fourCc, "ATI1")) {
        type = kPixelAtcRgb;
    } else {
        LogError("Not support Compress format.");
        return nullptr;
    }
    const int32_t height = I32At(header + kHeightOffset);
    const int32_t width = I32At(header + kWidthOffset);
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) {
        LogError("Invalid DDS size %dx%d.", width, height);
        return nullptr;
    }
    // Whole 4x4 blocks, as the file stores them and as GL wants them counted.
    const uint64_t dataSize = ImageDataSize(type, width, height);
    if (dataSize > BytesLeft(stream)) {
        LogError("DDS data is truncated (%dx%d).", width, height);
        return nullptr;
    }
    Image* image = NewReaderImage(width, height, type, allocator);
    if (image == nullptr) return nullptr;
    if (!ReadExact(stream, image->pixels, dataSize)) {
        LogError("DDS data is truncated (%dx%d).", width, height);
        Image::Free(image);
        return nullptr;
    }
    return image;
}
