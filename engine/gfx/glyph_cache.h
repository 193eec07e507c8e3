// The cells of a font's atlas and the index that finds a glyph in them. A
// miss renders into the cell that was rendered or released longest ago;
// cells in use are never re-rendered. CPU only and not locked: the font
// serialises every call and uploads cells to its texture itself.
#pragma once

#include <cstdint>

#include "core/list.h"
#include "gfx/glyph_cell.h"

struct Allocator;
struct GlyphRasterizer;
struct HashTable;

struct GlyphCache {
    GlyphRasterizer* rasterizer;  // owned
    GlyphCell* cells;
    uint32_t cellCount;
    int cellSize;
    List freeCells;  // reference count 0, least recently rendered or released first
    HashTable* index;
    uint8_t* pixels;  // every cell's pixels in one block
    uint64_t renderCount;  // glyphs rendered so far (statistics: a warm cache renders none)
};

// Lays out atlasWidth / cellSize by atlasHeight / cellSize cells over the font
// file in `bytes` (which must outlive the cache). Null with a log line naming
// the font when the sizes give no cell or FreeType refuses the data.
GlyphCache* CreateGlyphCache(const uint8_t* bytes, uint32_t byteCount, int cellSize, int atlasWidth,
                             int atlasHeight, const char* name, Allocator* allocator);
void DestroyGlyphCache(GlyphCache* cache);

// The cell holding the glyph, rendering it on a miss; null when the size
// draws nothing, no cell is free or FreeType fails. A hit does not change the
// order in which free cells are reused.
GlyphCell* GetGlyph(GlyphCache* cache, uint16_t character, int size, int weight, int edge);

// Whether GetGlyph would answer without rendering: the glyph is in a cell,
// or its size draws nothing.
bool IsGlyphCached(GlyphCache* cache, uint16_t character, int size, int weight, int edge);

// Counts a user of the cell; the first one takes it off the free list.
void RetainGlyphCell(GlyphCache* cache, GlyphCell* cell);
// Drops a user; the last one puts the cell at the tail of the free list.
// False (with a log line) for a cell that had no user.
bool ReleaseGlyphCell(GlyphCache* cache, GlyphCell* cell);
