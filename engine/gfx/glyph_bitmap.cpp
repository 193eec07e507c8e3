// Coverage curve and clipped copy of glyph bitmaps into atlas cells.
#include "gfx/glyph_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

void BuildCoverageTable(uint8_t table[kCoverageTableSize], float parameter) {
    float exponent = parameter * 0.1f + 1.0f;
    for (int i = 0; i < kCoverageTableSize - 1; ++i) {
        float t = 2.0f * (static_cast<float>(i) * 0.003921569f - 0.5f);
        float y = t >= 0.0f ? 1.0f - std::pow(1.0f - t, exponent) : std::pow(1.0f + t, exponent) - 1.0f;
        table[i] = static_cast<uint8_t>((y + 1.0f) * 0.5f * 255.0f);
    }
    table[kCoverageTableSize - 1] = 255;
}

void CopyGlyphBitmapIntoCell(const GlyphBitmapView& bitmap, const uint8_t coverage[kCoverageTableSize],
                             uint8_t* cell, int cellSize, int* copiedWidth, int* copiedRows) {
    memset(cell, 0, static_cast<size_t>(cellSize) * cellSize);
    int width = bitmap.buffer ? std::clamp(bitmap.width, 0, cellSize) : 0;
    int rows = bitmap.buffer ? std::clamp(bitmap.rows, 0, cellSize) : 0;
    size_t stride = static_cast<size_t>(std::abs(bitmap.pitch));
    // A bitmap whose rows are shorter than its width would be read past its end.
    size_t rowBytes = bitmap.format == GlyphBitmapFormat::kGray8 ? static_cast<size_t>(bitmap.width)
                                                                  : (static_cast<size_t>(bitmap.width) + 7) / 8;
    if (stride < rowBytes) width = rows = 0;
    for (int row = 0; row < rows; ++row) {
        // Row `row` counted from the top, wherever it lies in memory.
        size_t memoryRow = bitmap.pitch >= 0 ? static_cast<size_t>(row) : static_cast<size_t>(bitmap.rows - 1 - row);
        const uint8_t* source = bitmap.buffer + memoryRow * stride;
        uint8_t* target = cell + static_cast<size_t>(row) * cellSize;
        if (bitmap.format == GlyphBitmapFormat::kGray8) {
            for (int column = 0; column < width; ++column) target[column] = coverage[source[column]];
        } else {
            for (int column = 0; column < width; ++column)
                target[column] = (source[column >> 3] & (0x80 >> (column & 7))) ? coverage[255] : coverage[0];
        }
    }
    *copiedWidth = width;
    *copiedRows = rows;
}
