// Cells, free list and index of a font's glyphs.
#include "gfx/glyph_cache.h"

#include <cstring>
#include <new>

#include "core/allocator.h"
#include "core/hash_table.h"
#include "gfx/glyph_rasterizer.h"
#include "platform/debug_log.h"

namespace {

constexpr uint32_t kIndexBuckets = 256;

GlyphCell* CellOf(ListNode* node) { return reinterpret_cast<GlyphCell*>(node); }

}  // namespace

GlyphCache* CreateGlyphCache(const uint8_t* bytes, uint32_t byteCount, int cellSize, int atlasWidth,
                             int atlasHeight, const char* name, Allocator* allocator) {
    if (cellSize <= 0 || atlasWidth <= 0 || atlasHeight <= 0 || atlasWidth / cellSize == 0 ||
        atlasHeight / cellSize == 0) {
        LogError("font \"%s\": an atlas of %d x %d has no cell of size %d", name, atlasWidth, atlasHeight, cellSize);
        return nullptr;
    }
    uint32_t columns = static_cast<uint32_t>(atlasWidth / cellSize);
    uint32_t rows = static_cast<uint32_t>(atlasHeight / cellSize);
    uint64_t cellCount = uint64_t{columns} * rows;
    uint64_t pixelBytes = cellCount * static_cast<uint64_t>(cellSize) * static_cast<uint64_t>(cellSize);
    if (cellCount > 0xFFFFu || pixelBytes > (uint64_t{1} << 30)) {
        LogError("font \"%s\": an atlas of %d x %d with cells of %d is too large", name, atlasWidth, atlasHeight,
                 cellSize);
        return nullptr;
    }

    void* memory = Alloc(allocator, sizeof(GlyphCache), 0);
    if (!memory) return nullptr;
    auto* cache = new (memory) GlyphCache{};
    cache->cellCount = static_cast<uint32_t>(cellCount);
    cache->cellSize = cellSize;
    cache->cells = static_cast<GlyphCell*>(Alloc(allocator, sizeof(GlyphCell) * cache->cellCount, 0));
    cache->pixels = static_cast<uint8_t*>(Alloc(allocator, static_cast<size_t>(pixelBytes), 0));
    cache->index = HashTableCreate(kIndexBuckets, cache->cellCount, nullptr, nullptr, allocator);
    if (!cache->cells || !cache->pixels || !cache->index) {
        DestroyGlyphCache(cache);
        return nullptr;
    }
    memset(cache->pixels, 0, static_cast<size_t>(pixelBytes));
    ListInit(&cache->freeCells);
    for (uint32_t i = 0; i < cache->cellCount; ++i) {
        GlyphCell* cell = new (&cache->cells[i]) GlyphCell{};
        cell->x = static_cast<int32_t>(i % columns) * cellSize;
        cell->y = static_cast<int32_t>(i / columns) * cellSize;
        cell->pixels = cache->pixels + static_cast<size_t>(i) * cellSize * cellSize;
        ListPushBack(&cache->freeCells, &cell->freeLink);
    }
    cache->rasterizer = CreateGlyphRasterizer(bytes, byteCount, cellSize, name, allocator);
    if (!cache->rasterizer) {
        DestroyGlyphCache(cache);
        return nullptr;
    }
    return cache;
}

void DestroyGlyphCache(GlyphCache* cache) {
    if (!cache) return;
    DestroyGlyphRasterizer(cache->rasterizer);
    FreeObject(cache->index);
    Allocator::Free(cache->pixels);
    Allocator::Free(cache->cells);
    cache->~GlyphCache();
    Allocator::Free(cache);
}

GlyphCell* GetGlyph(GlyphCache* cache, uint16_t character, int size, int weight, int edge) {
    GlyphRequest request = MakeGlyphRequest(character, size, weight, edge);
    // Nothing to draw: no cell is taken and nothing is evicted.
    if (character == 0 || GlyphPixelHeight(cache->rasterizer, request.size) <= 0) return nullptr;
    uint32_t key = GlyphKey(request);
    if (auto* hit = static_cast<GlyphCell*>(HashTableLookup(cache->index, key))) return hit;
    if (!cache->freeCells.head) return nullptr;

    GlyphCell* cell = CellOf(ListPopFront(&cache->freeCells));
    if (cell->character != 0) HashTableRemove(cache->index, GlyphKeyOfCell(*cell));
    cell->character = 0;
    cell->refCount = 0;
    cell->uploaded = 0;
    ++cache->renderCount;
    if (!RenderGlyphIntoCell(cache->rasterizer, request, cell)) {
        // Nothing worth keeping is left in it, so it is the first to be reused.
        memset(cell->pixels, 0, static_cast<size_t>(cache->cellSize) * cache->cellSize);
        ListPushFront(&cache->freeCells, &cell->freeLink);
        return nullptr;
    }
    cell->character = request.character;
    cell->size = static_cast<int16_t>(request.size);
    cell->weight = static_cast<int8_t>(request.weight);
    cell->edge = static_cast<int8_t>(request.edge);
    HashTableInsert(cache->index, key, cell);  // one entry per cell, so never full
    ListPushBack(&cache->freeCells, &cell->freeLink);
    return cell;
}

bool IsGlyphCached(GlyphCache* cache, uint16_t character, int size, int weight, int edge) {
    GlyphRequest request = MakeGlyphRequest(character, size, weight, edge);
    if (character == 0 || GlyphPixelHeight(cache->rasterizer, request.size) <= 0) return true;
    return HashTableLookup(cache->index, GlyphKey(request)) != nullptr;
}

void RetainGlyphCell(GlyphCache* cache, GlyphCell* cell) {
    if (cell->refCount == 0) ListRemove(&cache->freeCells, &cell->freeLink);
    ++cell->refCount;
}

bool ReleaseGlyphCell(GlyphCache* cache, GlyphCell* cell) {
    if (cell->refCount <= 0) {
        LogError("glyph cell at (%d, %d) released more often than acquired", cell->x, cell->y);
        return false;
    }
    if (--cell->refCount == 0) ListPushBack(&cache->freeCells, &cell->freeLink);
    return true;
}
