// The image readers under a fuzzer: any bytes go through LoadImage and the
// conversions that follow a decode; every image that comes back must be
// whole and sized as its format says.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fs/stream.h"
#include "gfx/image.h"
#include "gfx/image_file.h"
#include "platform/debug_log.h"

namespace {

void Check(bool condition) {
    if (!condition) abort();
}

// Reads every byte, so a sanitizer sees any that were never written.
uint32_t Touch(const Image* image) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < image->dataSize; ++i) sum += image->pixels[i];
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = [] {
        SetDebugSink([](const char*) {});
        return true;
    }();
    (void)quiet;
    if (size > 1u << 20) return 0;
    // An exact-size copy, so reads past the end are caught.
    std::vector<uint8_t> bytes(data, data + size);
    Stream* stream = MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
    if (stream == nullptr) return 0;
    Image* image = LoadImage(stream, nullptr);
    stream->Release();
    if (image == nullptr) return 0;
    Check(image->width >= 1 && image->height >= 1 && image->width <= kMaxImageSide && image->height <= kMaxImageSide);
    Check(image->dataSize == ImageDataSize(image->type, image->width, image->height));
    volatile uint32_t sink = Touch(image);
    (void)sink;
    Image* rgba = image->type == kPixelIndexed8 ? ExpandPaletteToRgba(image) : ExpandRgbToRgba(image);
    if (rgba != nullptr) {
        FillTransparentPixels(rgba);
        sink = Touch(rgba);
        Image::Free(rgba);
    }
    Image::Free(image);
    return 0;
}
