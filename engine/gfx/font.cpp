// Fonts: the glyph cache behind a lock, the atlas texture it uploads into, and
// the global list of live fonts.
#include "gfx/font.h"

#include <new>

#include "core/allocator.h"
#include "gfx/font_data.h"
#include "gfx/glyph_cache.h"
#include "gfx/image.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

namespace {

std::mutex gFontListMutex;
List gFonts;

void UploadCell(Font* font, GlyphCell* cell) {
    Image view{};
    view.type = kPixelAlpha8;
    view.width = font->cellSize;
    view.height = font->cellSize;
    view.bitsPerPixel = 8;
    view.pixels = cell->pixels;
    view.dataSize = static_cast<uint32_t>(font->cellSize) * static_cast<uint32_t>(font->cellSize);
    if (Texture::Update(font->atlas, 0, cell->x, cell->y, &view)) cell->uploaded = 1;
}

// `name` only labels the log lines.
Font* NewNamedFont(int cellSize, FontData* data, int atlasWidth, int atlasHeight, const char* name,
                   Allocator* allocator) {
    if (!data) return nullptr;
    if (atlasWidth == 0 && atlasHeight == 0) atlasWidth = atlasHeight = kDefaultFontAtlasSize;
    GlyphCache* cache =
        CreateGlyphCache(data->bytes, data->size, cellSize, atlasWidth, atlasHeight, name, allocator);
    if (!cache) return nullptr;
    Texture* atlas = Texture::CreateEmpty(atlasWidth, atlasHeight, kPixelAlpha8, allocator);
    void* memory = atlas ? Alloc(allocator, sizeof(Font), alignof(Font) > kDefaultAlignment ? alignof(Font) : 0)
                         : nullptr;
    if (!memory) {
        LogError("font \"%s\": no memory for an atlas of %d x %d", name, atlasWidth, atlasHeight);
        if (atlas) Texture::Destroy(atlas);
        DestroyGlyphCache(cache);
        return nullptr;
    }
    auto* font = new (memory) Font();
    font->refCount = 1;
    font->data = data;
    font->cache = cache;
    font->atlas = atlas;
    font->cellSize = cellSize;
    FontData::AddRef(data);
    std::lock_guard<std::mutex> hold(gFontListMutex);
    ListPushBack(&gFonts, &font->link);
    return font;
}

}  // namespace

Font* NewFont(int cellSize, FontData* data, int atlasWidth, int atlasHeight, Allocator* allocator) {
    return NewNamedFont(cellSize, data, atlasWidth, atlasHeight, "(in memory)", allocator);
}

Font* NewFontFromFile(int cellSize, const char* name, FsMgr* fs, int atlasWidth, int atlasHeight,
                      Allocator* allocator) {
    FontData* data = LoadFontData(name, fs, allocator);
    if (!data) return nullptr;
    Font* font = NewNamedFont(cellSize, data, atlasWidth, atlasHeight, name, allocator);
    if (!font) {
        FontData::AddRef(data);
        FontData::Release(data);
    }
    return font;
}

Font* NewFontFromFont(int cellSize, Font* other, int atlasWidth, int atlasHeight, Allocator* allocator) {
    return other ? NewFont(cellSize, other->data, atlasWidth, atlasHeight, allocator) : nullptr;
}

uint32_t LiveFontCount() {
    std::lock_guard<std::mutex> hold(gFontListMutex);
    return gFonts.count;
}

void Font::AddRef(Font* font) {
    if (font) ++font->refCount;
}

void Font::Release(Font* font) {
    if (font && --font->refCount < 1) Destroy(font);
}

void Font::Destroy(Font* font) {
    if (!font) return;
    {
        std::lock_guard<std::mutex> hold(gFontListMutex);
        ListRemove(&gFonts, &font->link);
    }
    DestroyGlyphCache(font->cache);  // the last font closes the FreeType library with it
    Texture::Destroy(font->atlas);
    FontData::Release(font->data);
    font->~Font();
    Allocator::Free(font);
}

Texture* Font::GetAtlasTexture(const Font* font) { return font ? font->atlas : nullptr; }

int Font::GetCellSize(const Font* font) { return font ? font->cellSize : 0; }

GlyphCell* Font::PrepareGlyph(Font* font, uint16_t character, int size, int weight, int edge) {
    std::lock_guard<std::mutex> hold(font->lock);
    return GetGlyph(font->cache, character, size, weight, edge);
}

bool Font::IsGlyphCached(Font* font, uint16_t character, int size, int weight, int edge) {
    std::lock_guard<std::mutex> hold(font->lock);
    return ::IsGlyphCached(font->cache, character, size, weight, edge);
}

GlyphCell* Font::AcquireGlyph(Font* font, uint16_t character, int size, int weight, int edge) {
    std::lock_guard<std::mutex> hold(font->lock);
    GlyphCell* cell = GetGlyph(font->cache, character, size, weight, edge);
    if (!cell) return nullptr;
    if (!cell->uploaded) UploadCell(font, cell);
    RetainGlyphCell(font->cache, cell);
    return cell;
}

void Font::ReleaseGlyph(Font* font, GlyphCell* cell) {
    if (!font || !cell) return;
    std::lock_guard<std::mutex> hold(font->lock);
    ReleaseGlyphCell(font->cache, cell);
}
