// Decoded pictures in memory: one allocation holding a small header and the
// pixels, rows top to bottom and tightly packed. Indexed images (code 9) hold
// a 256-entry RGBA palette in front of their index bytes. Compressed images
// hold whole blocks (see CompressedDataSize).
#pragma once

#include <cstdint>

#include "gfx/pixel_format.h"

struct Allocator;

struct Image {
    PixelFormat type;
    int32_t width, height;
    int32_t bitsPerPixel;
    uint8_t* pixels;    // right behind the header
    uint32_t dataSize;  // bytes at `pixels`, palette included

    // An image of an uncompressed type (0-4, 7, 9, 10, 11) with room for its
    // pixels, 16-byte aligned. Logs "Invalid image type." and returns null for
    // any other type; null too for sizes that are not positive or do not fit.
    static Image* New(int32_t width, int32_t height, PixelFormat type, Allocator* allocator);
    // An image of any type with `dataSize` bytes of pixel data, for readers of
    // compressed files and for formats New does not make. Null when the
    // sizes are not positive or the memory is not there.
    static Image* NewWithData(int32_t width, int32_t height, PixelFormat type, int32_t bitsPerPixel,
                              uint32_t dataSize, Allocator* allocator);
    // Frees an image from New or NewWithData; null is ignored.
    static void Free(Image* image);
};

// The allocation under the name the rest of the engine knows.
inline Image* NewImage(int32_t width, int32_t height, PixelFormat type, Allocator* allocator) {
    return Image::New(width, height, type, allocator);
}

constexpr uint32_t kPaletteBytes = 256 * 4;

// A new RGBA8 image (default heap) with each index replaced by its palette
// entry; null when `image` is not a well-formed indexed image.
Image* ExpandPaletteToRgba(const Image* image);

// Gives fully transparent pixels of an RGBA8 image the average colour of their
// opaque neighbours (two at least), so that filtering does not bleed black
// into the edges of cut-outs. Works in place, rows top to bottom.
void FillTransparentPixels(Image* image);
