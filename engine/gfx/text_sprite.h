// A text sprite: a short 8-bit string drawn from a bitmap-font sheet, an
// image of character cells 16 to a row in character-code order, starting at
// the space (or at '0'). Used for numbers and labels. The layout is redone
// when drawn after a change; the sprite holds a reference to its sheet.
#pragma once

#include <cstdint>

struct Allocator;
struct AsyncTexture;
struct QuadBatch;

enum TextSpriteFlags : uint32_t {
    kTextSpriteVisible = 1,
    kTextSpriteTransparent = 2,  // colour alpha 0: nothing is drawn
    kTextSpriteDirty = 4,        // the quads must be laid out again
    kTextSpriteClip = 8,
    kTextSpriteDigits = 16,      // the sheet's first cell is '0', not the space
};


struct TextSprite {
    QuadBatch* batch;  // maxChars quads
    uint32_t maxChars;
    char* text;  // maxChars bytes (NUL-terminated when shorter), after the record
    uint32_t flags;
    int32_t x, y;  // centre of the box
    int32_t width, height;
    float angle;  // stored only
    float scale;
    uint32_t color;
    int32_t clip[4];  // left, top, right, bottom
    AsyncTexture* sheet;  // referenced
    int32_t originX, originY, cellWidth, cellHeight;  // the grid, in texels inside the sheet's area
    int32_t charSpace, lineSpace;
    int32_t align;  // 0 left, 1 centre, 2 right (TextBoxAlign)
    int32_t vertAlign;  // stored only

    // An empty sprite for up to `maxChars` bytes (1 to kMaxBatchQuads): 100 x
    // 100, white, visible. Null when memory runs out or maxChars is 0.
    static TextSprite* Create(uint32_t maxChars, Allocator* allocator);
    // Drops the sheet reference and frees everything; null is ignored.
    static void Destroy(TextSprite* sprite);
    // The layer draw callback.
    static void Draw(void* sprite);

    void SetSheet(AsyncTexture* image, int32_t gridX, int32_t gridY, int32_t cellW, int32_t cellH);
    void SetSheetStartsAtDigits(bool digits);
    // Copies at most maxChars bytes of `newText` (null = empty).
    void SetText(const char* newText);
    void Clear();
    void SetCharSpace(int32_t space);
    void SetLineSpace(int32_t space);
    void SetAlign(int32_t newAlign);
    void SetVertAlign(int32_t newAlign);
    void SetPos(int32_t newX, int32_t newY);
    void SetSize(int32_t w, int32_t h);
    void SetAngle(float degrees);
    void SetScale(float newScale);
    // All four 0 switches clipping off.
    void SetClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // Recolours the laid-out quads at once; alpha 0 hides the sprite.
    void SetColor(uint32_t rgba);
    void SetVisible(bool visible);
    bool IsVisible() const { return flags & kTextSpriteVisible; }

    // Lays the text out into the batch now when the sheet is ready (the draw
    // callback does this after a change); false while it is not.
    bool Layout();
};
