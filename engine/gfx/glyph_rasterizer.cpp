// FreeType rendering of glyphs into atlas cells. Every FreeType result is
// checked: a failed lookup leaves no glyph and the caller draws nothing.
#include "gfx/glyph_rasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_STROKER_H

#include <algorithm>
#include <new>

#include "core/allocator.h"
#include "gfx/freetype_library.h"
#include "gfx/glyph_bitmap.h"
#include "gfx/glyph_cell.h"
#include "platform/debug_log.h"

struct GlyphRasterizer {
    FT_Library library = nullptr;
    const uint8_t* bytes = nullptr;
    uint32_t byteCount = 0;
    FTC_Manager manager = nullptr;
    FTC_CMapCache charMaps = nullptr;
    FTC_ImageCache images = nullptr;
    FT_Stroker stroker = nullptr;
    FTC_ImageTypeRec imageType{};
    int cellSize = 0;
    int currentSize = 0;  // the size the image type was last set for; 0 = none
    uint8_t coverage[kCoverageTableSize];
};

namespace {

// The coverage curve every font uses.
constexpr float kCoverageParameter = 5.0f;

// The cache manager asks for the face (its id is null) the first time and
// owns it afterwards: FTC_Manager_Done closes it.
FT_Error RequestFace(FTC_FaceID, FT_Library library, FT_Pointer requestData, FT_Face* face) {
    auto* rasterizer = static_cast<GlyphRasterizer*>(requestData);
    std::lock_guard<std::mutex> hold(FreeTypeFaceLock());
    return FT_New_Memory_Face(library, rasterizer->bytes, static_cast<FT_Long>(rasterizer->byteCount), 0, face);
}

// Sets the pixel size for a requested size; the current size changes only
// when FreeType accepted the new one.
bool SetPixelSize(GlyphRasterizer* rasterizer, int size) {
    size = std::min(size, rasterizer->cellSize);
    if (size == rasterizer->currentSize) return true;
    int pixels = size - kGlyphSizeMargin;
    if (pixels <= 0) return false;
    FTC_ScalerRec scaler{};
    scaler.face_id = nullptr;
    scaler.width = 0;
    scaler.height = static_cast<FT_UInt>(pixels) * 64;
    scaler.pixel = 0;
    scaler.x_res = 0;
    scaler.y_res = 72;
    FT_Size ftSize = nullptr;
    if (FTC_Manager_LookupSize(rasterizer->manager, &scaler, &ftSize) != 0 || !ftSize) return false;
    rasterizer->imageType.height = static_cast<FT_UInt>(pixels);
    rasterizer->currentSize = size;
    return true;
}

// A copy of the cached glyph that the caller owns, or null.
FT_Glyph CopyCachedGlyph(GlyphRasterizer* rasterizer, uint16_t character) {
    FT_UInt index = FTC_CMapCache_Lookup(rasterizer->charMaps, nullptr, -1, character);
    FT_Glyph cached = nullptr;
    if (FTC_ImageCache_Lookup(rasterizer->images, &rasterizer->imageType, index, &cached, nullptr) != 0 || !cached)
        return nullptr;
    FT_Glyph copy = nullptr;
    if (FT_Glyph_Copy(cached, &copy) != 0) return nullptr;
    return copy;
}

// Emboldens and strokes an outline glyph in place; bitmap glyphs pass as they
// are. On failure the glyph has been freed and null is returned.
FT_Glyph ApplyStyle(GlyphRasterizer* rasterizer, FT_Glyph glyph, const GlyphRequest& request) {
    if (glyph->format != FT_GLYPH_FORMAT_OUTLINE) return glyph;
    FT_Outline* outline = &reinterpret_cast<FT_OutlineGlyph>(glyph)->outline;
    if (FT_Outline_Embolden(outline, FT_Pos{1} << (request.weight + 6)) != 0) {
        FT_Done_Glyph(glyph);
        return nullptr;
    }
    if (request.edge <= 0) return glyph;
    FT_Stroker_Set(rasterizer->stroker, (request.edge + 1) * 32, FT_STROKER_LINECAP_ROUND,
                   FT_STROKER_LINEJOIN_ROUND, 0);
    FT_Glyph border = glyph;
    // Not destroying the source keeps ownership plain whether or not stroking works.
    FT_Error error = FT_Glyph_StrokeBorder(&border, rasterizer->stroker, 0, 0);
    FT_Done_Glyph(glyph);
    if (error != 0 || !border || border == glyph) return nullptr;
    return border;
}

}  // namespace

