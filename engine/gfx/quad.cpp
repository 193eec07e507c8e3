// Quad builders and quad batches.
#include "gfx/quad.h"

#include <cmath>
#include <cstring>

#include "core/allocator.h"
#include "core/fast_math.h"
#include "gfx/std2d.h"
#include "platform/debug_log.h"

namespace {

int16_t Saturate16(int64_t v) {
    return static_cast<int16_t>(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v);
}

int16_t Pixel(float v) { return Saturate16(TruncateToInt32(v)); }

void SetPositions(QuadVertex* q, int64_t left, int64_t top, int64_t right, int64_t bottom) {
    q[kQuadTopLeft].x = Saturate16(left);
    q[kQuadTopLeft].y = Saturate16(top);
    q[kQuadBottomLeft].x = Saturate16(left);
    q[kQuadBottomLeft].y = Saturate16(bottom);
    q[kQuadTopRight].x = Saturate16(right);
    q[kQuadTopRight].y = Saturate16(top);
    q[kQuadBottomRight].x = Saturate16(right);
    q[kQuadBottomRight].y = Saturate16(bottom);
}

void ZeroPositionsIfEmpty(QuadVertex* q) {
    if (q[kQuadTopLeft].x >= q[kQuadBottomRight].x || q[kQuadTopLeft].y >= q[kQuadBottomRight].y) {
        for (int i = 0; i < 4; ++i) q[i].x = q[i].y = 0;
    }
}

int16_t Shift(int16_t value, int32_t delta) { return static_cast<int16_t>(value + delta); }

// The texel shift for cutting `pixels` off an edge, as a 16-bit step.
int32_t TexelStep(int64_t pixels, float texelsPerPixel) {
    return static_cast<int16_t>(TruncateToInt32(static_cast<float>(pixels) * texelsPerPixel));
}

}  // namespace

int32_t TruncateToInt32(double value) {
    if (!(value > -2147483648.0)) return value != value ? 0 : INT32_MIN;
    if (value >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(value);
}

namespace Quad {

void SetRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h) {
    SetPositions(quad, x, y, int64_t{x} + w, int64_t{y} + h);
}

void SetTexRect(QuadVertex* quad, int32_t u, int32_t v, int32_t w, int32_t h) {
    const int64_t right = int64_t{u} + w, bottom = int64_t{v} + h;
    const int64_t coords[4][2] = {{u, v}, {u, bottom}, {right, v}, {right, bottom}};
    for (int i = 0; i < 4; ++i) {
        quad[i].u = Saturate16(coords[i][0]);
        quad[i].v = Saturate16(coords[i][1]);
    }
}

void SetColor(QuadVertex* quad, uint32_t rgba) {
    for (int i = 0; i < 4; ++i) quad[i].color = rgba;
}

void SetCenteredRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int64_t cx = x, cy = y;
    SetPositions(quad, cx - w / 2, cy - h / 2, cx + w / 2 + w % 2, cy + h / 2 + h % 2);
}

void SetRotatedRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h, float degrees) {
    const float hw = 0.5f * static_cast<float>(w), hh = 0.5f * static_cast<float>(h);
    // Bring the angle into -pi..pi, where the series sine is accurate.
    float a = degrees * 3.1415927f * 0.0055555557f + 3.1415927f;
    // Whole turns as a float: the same number wherever an int32 holds it.
    const float turns = std::trunc(a * 0.15915494f);
    a = a - turns * 6.2831855f;
    if (a < 0.0f) a += 6.2831855f;
    a = a - 3.1415927f;
    float s = 0.0f, c = 0.0f;
    SinCos(a, &s, &c);
    const float p = hw * c - hh * s, q = hw * s + hh * c;
    const float r = hw * c + hh * s, t = hw * s - hh * c;
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    quad[kQuadTopLeft].x = Pixel(fx - p);
    quad[kQuadTopLeft].y = Pixel(fy - q);
    quad[kQuadBottomLeft].x = Pixel(fx - r);
    quad[kQuadBottomLeft].y = Pixel(fy - t);
    quad[kQuadTopRight].x = Pixel(fx + r);
    quad[kQuadTopRight].y = Pixel(fy + t);
    quad[kQuadBottomRight].x = Pixel(fx + p);
    quad[kQuadBottomRight].y = Pixel(fy + q);
}

