// Turning a rendered glyph bitmap into the alpha bytes of an atlas cell: the
// coverage curve that sharpens anti-aliased edges, and a copy that clips the
// bitmap to the cell and reads rows in either memory order.
#pragma once

#include <cstdint>

constexpr int kCoverageTableSize = 256;

// table[i] steepens the ramp around the middle with exponent p * 0.1 + 1;
// the ends stay 0 and 255.
void BuildCoverageTable(uint8_t table[kCoverageTableSize], float parameter);

// How the source bitmap stores its pixels.
enum class GlyphBitmapFormat { kGray8, kMono1 };

struct GlyphBitmapView {
    const uint8_t* buffer;  // the first byte of the block, whatever the row order
    int width;
    int rows;
    int pitch;  // bytes per row; negative when the bottom row comes first in memory
    GlyphBitmapFormat format;
};

// Clears the cell and copies the part of the bitmap that fits, top-left
// aligned, each byte through the coverage table. Returns the copied width and
// rows in `copiedWidth` and `copiedRows` (each at most cellSize).
void CopyGlyphBitmapIntoCell(const GlyphBitmapView& bitmap, const uint8_t coverage[kCoverageTableSize],
                             uint8_t* cell, int cellSize, int* copiedWidth, int* copiedRows);
