// A sprite: the state of one textured, coloured, rotatable, scalable and
// clippable rectangle placed by its centre, which becomes one Std2d quad.
// The geometry is rebuilt lazily when drawn. A sprite holds a reference to
// the image it shows.
#pragma once

#include <cstdint>

#include "gfx/quad.h"

struct Allocator;
struct AsyncTexture;

enum SpriteFlags : uint32_t {
    kSpriteVisible = 1,
    kSpriteTransparent = 2,     // every vertex alpha is 0: nothing is drawn
    kSpriteImagePending = 4,    // image or rectangle set, area not yet seen ready
    kSpriteSizeFromImage = 8,   // width and height follow the source rectangle
    kSpriteSourceRect = 16,     // the source rectangle is set (else the whole image)
    kSpriteDirty = 32,          // the quad must be rebuilt before drawing
    kSpriteClip = 64,
    kSpritePixelExact = 128,    // unscaled, unrotated, source-sized: nearest filtering
    kSpriteEmpty = 256,         // the rebuilt quad covers no pixel
};

struct Sprite {
    QuadVertex quad[4];
    uint32_t flags;
    int32_t x, y;  // centre, screen pixels
    int32_t width, height;
    float angle;  // degrees
    float scale;
    AsyncTexture* image;  // referenced
    int32_t sourceX, sourceY, sourceWidth, sourceHeight;  // within the image's area
    int32_t clip[4];  // left, top, right, bottom
    int32_t blend;

    // 100 x 100, scale 1, blend 1 (alpha), visible, size following the
    // image, opaque white. Null when memory runs out.
    static Sprite* Create(Allocator* allocator);
    // Drops the image reference and frees the sprite; null is ignored.
    static void Destroy(Sprite* sprite);
    // The layer draw callback; `sprite` is the Sprite.
    static void Draw(void* sprite);

    void SetPos(int32_t newX, int32_t newY);
    void SetAngle(float degrees);
    void SetScale(float newScale);
    // Fixes the size: it no longer follows the image.
    void SetSize(int32_t w, int32_t h);
    void SetColor(uint32_t rgba);
    // Top-left, bottom-left, top-right, bottom-right.
    void SetVertexColors(uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3);
    void SetBlend(int32_t mode);
    // Shows the whole image (null = untextured).
    void SetImage(AsyncTexture* newImage);
    void SetImageRect(AsyncTexture* newImage, int32_t sx, int32_t sy, int32_t sw, int32_t sh);
    void SetSourceRect(int32_t sx, int32_t sy, int32_t sw, int32_t sh);
    void SetVisible(bool visible);
    bool IsVisible() const { return flags & kSpriteVisible; }
    // All four values 0 switches clipping off.
    void SetClipRect(const int32_t rect[4]);
    // The clip rectangle, or null without clipping.
    const int32_t* GetClipRect() const { return flags & kSpriteClip ? clip : nullptr; }
    int32_t GetX() const { return x; }
    int32_t GetY() const { return y; }
    int32_t GetWidth() const { return width; }
    int32_t GetHeight() const { return height; }
    float GetAngle() const { return angle; }
    float GetScale() const { return scale; }

    // Rebuilds the quad from the state and the image's area (if ready).
    void UpdateVertices();
};