namespace {

// Clips to the rectangle, moving the texel coordinate `across` along with x
// and `down` along with y (u and v, or v and u for a transposed image).
void ClipAlong(QuadVertex* quad, float texelsX, float texelsY, const int32_t clip[4], int16_t QuadVertex::*across,
               int16_t QuadVertex::*down) {
    QuadVertex& tl = quad[kQuadTopLeft];
    QuadVertex& bl = quad[kQuadBottomLeft];
    QuadVertex& tr = quad[kQuadTopRight];
    QuadVertex& br = quad[kQuadBottomRight];
    if (tl.x < clip[0]) {
        tl.*across = bl.*across = Shift(bl.*across, TexelStep(int64_t{clip[0]} - tl.x, texelsX));
        tl.x = bl.x = Saturate16(clip[0]);
    }
    if (tl.y < clip[1]) {
        tl.*down = tr.*down = Shift(tr.*down, TexelStep(int64_t{clip[1]} - tl.y, texelsY));
        tl.y = tr.y = Saturate16(clip[1]);
    }
    if (br.x > clip[2]) {
        br.*across = tr.*across = Shift(br.*across, TexelStep(int64_t{clip[2]} - br.x, texelsX));
        br.x = tr.x = Saturate16(clip[2]);
    }
    if (br.y > clip[3]) {
        br.*down = bl.*down = Shift(br.*down, TexelStep(int64_t{clip[3]} - br.y, texelsY));
        br.y = bl.y = Saturate16(clip[3]);
    }
    ZeroPositionsIfEmpty(quad);
}

}  // namespace

void Clip(QuadVertex* quad, float texelsX, float texelsY, const int32_t clip[4]) {
    ClipAlong(quad, texelsX, texelsY, clip, &QuadVertex::u, &QuadVertex::v);
}

void ClipTransposed(QuadVertex* quad, float texelsX, float texelsY, const int32_t clip[4]) {
    ClipAlong(quad, texelsX, texelsY, clip, &QuadVertex::v, &QuadVertex::u);
}

}  // namespace Quad

QuadBatch* QuadBatch::Create(uint32_t capacity, Allocator* allocator) {
    if (capacity == 0) return nullptr;
    if (capacity > kMaxBatchQuads) {
        LogWarning("quad batch of %u quads cut to %u: indices are 16-bit", capacity, kMaxBatchQuads);
        capacity = kMaxBatchQuads;
    }
    const size_t head = (sizeof(QuadBatch) + 15) & ~size_t{15};
    const size_t vertexBytes = sizeof(QuadVertex) * 4 * capacity;
    auto* block = static_cast<uint8_t*>(Alloc(allocator, head + vertexBytes + sizeof(uint16_t) * 6 * capacity, 16));
    if (!block) return nullptr;
    auto* batch = reinterpret_cast<QuadBatch*>(block);
    batch->vertexCount = 0;
    batch->vertices = reinterpret_cast<QuadVertex*>(block + head);
    batch->indices = reinterpret_cast<uint16_t*>(block + head + vertexBytes);
    batch->capacity = capacity;
    memset(static_cast<void*>(batch->vertices), 0, vertexBytes);
    for (uint32_t q = 0; q < capacity; ++q) {
        const uint16_t k = static_cast<uint16_t>(q * 4);
        uint16_t* six = batch->indices + q * 6;
        six[0] = k;
        six[1] = static_cast<uint16_t>(k + 1);
        six[2] = static_cast<uint16_t>(k + 2);
        six[3] = static_cast<uint16_t>(k + 2);
        six[4] = static_cast<uint16_t>(k + 1);
        six[5] = static_cast<uint16_t>(k + 3);
    }
    return batch;
}

void QuadBatch::Destroy(QuadBatch* batch) { Allocator::Free(batch); }

void QuadBatch::Clear(QuadBatch* batch) { batch->vertexCount = 0; }

int QuadBatch::Add(QuadBatch* batch, const QuadVertex* quad) {
    if (batch->vertexCount / 4 >= batch->capacity) {
        LogError("quad batch full: %u quads", batch->capacity);
        return 0;
    }
    memcpy(static_cast<void*>(batch->vertices + batch->vertexCount), quad, sizeof(QuadVertex) * 4);
    batch->vertexCount += 4;
    return 1;
}

void QuadBatch::SetColor(QuadBatch* batch, uint32_t rgba) {
    for (uint32_t i = 0; i < batch->vertexCount; ++i) batch->vertices[i].color = rgba;
}

void QuadBatch::Draw(const QuadBatch* batch) {
    DrawStd2dTriangles(batch->vertexCount / 2, batch->vertices, batch->indices);
}
