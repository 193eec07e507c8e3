// Tile state, the background and edge builds, and drawing.
#include "gfx/tile.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <new>

#include "core/allocator.h"
#include "core/color_util.h"
#include "gfx/async_texture.h"
#include "gfx/gl_state.h"
#include "gfx/quad.h"
#include "gfx/std2d_batch.h"
#include "platform/debug_log.h"

namespace {

int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value);
}

// The box on screen after scaling: W = trunc(width x scale), left = x - W / 2.
struct Box {
    int64_t left, top, w, h;
};

Box BoxOf(const Tile& tile) {
    const int64_t w = TruncateToInt32(static_cast<double>(tile.width) * tile.scale);
    const int64_t h = TruncateToInt32(static_cast<double>(tile.height) * tile.scale);
    return {tile.x - w / 2, tile.y - h / 2, w, h};
}

// Adds one piece unless the batch is full. Sizes below 0 (boxes smaller than
// their caps) become 0 instead of drawing mirrored slivers. With `clip` the
// piece is cut, its texels moving with the piece's own texel-per-pixel ratio.
void AddPiece(QuadBatch* batch, int64_t x, int64_t y, int64_t w, int64_t h, int64_t u, int64_t v, int64_t tw,
              int64_t th, uint32_t colour, const int32_t* clip) {
    if (batch->vertexCount / 4 >= batch->capacity) return;
    w = std::max<int64_t>(w, 0);
    h = std::max<int64_t>(h, 0);
    QuadVertex quad[4];
    Quad::SetRect(quad, Clamp32(x), Clamp32(y), Clamp32(w), Clamp32(h));
    Quad::SetTexRect(quad, Clamp32(u), Clamp32(v), Clamp32(std::max<int64_t>(tw, 0)),
                     Clamp32(std::max<int64_t>(th, 0)));
    if (clip != nullptr && w > 0 && h > 0) {
        Quad::Clip(quad, static_cast<float>(tw) / static_cast<float>(w), static_cast<float>(th) / static_cast<float>(h),
                   clip);
    }
    Quad::SetColor(quad, colour);
    QuadBatch::Add(batch, quad);
}

// The eight pieces of a frame around `box` with corners of cw x ch from the
// area's corners; the edges are stretched from one texel column or row.
void AddFrame(QuadBatch* batch, const Box& box, int64_t cw, int64_t ch, const TextureArea& a, uint32_t colour) {
    const int64_t right = box.left + box.w - cw, bottom = box.top + box.h - ch;
    const int64_t u2 = int64_t{a.x} + a.width - cw, v2 = int64_t{a.y} + a.height - ch;
    AddPiece(batch, box.left, box.top, cw, ch, a.x, a.y, cw, ch, colour, nullptr);
    AddPiece(batch, box.left, bottom, cw, ch, a.x, v2, cw, ch, colour, nullptr);
    AddPiece(batch, right, box.top, cw, ch, u2, a.y, cw, ch, colour, nullptr);
    AddPiece(batch, right, bottom, cw, ch, u2, v2, cw, ch, colour, nullptr);
    AddPiece(batch, box.left + cw, box.top, box.w - 2 * cw, ch, u2, a.y, 0, ch, colour, nullptr);
    AddPiece(batch, box.left + cw, bottom, box.w - 2 * cw, ch, u2, v2, 0, ch, colour, nullptr);
    AddPiece(batch, box.left, box.top + ch, cw, box.h - 2 * ch, a.x, int64_t{a.y} + ch, cw, 0, colour, nullptr);
    AddPiece(batch, right, box.top + ch, cw, box.h - 2 * ch, u2, v2, cw, 0, colour, nullptr);
}

// Makes room for `pieces` quads in the background batch, up to the 16-bit
// index limit; returns the room there is.
uint32_t ReserveBackground(Tile* tile, int64_t pieces) {
    if (pieces > kMaxBatchQuads) {
        LogWarning("tile of %lld pieces cut to %u: use a larger image or a smaller box",
                   static_cast<long long>(pieces), kMaxBatchQuads);
        pieces = kMaxBatchQuads;
    }
    if (pieces > tile->background->capacity) {
        QuadBatch* larger = QuadBatch::Create(static_cast<uint32_t>(pieces), tile->allocator);
        if (larger == nullptr) {
            LogError("no memory for a tile of %lld pieces", static_cast<long long>(pieces));
        } else {
            QuadBatch::Destroy(tile->background);
            tile->background = larger;
        }
    }
    return tile->background->capacity;
}

