// Text sprite state, layout and drawing.
#include "gfx/text_sprite.h"

#include <GLES2/gl2.h>

#include <cstring>
#include <new>

#include "core/allocator.h"
#include "gfx/async_texture.h"
#include "gfx/gl_state.h"
#include "gfx/quad.h"
#include "gfx/std2d_batch.h"
#include "gfx/text_box.h"

namespace {

constexpr uint8_t kFirstCode = 0x20;   // the space
constexpr uint8_t kDigitsCode = 0x30;  // '0'
constexpr int32_t kCellsPerRow = 16;

int32_t Scaled(int64_t value, float scale) { return TruncateToInt32(static_cast<double>(value) * scale); }

int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value);
}

struct Metrics {
    int32_t quadWidth, quadHeight;
    int64_t advanceX, advanceY;
    int64_t left, top, right;
};

Metrics MetricsOf(const TextSprite& s) {
    Metrics m{};
    if (s.scale == 1.0f) {
        m.quadWidth = s.cellWidth;
        m.quadHeight = s.cellHeight;
        m.advanceX = int64_t{s.charSpace} + s.cellWidth;
        m.advanceY = int64_t{s.lineSpace} + s.cellHeight;
        m.left = int64_t{s.x} - s.width / 2;
        m.top = int64_t{s.y} - s.height / 2;
        m.right = m.left + s.width;
    } else {
        m.quadWidth = Scaled(s.cellWidth, s.scale);
        m.quadHeight = Scaled(s.cellHeight, s.scale);
        m.left = int64_t{s.x} - Scaled(s.width / 2, s.scale);
        m.top = int64_t{s.y} - Scaled(s.height / 2, s.scale);
        m.advanceX = int64_t{Scaled(s.charSpace, s.scale)} + m.quadWidth;
        m.advanceY = int64_t{Scaled(s.lineSpace, s.scale)} + m.quadHeight;
        m.right = m.left + Scaled(s.width, s.scale);
    }
    return m;
}

// The alignment offset of the line starting at `from`; the line's width is
// counted unscaled, whatever the scale.
int64_t LineOffset(const TextSprite& s, uint32_t from) {
    uint32_t n = 0;
    while (from + n < s.maxChars && s.text[from + n] != '\0' && s.text[from + n] != '\n') ++n;
    const int64_t lineWidth = (int64_t{s.charSpace} + s.cellWidth) * n;
    switch (s.align) {
        case kTextAlignCentre: return (s.width - lineWidth) / 2;
        case kTextAlignRight: return s.width - lineWidth;
        default: return 0;
    }
}

}  // namespace

TextSprite* TextSprite::Create(uint32_t maxChars, Allocator* allocator) {
    if (maxChars == 0 || maxChars > kMaxBatchQuads) return nullptr;
    const size_t textBytes = (size_t{maxChars} + 1 + 15) & ~size_t{15};
    void* block = Alloc(allocator, sizeof(TextSprite) + textBytes, 0);
    if (block == nullptr) return nullptr;
    QuadBatch* batch = QuadBatch::Create(maxChars, allocator);
    if (batch == nullptr) {
        Allocator::Free(block);
        return nullptr;
    }
    auto* sprite = new (block) TextSprite{};
    sprite->batch = batch;
    sprite->maxChars = maxChars;
    sprite->text = reinterpret_cast<char*>(sprite + 1);
    memset(sprite->text, 0, textBytes);
    sprite->flags = kTextSpriteVisible;
    sprite->width = 100;
    sprite->height = 100;
    sprite->scale = 1.0f;
    sprite->color = 0xFFFFFFFFu;
    return sprite;
}

void TextSprite::Destroy(TextSprite* sprite) {
    if (sprite == nullptr) return;
    ReleaseTexture(sprite->sheet);
    QuadBatch::Destroy(sprite->batch);
    sprite->~TextSprite();
    Allocator::Free(sprite);
}