GlyphRasterizer* CreateGlyphRasterizer(const uint8_t* bytes, uint32_t size, int cellSize, const char* name,
                                       Allocator* allocator) {
    FT_Library library = AcquireFreeTypeLibrary();
    if (!library) return nullptr;
    void* memory = Alloc(allocator, sizeof(GlyphRasterizer), 0);
    if (!memory) {
        ReleaseFreeTypeLibrary();
        return nullptr;
    }
    auto* rasterizer = new (memory) GlyphRasterizer();
    rasterizer->library = library;
    rasterizer->bytes = bytes;
    rasterizer->byteCount = size;
    rasterizer->cellSize = cellSize;
    BuildCoverageTable(rasterizer->coverage, kCoverageParameter);

    FT_Error error = FTC_Manager_New(library, 0, 0, 0, RequestFace, rasterizer, &rasterizer->manager);
    if (error == 0) error = FTC_CMapCache_New(rasterizer->manager, &rasterizer->charMaps);
    if (error == 0) error = FTC_ImageCache_New(rasterizer->manager, &rasterizer->images);
    FT_Face face = nullptr;
    if (error == 0) error = FTC_Manager_LookupFace(rasterizer->manager, nullptr, &face);
    if (error == 0) error = FT_Stroker_New(library, &rasterizer->stroker);
    if (error != 0) {
        LogError("font \"%s\": FreeType cannot use its %u bytes (error %d)", name, size, error);
        DestroyGlyphRasterizer(rasterizer);
        return nullptr;
    }
    rasterizer->imageType.face_id = nullptr;
    rasterizer->imageType.width = 0;
    rasterizer->imageType.flags = 0;
    // A cell too small for any glyph is not an error: such a font draws nothing.
    SetPixelSize(rasterizer, cellSize);
    return rasterizer;
}

void DestroyGlyphRasterizer(GlyphRasterizer* rasterizer) {
    if (!rasterizer) return;
    if (rasterizer->stroker) FT_Stroker_Done(rasterizer->stroker);
    if (rasterizer->manager) {
        std::lock_guard<std::mutex> hold(FreeTypeFaceLock());
        FTC_Manager_Done(rasterizer->manager);  // closes the face as well
    }
    rasterizer->~GlyphRasterizer();
    Allocator::Free(rasterizer);
    ReleaseFreeTypeLibrary();
}

int GlyphPixelHeight(const GlyphRasterizer* rasterizer, int size) {
    return std::min(size, rasterizer->cellSize) - kGlyphSizeMargin;
}

bool RenderGlyphIntoCell(GlyphRasterizer* rasterizer, const GlyphRequest& request, GlyphCell* cell) {
    if (!SetPixelSize(rasterizer, request.size)) return false;
    FT_Glyph glyph = CopyCachedGlyph(rasterizer, request.character);
    if (!glyph) return false;
    glyph = ApplyStyle(rasterizer, glyph, request);
    if (!glyph) return false;
    if (FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1) != 0) {
        FT_Done_Glyph(glyph);
        return false;
    }
    auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(glyph);
    const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
    GlyphBitmapView view{bitmap.buffer, static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows), bitmap.pitch,
                         GlyphBitmapFormat::kGray8};
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) view.format = GlyphBitmapFormat::kMono1;
    else if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) view.buffer = nullptr;  // colour bitmaps draw as nothing

    int width = 0;
    int rows = 0;
    CopyGlyphBitmapIntoCell(view, rasterizer->coverage, cell->pixels, rasterizer->cellSize, &width, &rows);
    cell->left = static_cast<int16_t>(std::clamp<FT_Int>(bitmapGlyph->left, INT16_MIN, INT16_MAX));
    cell->top = static_cast<int16_t>(std::clamp<FT_Int>((2 * request.size) / 3 - bitmapGlyph->top, INT16_MIN, INT16_MAX));
    cell->advanceX = static_cast<int16_t>(glyph->advance.x >> 16);
    cell->advanceY = static_cast<int16_t>(glyph->advance.y >> 16);
    cell->width = static_cast<int16_t>(width);
    cell->rows = static_cast<int16_t>(rows);
    cell->uploaded = 0;
    FT_Done_Glyph(glyph);
    return true;
}
