// Legacy PowerVR texture reader (the 52-byte header tagged "PVR!") for PVRTC
// data at 2 and 4 bits per pixel. Only the top level is read, sized by the
// format so a header cannot make the read overrun the image.
#include "gfx/image_file.h"
#include "gfx/image_reader_util.h"
#include "platform/debug_log.h"

using namespace image_reader;

namespace {

constexpr uint32_t kPvrHeaderSize = 52;
constexpr uint32_t kPvrFlagsPvrtc2 = 24;
constexpr uint32_t kPvrFlagsPvrtc4 = 25;

}  // namespace

Image* ImageLoadPvr(Stream* stream, Allocator* allocator) {
    uint8_t header[kPvrHeaderSize];
    if (!ReadExact(stream, header, kPvrHeaderSize) || U32At(header) != kPvrHeaderSize ||
        header[44] != 'P' || header[45] != 'V' || header[46] != 'R' || header[47] != '!') {
        LogError("Failed to analyze PVR header.");
        return nullptr;
    }
    const int32_t height = I32At(header + 4);
    const int32_t width = I32At(header + 8);
    const uint32_t flags = U32At(header + 16);
    const uint32_t dataSize = U32At(header + 20);
    const uint32_t bits = U32At(header + 24);

    PixelFormat type;
    uint32_t typeBits;
    if (flags == kPvrFlagsPvrtc2) {
        type = kPixelPvrtcRgb2;
        typeBits = 2;
    } else if (flags == kPvrFlagsPvrtc4) {
        type = kPixelPvrtcRgb4;
        typeBits = 4;
    } else {
        LogError("Not support Compress format.");
        return nullptr;
    }
    if (bits != typeBits) {
        LogError("Failed to analyze PVR header.");
        return nullptr;
    }
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) {
        LogError("Invalid PVR size %dx%d.", width, height);
        return nullptr;
    }
    const uint64_t levelSize = ImageDataSize(type, width, height);
    // The header's size covers every level; it must at least hold the top one.
    if (dataSize < levelSize || levelSize > BytesLeft(stream)) {
        LogError("PVR data is truncated (%dx%d).", width, height);
        return nullptr;
    }
    Image* image = NewReaderImage(width, height, type, allocator);
    if (image == nullptr) return nullptr;
    if (!ReadExact(stream, image->pixels, levelSize)) {
        LogError("PVR data is truncated (%dx%d).", width, height);
        Image::Free(image);
        return nullptr;
    }
    return image;
}