void BuildRepeat(Tile* tile, const Box& box, const TextureArea& a, uint32_t colour) {
    const int64_t n = box.w / a.width, lastWidth = box.w % a.width;
    const int64_t m = box.h / a.height, lastHeight = box.h % a.height;
    const int64_t room = ReserveBackground(tile, (n + 1) * (m + 1));
    // Row by row; a box cut to the batch's room loses its last rows.
    for (int64_t j = 0; j <= m && (j + 1) * (n + 1) <= room; ++j) {
        for (int64_t i = 0; i <= n; ++i) {
            const int64_t w = i == n ? lastWidth : a.width, h = j == m ? lastHeight : a.height;
            AddPiece(tile->background, box.left + i * a.width, box.top + j * a.height, w, h, a.x, a.y, w, h, colour,
                     nullptr);
        }
    }
}

void BuildBar(Tile* tile, const Box& box, const TextureArea& a, uint32_t colour, bool vertical) {
    const int32_t* clip = tile->clipOn ? tile->clip : nullptr;
    QuadBatch* batch = tile->background;
    if (!vertical) {
        const int64_t c = a.width / 2;
        AddPiece(batch, box.left, box.top, c, box.h, a.x, a.y, c, a.height, colour, clip);
        AddPiece(batch, box.left + c, box.top, box.w - a.width, box.h, a.x + c, a.y, 1, a.height, colour, clip);
        AddPiece(batch, box.left + box.w - c, box.top, c, box.h, a.x + c, a.y, c, a.height, colour, clip);
    } else {
        const int64_t c = a.height / 2;
        AddPiece(batch, box.left, box.top, box.w, c, a.x, a.y, a.width, c, colour, clip);
        AddPiece(batch, box.left, box.top + c, box.w, box.h - a.height, a.x, a.y + c, a.width, 1, colour, clip);
        AddPiece(batch, box.left, box.top + box.h - c, box.w, c, a.x, a.y + c, a.width, c, colour, clip);
    }
}

}  // namespace

Tile* Tile::Create(Allocator* allocator) {
    void* block = Alloc(allocator, sizeof(Tile), 0);
    if (block == nullptr) return nullptr;
    QuadBatch* background = QuadBatch::Create(kTileBackgroundQuads, allocator);
    QuadBatch* edge = background != nullptr ? QuadBatch::Create(kTileEdgeQuads, allocator) : nullptr;
    if (edge == nullptr) {
        if (background != nullptr) QuadBatch::Destroy(background);
        Allocator::Free(block);
        return nullptr;
    }
    auto* tile = new (block) Tile{};
    tile->visible = 1;
    tile->width = 100;
    tile->height = 100;
    tile->scale = 1.0f;
    tile->color = tile->backColor = tile->edgeColor = 0xFFFFFFFFu;
    tile->background = background;
    tile->edge = edge;
    tile->allocator = allocator;
    return tile;
}

void Tile::Destroy(Tile* tile) {
    if (tile == nullptr) return;
    ReleaseTexture(tile->backImage);
    ReleaseTexture(tile->edgeImage);
    QuadBatch::Destroy(tile->background);
    QuadBatch::Destroy(tile->edge);
    tile->~Tile();
    Allocator::Free(tile);
}

void Tile::SetMode(int32_t newMode) { mode = newMode; }

void Tile::SetImage(AsyncTexture* newBackground, AsyncTexture* newEdge) {
    AsyncTexture::AddRef(newBackground);
    AsyncTexture::AddRef(newEdge);
    ReleaseTexture(backImage);
    ReleaseTexture(edgeImage);
    backImage = newBackground;
    edgeImage = newEdge;
    built = 0;
}

namespace {

// Rebuilds what can be built now; the rest is built when first drawn.
void Rebuild(Tile* tile) {
    tile->built = 0;
    if (tile->BuildBackground()) tile->built |= kTileBackgroundBuilt;
    if (tile->BuildEdge()) tile->built |= kTileEdgeBuilt;
}

}  // namespace

void Tile::SetPos(int32_t newX, int32_t newY) {
    x = newX;
    y = newY;
    Rebuild(this);
}

void Tile::SetSize(int32_t w, int32_t h) {
    width = w;
    height = h;
    Rebuild(this);
}

