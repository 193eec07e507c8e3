// Pixel format codes shared by images and textures, what OpenGL ES 2.0 is
// given for each, and which compressed codes the driver takes as they are
// (the others are decoded to RGBA8 before upload).
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>

using PixelFormat = int32_t;

enum PixelFormatCode : PixelFormat {
    kPixelRgba8888 = 0,
    kPixelRgba5551 = 1,
    kPixelRgba4444 = 2,
    kPixelRgb888 = 3,
    kPixelRgb565 = 4,
    kPixelAlpha8 = 7,
    kPixelAlpha16 = 8,
    kPixelIndexed8 = 9,  // images only: a 256-entry RGBA palette and index bytes
    kPixelDepth8 = 10,
    kPixelDepth16 = 11,
    kPixelDxt1Rgb = 12,
    kPixelDxt1Rgba = 13,
    kPixelPvrtcRgb4 = 14,
    kPixelPvrtcRgb2 = 15,
    kPixelPvrtcRgba4 = 16,
    kPixelPvrtcRgba2 = 17,
    kPixelAtcRgb = 18,
    kPixelAtcRgbaExplicit = 19,
    kPixelAtcRgbaInterpolated = 20,
};

// The GL values a texture of `code` is created with. Returns 0 and writes
// nothing for unsupported codes (outside 0-20, and 5, 6, 9). Compressed codes
// write only the internal format and the compressed flag. Alpha 16 and depth 8
// have no upload of their own in ES 2.0, so they map to the nearest legal form
// (alpha 8 bytes, 16-bit depth) and the uploader converts their data.
int GetGlPixelFormat(PixelFormat code, GLenum* internalFormat, GLenum* format, GLenum* type, int* compressed);

bool IsCompressedPixelFormat(PixelFormat code);

// Bits per pixel of the data an image of this code holds (0 = unknown code).
int PixelFormatBits(PixelFormat code);

// Bytes of one tightly packed row of an uncompressed image.
uint32_t PixelRowBytes(PixelFormat code, int32_t width);

// Bytes of one level of compressed data: whole 4x4 blocks for DXT1 and ATC,
// and the smallest PVRTC level (8x8 at 4 bpp, 16x8 at 2 bpp). 0 for others.
uint32_t CompressedDataSize(PixelFormat code, int32_t width, int32_t height);

// Reads which compressed codes the driver takes from its extension string
// (null = none). GraphicsInit calls it; until then every compressed code is
// decoded in software.
void DetectCompressedFormatSupport(const char* extensions);
bool IsCompressedFormatSupported(PixelFormat code);
// Whether `name` is one whole entry of a space-separated extension list.
bool HasExtension(const char* extensions, const char* name);
