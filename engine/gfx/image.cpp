// Image records and the palette conversions textures need before upload.
#include "gfx/image.h"

#include <cstring>

#include "core/allocator.h"
#include "platform/debug_log.h"

namespace {

// Pixel bytes of an image of one of the types New makes; 0 for the rest.
int BitsOfNewType(PixelFormat type) {
    switch (type) {
        case kPixelRgba8888: return 32;
        case kPixelRgba5551:
        case kPixelRgba4444:
        case kPixelRgb565:
        case kPixelDepth16: return 16;
        case kPixelRgb888: return 24;
        case kPixelAlpha8:
        case kPixelIndexed8:
        case kPixelDepth8: return 8;
        default: return 0;
    }
}

constexpr size_t kHeaderBytes = (sizeof(Image) + 15) & ~size_t{15};

}  // namespace

Image* Image::NewWithData(int32_t width, int32_t height, PixelFormat type, int32_t bitsPerPixel,
                          uint32_t dataSize, Allocator* allocator) {
    if (width <= 0 || height <= 0) return nullptr;
    void* block = Alloc(allocator, kHeaderBytes + dataSize, 16);
    if (!block) return nullptr;
    auto* image = static_cast<Image*>(block);
    image->type = type;
    image->width = width;
    image->height = height;
    image->bitsPerPixel = bitsPerPixel;
    image->pixels = static_cast<uint8_t*>(block) + kHeaderBytes;
    image->dataSize = dataSize;
    return image;
}

Image* Image::New(int32_t width, int32_t height, PixelFormat type, Allocator* allocator) {
    int bits = BitsOfNewType(type);
    if (bits == 0) {
        LogError("Invalid image type.");
        return nullptr;
    }
    // NewWithData refuses sides below 1, whatever size they give here.
    uint64_t size = (static_cast<uint64_t>(width) * height * bits + 7) / 8;
    if (type == kPixelIndexed8) size += kPaletteBytes;
    if (size > UINT32_MAX - kHeaderBytes) return nullptr;
    return NewWithData(width, height, type, bits, static_cast<uint32_t>(size), allocator);
}

void Image::Free(Image* image) { Allocator::Free(image); }

Image* ExpandPaletteToRgba(const Image* image) {
    if (!image || image->type != kPixelIndexed8) return nullptr;
    uint64_t count = static_cast<uint64_t>(image->width) * image->height;
    if (image->dataSize < kPaletteBytes + count) return nullptr;
    Image* rgba = Image::New(image->width, image->height, kPixelRgba8888, nullptr);
    if (!rgba) return nullptr;
    const uint8_t* palette = image->pixels;
    const uint8_t* indices = image->pixels + kPaletteBytes;
    for (uint64_t i = 0; i < count; ++i) memcpy(rgba->pixels + i * 4, palette + indices[i] * 4, 4);
    return rgba;
}

void FillTransparentPixels(Image* image) {
    if (!image || image->type != kPixelRgba8888) return;
    const int32_t w = image->width, h = image->height;
    uint8_t* p = image->pixels;
    auto at = [&](int32_t x, int32_t y) -> const uint8_t* {
        static const uint8_t kTransparent[4] = {0, 0, 0, 0};
        if (x < 0 || y < 0 || x >= w || y >= h) return kTransparent;
        return p + (static_cast<size_t>(y) * w + x) * 4;
    };
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* pixel = p + (static_cast<size_t>(y) * w + x) * 4;
            if (pixel[3] != 0) continue;
            const uint8_t* neighbours[4] = {at(x, y - 1), at(x, y + 1), at(x - 1, y), at(x + 1, y)};
            int n = 0, r = 0, g = 0, b = 0, a = 0;
            for (const uint8_t* q : neighbours) {
                if (q[3] == 0) continue;
                ++n;
                r += q[0];
                g += q[1];
                b += q[2];
                a += q[3];
            }
            if (n < 2) continue;
            pixel[0] = static_cast<uint8_t>(r / n);
            pixel[1] = static_cast<uint8_t>(g / n);
            pixel[2] = static_cast<uint8_t>(b / n);
            // A sixth of the neighbours' alpha keeps the filled edge faint.
            pixel[3] = static_cast<uint8_t>(a / 6);
        }
    }
}
