// Software decoders for the compressed texture formats, used when the driver
// does not take a format as it is: DXT1, PVRTC at 4 and 2 bits per pixel, and
// the three ATC forms. Each writes tightly packed RGBA8 rows.
#pragma once

#include <cstdint>

#include "gfx/pixel_format.h"

// Decodes one level of `code` data of `width` x `height` into `out` (width x
// height x 4 bytes). False, with one log line, when the code is not
// compressed, the sizes are not positive, PVRTC sizes are not powers of two,
// or `size` is smaller than the level needs.
bool DecodeCompressedToRgba(PixelFormat code, int32_t width, int32_t height, const uint8_t* data, uint32_t size,
                            uint8_t* out);

// The 16 texels (row by row, RGBA8) of one 8-byte DXT1 block. `withAlpha`
// makes the fourth colour of three-colour blocks transparent black (code 13)
// instead of opaque black (code 12).
void DecodeDxt1Block(const uint8_t block[8], bool withAlpha, uint8_t out[16][4]);
// The colours of one 8-byte ATC block; alpha is left at 255.
void DecodeAtcColourBlock(const uint8_t block[8], uint8_t out[16][4]);

// PVRTC levels decode as a whole, since every texel blends the colours of its
// four nearest blocks. `twoBit` picks 8x4 blocks, else 4x4; `withAlpha` keeps
// the blocks' alpha (codes 16, 17). Width and height are at least the format's
// minimum (8x8, or 16x8 at 2 bpp) and powers of two.
void DecodePvrtcLevel(const uint8_t* data, int32_t width, int32_t height, bool twoBit, bool withAlpha,
                      uint8_t* out);
