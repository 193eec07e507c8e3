// One square cell of a font's atlas and the key that finds the glyph it holds.
// A glyph is identified by character, size, weight and edge; the values are
// clamped to the ranges the 32-bit key can hold exactly, so two different
// requests never share a key and a cell never serves the wrong glyph.
#pragma once

#include <cstdint>

#include "core/list.h"

// Sizes above this render exactly as this size does.
constexpr int kGlyphMaxSize = 255;
// 1 << (weight + 6) must stay defined and the key's low nibble must hold weight + 8.
constexpr int kGlyphMinWeight = -6;
constexpr int kGlyphMaxWeight = 7;
// The key's high nibble holds the edge.
constexpr int kGlyphMaxEdge = 15;
// A glyph of size s is rendered s - 8 pixels high; smaller sizes render nothing.
constexpr int kGlyphSizeMargin = 8;

struct GlyphCell {
    ListNode freeLink;   // first: the free list links the cell itself
    uint16_t character;  // UTF-16 code unit; 0 = the cell holds no glyph
    int16_t size;        // requested size, clamped
    int8_t weight;       // emboldening step, clamped
    int8_t edge;         // outline width step; 0 = plain glyph
    int32_t x, y;        // the cell's position in the atlas, in pixels
    int16_t left;        // bitmap left bearing
    int16_t top;         // bitmap top below the line top: (2 * size) / 3 - bitmap top
    int16_t advanceX, advanceY;
    int16_t width, rows;  // bitmap size, never larger than the cell
    int32_t refCount;     // acquisitions not yet released
    int32_t uploaded;     // the pixels are in the atlas texture
    uint8_t* pixels;      // cellSize * cellSize bytes of alpha
};

// The request after clamping; what the key and the rendering both use.
struct GlyphRequest {
    uint16_t character;
    int size;
    int weight;
    int edge;
};

inline GlyphRequest MakeGlyphRequest(uint16_t character, int size, int weight, int edge) {
    auto clamp = [](int value, int low, int high) { return value < low ? low : value > high ? high : value; };
    return GlyphRequest{character, clamp(size, 0, kGlyphMaxSize), clamp(weight, kGlyphMinWeight, kGlyphMaxWeight),
                        clamp(edge, 0, kGlyphMaxEdge)};
}

// Bits 0-15 character, 16-23 size, 24-27 weight + 8, 28-31 edge.
inline uint32_t GlyphKey(const GlyphRequest& request) {
    uint32_t style = static_cast<uint32_t>(((request.weight + 8) & 0xFF) + request.edge * 16) & 0xFF;
    return uint32_t{request.character} | (static_cast<uint32_t>(request.size) & 0xFF) << 16 | style << 24;
}

inline uint32_t GlyphKeyOfCell(const GlyphCell& cell) {
    return GlyphKey(GlyphRequest{cell.character, cell.size, cell.weight, cell.edge});
}