void Tile::SetScale(float newScale) {
    if (newScale == scale) return;
    scale = newScale;
    Rebuild(this);
}

void Tile::SetAngle(float degrees) { angle = degrees; }

void Tile::SetColor(uint32_t rgba) {
    color = rgba;
    QuadBatch::SetColor(background, MultiplyColor(backColor, color));
    QuadBatch::SetColor(edge, MultiplyColor(edgeColor, color));
}

void Tile::SetBackColor(uint32_t rgba) {
    backColor = rgba;
    QuadBatch::SetColor(background, MultiplyColor(backColor, color));
}

void Tile::SetEdgeColor(uint32_t rgba) {
    edgeColor = rgba;
    QuadBatch::SetColor(edge, MultiplyColor(edgeColor, color));
}

void Tile::SetClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    clip[0] = left;
    clip[1] = top;
    clip[2] = right;
    clip[3] = bottom;
    clipOn = (left | top | right | bottom) != 0;
    // The bar pieces are cut when built, so a new rectangle needs a new build.
    built &= ~kTileBackgroundBuilt;
}

bool Tile::BuildBackground() {
    QuadBatch::Clear(background);
    const TextureArea* area = AsyncTexture::GetArea(backImage);
    if (area == nullptr) return false;
    const Box box = BoxOf(*this);
    // An empty area has no pieces to repeat or cut; an empty box shows nothing.
    if (area->width <= 0 || area->height <= 0 || box.w <= 0 || box.h <= 0) return true;
    const uint32_t colour = MultiplyColor(backColor, color);
    switch (mode) {
        case kTileRepeat: BuildRepeat(this, box, *area, colour); break;
        case kTileFrame: {
            const int64_t cw = area->width / 4, ch = area->height / 4;
            AddFrame(background, box, cw, ch, *area, colour);
            AddPiece(background, box.left + cw, box.top + ch, box.w - 2 * cw, box.h - 2 * ch, area->x + cw,
                     area->y + ch, 2 * cw, 2 * ch, colour, nullptr);
            break;
        }
        case kTileHorizontalBar: BuildBar(this, box, *area, colour, false); break;
        case kTileVerticalBar: BuildBar(this, box, *area, colour, true); break;
        default: break;  // no background for other modes
    }
    return true;
}

bool Tile::BuildEdge() {
    QuadBatch::Clear(edge);
    const TextureArea* area = AsyncTexture::GetArea(edgeImage);
    if (area == nullptr) return false;
    const Box box = BoxOf(*this);
    if (mode != kTileRepeat || area->width <= 0 || area->height <= 0 || box.w <= 0 || box.h <= 0) return true;
    AddFrame(edge, box, area->width / 2, area->height / 2, *area, MultiplyColor(edgeColor, color));
    return true;
}

void Tile::Draw(void* argument) {
    auto* tile = static_cast<Tile*>(argument);
    if (!tile->visible) return;
    if (tile->backImage == nullptr) {
        // Unscaled, as the box was given.
        if (tile->width <= 0 || tile->height <= 0) return;
        QuadVertex quad[4];
        Quad::SetRect(quad, Clamp32(int64_t{tile->x} - tile->width / 2), Clamp32(int64_t{tile->y} - tile->height / 2),
                      tile->width, tile->height);
        Quad::SetTexRect(quad, 0, 0, 0, 0);
        Quad::SetColor(quad, MultiplyColor(tile->backColor, tile->color));
        DrawStd2dQuads({nullptr, GL_REPEAT, GL_LINEAR, kBlendAlpha}, quad, 1);
    } else if (const TextureArea* area = AsyncTexture::GetArea(tile->backImage)) {
        if (!(tile->built & kTileBackgroundBuilt) && tile->BuildBackground()) tile->built |= kTileBackgroundBuilt;
        DrawStd2dQuads({area->texture, GL_CLAMP_TO_EDGE, GL_NEAREST, kBlendAlpha}, tile->background->vertices,
                       tile->background->vertexCount / 4);
    }
    if (const TextureArea* area = AsyncTexture::GetArea(tile->edgeImage)) {
        if (!(tile->built & kTileEdgeBuilt) && tile->BuildEdge()) tile->built |= kTileEdgeBuilt;
        DrawStd2dQuads({area->texture, GL_CLAMP_TO_EDGE, GL_NEAREST, kBlendAlpha}, tile->edge->vertices,
                       tile->edge->vertexCount / 4);
    }
}
