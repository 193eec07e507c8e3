// Reading the image files the pack holds (PNG, BMP, DDS, PVR) into Images,
// the RGB to RGBA conversion, and the JPEG encoder used for screenshots.
// Every reader trusts nothing in the file: sizes are bounded, counts checked,
// and a damaged file gives null with at most one log line, never a crash or
// uninitialised pixels.
#pragma once

#include <cstdint>

#include "gfx/image.h"

struct Allocator;
struct Stream;

// Larger sides are refused by every reader, so a header cannot make us
// allocate more than a picture of this size.
constexpr int32_t kMaxImageSide = 8192;

// Bytes of pixel data for `type` at that size (the palette of type 9
// included, compressed types in whole blocks); 0 for a type without an image
// form or a size outside 1..kMaxImageSide.
uint32_t ImageDataSize(PixelFormat type, int32_t width, int32_t height);

// Reads an image file from the stream's position, choosing the reader by the
// file's first two bytes as a little-endian number: 0x0034 PVR, 0x4444 DDS,
// 0x4D42 BMP, 0x5089 PNG. Anything else (or fewer than two bytes) gives null
// without a message.
Image* LoadImage(Stream* stream, Allocator* allocator);
// RGB gives type 3, RGBA type 0, palette files type 9 (indices beyond the
// file's palette are transparent black); 16-bit samples are cut to 8 bits
// and interlaced files de-interlaced. Grey files are refused.
Image* DecodePng(Stream* stream, Allocator* allocator);
// Uncompressed 24-bit (type 3) and 32-bit (type 0) bitmaps without palette,
// bottom-up or top-down.
Image* ImageLoadBmp(Stream* stream, Allocator* allocator);
// DXT1 (type 12) and ATI1 (type 18) surfaces; the top level only.
Image* ImageLoadDds(Stream* stream, Allocator* allocator);
// Legacy PVR files with PVRTC data at 2 (type 15) or 4 (type 14) bits per
// pixel; the top level only.
Image* ImageLoadPvr(Stream* stream, Allocator* allocator);

// A new type-0 image (alpha 255) from a type-3 one, on the default heap;
// null for any other type.
Image* ExpandRgbToRgba(const Image* image);

// Writes a type-0 or type-3 image as a baseline JPEG of quality 80 (alpha
// dropped). With `bottomUp` the last row is written first (pixels read back
// from GL). 1 on success; 0 for other types or when the stream refuses bytes.
int EncodeJpeg(Stream* stream, const Image* image, bool bottomUp, Allocator* allocator);

struct FsMgr;
// Opens `name` through `fs` (null = the operating system's files), decodes it
// with LoadImage and releases the stream. *opened (when given) tells whether
// the file could be opened; nothing is logged for a file that cannot.
Image* ReadImageFile(FsMgr* fs, const char* name, Allocator* allocator, int* opened);
