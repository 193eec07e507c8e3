// FreeType's side of a font: the face opened from memory behind a cache
// manager with character-map and glyph-image caches, a stroker for outlines,
// and the rendering of one glyph into an atlas cell. Not locked: its owner
// serialises every call.
#pragma once

#include <cstdint>

struct Allocator;
struct GlyphCell;
struct GlyphRequest;
struct GlyphRasterizer;

// Opens face 0 of the font file in `bytes`, which must outlive the
// rasterizer. Sizes are capped at `cellSize`. Null with a log line naming the
// font when FreeType refuses the data.
GlyphRasterizer* CreateGlyphRasterizer(const uint8_t* bytes, uint32_t size, int cellSize, const char* name,
                                       Allocator* allocator);
void DestroyGlyphRasterizer(GlyphRasterizer* rasterizer);

// Renders the request into the cell's pixels (cellSize * cellSize bytes) and
// fills its metrics; the cell's key fields and counters are left alone. False
// when FreeType cannot produce the glyph (sizes of 8 or less among them).
bool RenderGlyphIntoCell(GlyphRasterizer* rasterizer, const GlyphRequest& request, GlyphCell* cell);

// The rendered height of a glyph of the given size, 0 or less when it would be empty.
int GlyphPixelHeight(const GlyphRasterizer* rasterizer, int size);