void TextSprite::SetSheet(AsyncTexture* image, int32_t gridX, int32_t gridY, int32_t cellW, int32_t cellH) {
    AsyncTexture::AddRef(image);
    ReleaseTexture(sheet);
    sheet = image;
    originX = gridX;
    originY = gridY;
    cellWidth = cellW;
    cellHeight = cellH;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetSheetStartsAtDigits(bool digits) {
    flags = digits ? flags | kTextSpriteDigits : flags & ~kTextSpriteDigits;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetText(const char* newText) {
    memset(text, 0, maxChars);
    if (newText != nullptr) strncpy(text, newText, maxChars);
    flags |= kTextSpriteDirty;
}

void TextSprite::Clear() { SetText(nullptr); }

void TextSprite::SetCharSpace(int32_t space) {
    charSpace = space;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetLineSpace(int32_t space) {
    lineSpace = space;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetAlign(int32_t newAlign) {
    align = newAlign;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetVertAlign(int32_t newAlign) {
    vertAlign = newAlign;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetPos(int32_t newX, int32_t newY) {
    x = newX;
    y = newY;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetSize(int32_t w, int32_t h) {
    width = w;
    height = h;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetAngle(float degrees) {
    angle = degrees;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetScale(float newScale) {
    scale = newScale;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    clip[0] = left;
    clip[1] = top;
    clip[2] = right;
    clip[3] = bottom;
    flags = (left | top | right | bottom) ? flags | kTextSpriteClip : flags & ~kTextSpriteClip;
    flags |= kTextSpriteDirty;
}

void TextSprite::SetColor(uint32_t rgba) {
    color = rgba;
    flags = (rgba >> 24) == 0 ? flags | kTextSpriteTransparent : flags & ~kTextSpriteTransparent;
    QuadBatch::SetColor(batch, rgba);
}

void TextSprite::SetVisible(bool visible) {
    flags = visible ? flags | kTextSpriteVisible : flags & ~kTextSpriteVisible;
}

bool TextSprite::Layout() {
    QuadBatch::Clear(batch);
    const TextureArea* area = AsyncTexture::GetArea(sheet);
    if (area == nullptr) return false;
    flags &= ~kTextSpriteDirty;
    if (cellWidth <= 0 || cellHeight <= 0) return true;
    const Metrics m = MetricsOf(*this);
    const int firstCode = (flags & kTextSpriteDigits) ? kDigitsCode : kFirstCode;
    int64_t penX = m.left + LineOffset(*this, 0), penY = m.top;
    // A line broken at the right edge starts at the left edge, unaligned.
    auto advance = [&] {
        penX += m.advanceX;
        if (penX > m.right) {
            penX = m.left;
            penY += m.advanceY;
        }
    };
    for (uint32_t i = 0; i < maxChars && text[i] != '\0'; ++i) {
        const uint8_t c = static_cast<uint8_t>(text[i]);
        if (c == '\n') {
            penX = m.left + LineOffset(*this, i + 1);
            penY += m.advanceY;
            continue;
        }
        const int32_t index = c - firstCode;
        const int64_t cellX = int64_t{originX} + int64_t{index % kCellsPerRow} * cellWidth;
        const int64_t cellY = int64_t{originY} + int64_t{index / kCellsPerRow} * cellHeight;
        // Characters before the first cell or beyond the sheet's area take
        // their place in the line and draw nothing: they would show whatever
        // lies next to the sheet in its texture.
        const bool onSheet = c != ' ' && index >= 0 && originX >= 0 && originY >= 0 &&
                             cellX + cellWidth <= area->width && cellY + cellHeight <= area->height;
        if (onSheet) {
            QuadVertex quad[4];
            Quad::SetTexRect(quad, Clamp32(area->x + cellX), Clamp32(area->y + cellY), cellWidth, cellHeight);
            Quad::SetCenteredRect(quad, Clamp32(penX + m.advanceX / 2), Clamp32(penY + m.advanceY / 2),
                                  m.quadWidth, m.quadHeight);
            if (flags & kTextSpriteClip) Quad::Clip(quad, 1.0f, 1.0f, clip);
            Quad::SetColor(quad, color);
            QuadBatch::Add(batch, quad);
        }
        advance();
    }
    return true;
}

void TextSprite::Draw(void* argument) {
    auto* sprite = static_cast<TextSprite*>(argument);
    if (!(sprite->flags & kTextSpriteVisible) || (sprite->flags & kTextSpriteTransparent)) return;
    const TextureArea* area = AsyncTexture::GetArea(sprite->sheet);
    if (area == nullptr) return;
    if ((sprite->flags & kTextSpriteDirty) && !sprite->Layout()) return;
    const Std2dDrawState state{area->texture, GL_CLAMP_TO_EDGE, GL_LINEAR, kBlendAlpha};
    DrawStd2dQuads(state, sprite->batch->vertices, sprite->batch->vertexCount / 4);
}
