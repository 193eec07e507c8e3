// A Font turns UTF-16 characters into alpha glyphs in one atlas texture.
// Glyphs are prepared (rendered on the CPU) on any thread, typically worker
// queue 0, and acquired on the main thread, which uploads them. Every glyph
// operation takes the font's lock. Fonts are created, shared by reference
// count and destroyed on the main thread.
#pragma once

#include <cstdint>
#include <mutex>

#include "core/list.h"
#include "gfx/glyph_cell.h"

struct Allocator;
struct FontData;
struct FsMgr;
struct GlyphCache;
struct Texture;

constexpr int kDefaultFontAtlasSize = 512;

struct Font {
    ListNode link;  // in the global font list
    int32_t refCount;
    FontData* data;     // one reference held
    GlyphCache* cache;  // cells, index and FreeType state
    Texture* atlas;     // alpha 8, one cell per glyph
    int32_t cellSize;
    std::mutex lock;

    static void AddRef(Font* font);
    // Drops one reference; below 1 the font is destroyed.
    static void Release(Font* font);
    static void Destroy(Font* font);
    static Texture* GetAtlasTexture(const Font* font);
    static int GetCellSize(const Font* font);
    // Renders the glyph into its cell if it is not there yet; touches CPU
    // memory only, so any thread may call it. Null when the glyph cannot be
    // drawn (size of 8 or less, no free cell, FreeType failure).
    static GlyphCell* PrepareGlyph(Font* font, uint16_t character, int size, int weight, int edge);
    // Whether PrepareGlyph would answer at once, without rendering.
    static bool IsGlyphCached(Font* font, uint16_t character, int size, int weight, int edge);
    // Main thread: the glyph's cell, uploaded to the atlas and held until
    // ReleaseGlyph. Null as for PrepareGlyph.
    static GlyphCell* AcquireGlyph(Font* font, uint16_t character, int size, int weight, int edge);
    static void ReleaseGlyph(Font* font, GlyphCell* cell);
};

// A font of cellSize-pixel cells over the data (atlas 0 x 0 means 512 x 512).
// Takes a reference to the data only when it succeeds. Null with a log line
// when FreeType cannot start or use the data, or the atlas holds no cell.
Font* NewFont(int cellSize, FontData* data, int atlasWidth, int atlasHeight, Allocator* allocator);
// LoadFontData, then NewFont; the data is freed again when that fails.
Font* NewFontFromFile(int cellSize, const char* name, FsMgr* fs, int atlasWidth, int atlasHeight,
                      Allocator* allocator);
// A new font over the other font's data.
Font* NewFontFromFont(int cellSize, Font* other, int atlasWidth, int atlasHeight, Allocator* allocator);

// Fonts alive now.
uint32_t LiveFontCount();
