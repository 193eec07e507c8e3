// A tile: a box filled from one image, tiled (mode 0), as a nine-part frame
// (mode 1) or as a horizontal or vertical three-part bar (modes 2 and 3),
// with an optional eight-piece frame from a second image around a tiled box.
// Without a background image it is a plain coloured rectangle. Message
// windows and panels are tiles. The tile holds references to its images.
#pragma once

#include <cstdint>

struct Allocator;
struct AsyncTexture;
struct QuadBatch;

enum TileMode : int32_t { kTileRepeat = 0, kTileFrame = 1, kTileHorizontalBar = 2, kTileVerticalBar = 3 };

enum TileBuiltFlags : uint32_t { kTileEdgeBuilt = 1, kTileBackgroundBuilt = 2 };

// The background batch starts at this many quads and grows for large tiled
// boxes up to kMaxBatchQuads; the edge frame has eight pieces.
constexpr uint32_t kTileBackgroundQuads = 256;
constexpr uint32_t kTileEdgeQuads = 8;

struct Tile {
    int32_t visible;
    int32_t clipOn;  // any clip value non-zero
    int32_t x, y;    // centre of the box
    int32_t width, height;
    float angle;  // stored only
    float scale;
    uint32_t color;
    int32_t mode;
    uint32_t built;  // TileBuiltFlags
    QuadBatch* background;
    AsyncTexture* backImage;  // referenced
    uint32_t backColor;
    QuadBatch* edge;
    AsyncTexture* edgeImage;  // referenced
    uint32_t edgeColor;
    int32_t clip[4];  // left, top, right, bottom
    Allocator* allocator;

    // 100 x 100 at (0, 0), mode 0, white, visible, no images. Null when memory runs out.
    static Tile* Create(Allocator* allocator);
    // Drops the image references and frees everything; null is ignored.
    static void Destroy(Tile* tile);
    // The layer draw callback.
    static void Draw(void* tile);

    // Takes effect at the next build.
    void SetMode(int32_t newMode);
    // Either may be null; both are built again when next drawn.
    void SetImage(AsyncTexture* newBackground, AsyncTexture* newEdge);
    void SetPos(int32_t newX, int32_t newY);
    void SetSize(int32_t w, int32_t h);
    void SetScale(float newScale);
    void SetAngle(float degrees);
    void SetColor(uint32_t rgba);
    void SetBackColor(uint32_t rgba);
    void SetEdgeColor(uint32_t rgba);
    // Clips the bar modes' pieces; all four 0 switches clipping off.
    void SetClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void SetVisible(bool show) { visible = show ? 1 : 0; }
    bool IsVisible() const { return visible != 0; }

    // Build the batches from the images' areas; each does nothing (and
    // returns false) while its image is not ready.
    bool BuildBackground();
    bool BuildEdge();
};
