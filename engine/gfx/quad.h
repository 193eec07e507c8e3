// The 2D vertex (12 bytes: position and texel in 16-bit integers, RGBA8
// colour with red in the lowest byte), quad builders and fixed-capacity quad
// batches. A quad is four vertices: top-left, bottom-left, top-right,
// bottom-right, so it is also a triangle strip.
#pragma once

#include <cstdint>

struct Allocator;

struct QuadVertex {
    int16_t x, y;  // screen pixels, y down
    int16_t u, v;  // texels
    uint32_t color;
};
static_assert(sizeof(QuadVertex) == 12, "2D vertices are 12 bytes");

enum QuadCorner { kQuadTopLeft = 0, kQuadBottomLeft = 1, kQuadTopRight = 2, kQuadBottomRight = 3 };

// A float pixel or texel value as an integer, truncated toward zero and held
// to the int32 range (NaN gives 0): script values never make the conversion
// undefined.
int32_t TruncateToInt32(double value);

// Builders take a pointer to the quad's four vertices. Coordinates beyond the
// 16-bit range stop at its edge rather than wrapping round.
namespace Quad {
void SetRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h);
void SetTexRect(QuadVertex* quad, int32_t u, int32_t v, int32_t w, int32_t h);
void SetColor(QuadVertex* quad, uint32_t rgba);
// Centred on (x, y); an odd pixel of width or height goes right and down.
void SetCenteredRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h);
// Centred on (x, y) and turned by `degrees`; corners truncated to pixels.
void SetRotatedRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h, float degrees);
// Cuts an axis-aligned quad to clip = {left, top, right, bottom}, moving its
// texels by texelsX / texelsY texels per screen pixel. A quad left empty has
// every position 0.
void Clip(QuadVertex* quad, float texelsX, float texelsY, const int32_t clip[4]);
// The same for a quad whose texture is mapped turned by a right angle:
// horizontal cuts move v, vertical cuts move u.
void ClipTransposed(QuadVertex* quad, float texelsX, float texelsY, const int32_t clip[4]);
}  // namespace Quad

// Indices are 16-bit, so a batch holds at most this many quads.
constexpr uint32_t kMaxBatchQuads = 16384;

// One 16-byte-aligned block: this head, capacity x 4 vertices and capacity x 6
// prefilled indices (k, k+1, k+2, k+2, k+1, k+3 for first vertex k).
struct QuadBatch {
    uint32_t vertexCount;
    QuadVertex* vertices;
    uint16_t* indices;
    uint32_t capacity;  // quads

    // Null when memory runs out or `capacity` is 0; a capacity above
    // kMaxBatchQuads is cut to it with a log line.
    static QuadBatch* Create(uint32_t capacity, Allocator* allocator);
    static void Destroy(QuadBatch* batch);
    static void Clear(QuadBatch* batch);
    // Appends the quad; 0 (and nothing added) when the batch is full.
    static int Add(QuadBatch* batch, const QuadVertex* quad);
    static void SetColor(QuadBatch* batch, uint32_t rgba);
    // One indexed draw of every quad added, with the Std2d program.
    static void Draw(const QuadBatch* batch);
};
