// Sprite state, geometry and drawing.
#include "gfx/sprite.h"

#include <GLES2/gl2.h>

#include <cstring>
#include <new>

#include "core/allocator.h"
#include "gfx/async_texture.h"
#include "gfx/std2d_batch.h"

namespace {

uint32_t Alpha(uint32_t rgba) { return rgba >> 24; }

// A texel position from the area and a script's source offset, held to int32.
int32_t OffsetIn(int32_t base, int32_t offset) {
    const int64_t sum = int64_t{base} + offset;
    return static_cast<int32_t>(sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : sum);
}

}  // namespace

Sprite* Sprite::Create(Allocator* allocator) {
    void* block = Alloc(allocator, sizeof(Sprite), 0);
    if (!block) return nullptr;
    memset(block, 0, sizeof(Sprite));
    auto* sprite = new (block) Sprite;
    sprite->flags = kSpriteVisible | kSpriteSizeFromImage | kSpriteDirty;
    sprite->width = 100;
    sprite->height = 100;
    sprite->scale = 1.0f;
    sprite->blend = 1;
    Quad::SetColor(sprite->quad, 0xFFFFFFFFu);
    return sprite;
}

void Sprite::Destroy(Sprite* sprite) {
    if (!sprite) return;
    ReleaseTexture(sprite->image);
    Allocator::Free(sprite);
}

void Sprite::SetPos(int32_t newX, int32_t newY) {
    x = newX;
    y = newY;
    flags |= kSpriteDirty;
}

void Sprite::SetAngle(float degrees) {
    angle = degrees;
    flags |= kSpriteDirty;
}

void Sprite::SetScale(float newScale) {
    scale = newScale;
    flags |= kSpriteDirty;
}

void Sprite::SetSize(int32_t w, int32_t h) {
    width = w;
    height = h;
    flags = (flags & ~kSpriteSizeFromImage) | kSpriteDirty;
}

void Sprite::SetColor(uint32_t rgba) {
    Quad::SetColor(quad, rgba);
    if (Alpha(rgba) == 0) flags |= kSpriteTransparent;
    else flags &= ~kSpriteTransparent;
}

void Sprite::SetVertexColors(uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3) {
    quad[kQuadTopLeft].color = c0;
    quad[kQuadBottomLeft].color = c1;
    quad[kQuadTopRight].color = c2;
    quad[kQuadBottomRight].color = c3;
    if ((Alpha(c0) | Alpha(c1) | Alpha(c2) | Alpha(c3)) == 0) flags |= kSpriteTransparent;
    else flags &= ~kSpriteTransparent;
}

void Sprite::SetBlend(int32_t mode) { blend = mode; }

void Sprite::SetImage(AsyncTexture* newImage) {
    AsyncTexture::AddRef(newImage);
    ReleaseTexture(image);
    image = newImage;
    flags = (flags & ~kSpriteSourceRect) | kSpriteImagePending | kSpriteDirty;
}

void Sprite::SetImageRect(AsyncTexture* newImage, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    AsyncTexture::AddRef(newImage);
    ReleaseTexture(image);
    image = newImage;
    SetSourceRect(sx, sy, sw, sh);
}

void Sprite::SetSourceRect(int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    sourceX = sx;
    sourceY = sy;
    sourceWidth = sw;
    sourceHeight = sh;
    flags |= kSpriteImagePending | kSpriteSourceRect | kSpriteDirty;
}

void Sprite::SetVisible(bool visible) {
    if (visible) flags |= kSpriteVisible;
    else flags &= ~kSpriteVisible;
}

void Sprite::SetClipRect(const int32_t rect[4]) {
    memcpy(clip, rect, sizeof(clip));
    if (clip[0] | clip[1] | clip[2] | clip[3]) flags |= kSpriteClip;
    else flags &= ~kSpriteClip;
    flags |= kSpriteDirty;
}

void Sprite::UpdateVertices() {
    bool exact = true;
    int32_t textureWidth = 0, textureHeight = 0;
    const TextureArea* area = AsyncTexture::GetArea(image);
    if (area) {
        const bool ownRect = flags & kSpriteSourceRect;
        const int32_t u = OffsetIn(area->x, ownRect ? sourceX : 0), v = OffsetIn(area->y, ownRect ? sourceY : 0);
        textureWidth = ownRect ? sourceWidth : area->width;
        textureHeight = ownRect ? sourceHeight : area->height;
        Quad::SetTexRect(quad, u, v, textureWidth, textureHeight);
        if (flags & kSpriteSizeFromImage) {
            width = textureWidth;
            height = textureHeight;
        }
        exact = width == textureWidth && height == textureHeight;
    }
    int32_t drawWidth = width, drawHeight = height;
    if (scale != 1.0f) {
        drawWidth = TruncateToInt32(static_cast<float>(width) * scale);
        drawHeight = TruncateToInt32(static_cast<float>(height) * scale);
        exact = false;
    }
    // A sprite scaled down to nothing covers no pixel (and has no texel ratio).
    bool empty = drawWidth == 0 || drawHeight == 0;
    if (angle == 0.0f) {
        Quad::SetCenteredRect(quad, x, y, drawWidth, drawHeight);
        if ((flags & kSpriteClip) && !empty) {
            const float texelsX = area ? static_cast<float>(textureWidth) / static_cast<float>(drawWidth) : 1.0f;
            const float texelsY = area ? static_cast<float>(textureHeight) / static_cast<float>(drawHeight) : 1.0f;
            Quad::Clip(quad, texelsX, texelsY, clip);
            const QuadVertex& tl = quad[kQuadTopLeft];
            const QuadVertex& br = quad[kQuadBottomRight];
            empty = tl.x == 0 && tl.y == 0 && br.x == 0 && br.y == 0;
        }
    } else {
        Quad::SetRotatedRect(quad, x, y, drawWidth, drawHeight, angle);
        exact = false;
    }
    flags &= ~(kSpritePixelExact | kSpriteEmpty);
    if (exact) flags |= kSpritePixelExact;
    if (empty) flags |= kSpriteEmpty;
}

void Sprite::Draw(void* argument) {
    auto* sprite = static_cast<Sprite*>(argument);
    if (!(sprite->flags & kSpriteVisible) || (sprite->flags & kSpriteTransparent) || sprite->width == 0 ||
        sprite->height == 0) {
        return;
    }
    const TextureArea* area = nullptr;
    if (sprite->image) {
        area = AsyncTexture::GetArea(sprite->image);
        if (!area) return;  // still loading (or failed): nothing this frame
        // A new image or rectangle: rebuild now, so that the first frame
        // with the image ready already shows it at its own size.
        if (sprite->flags & kSpriteImagePending) {
            sprite->flags = (sprite->flags & ~kSpriteImagePending) | kSpriteDirty;
        }
    }
    if (sprite->flags & kSpriteDirty) {
        sprite->UpdateVertices();
        sprite->flags &= ~kSpriteDirty;
    }
    if (sprite->flags & kSpriteEmpty) return;
    Std2dDrawState state{nullptr, GL_REPEAT, GL_LINEAR, sprite->blend};
    if (area) {
        const GLenum filter = (sprite->flags & kSpritePixelExact) ? GL_NEAREST : GL_LINEAR;
        state = {area->texture, GL_CLAMP_TO_EDGE, filter, sprite->blend};
    }
    DrawStd2dQuads(state, sprite->quad, 1);
}
