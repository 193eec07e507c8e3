// Quad builders and quad batches.
#include "gfx/quad.h"

#include <cstring>

#include "core/allocator.h"
#include "core/fast_math.h"
#include "gfx/std2d.h"
#include "platform/debug_log.h"

namespace {

int16_t Pixel(float v) { return static_cast<int16_t>(static_cast<int32_t>(v)); }

void SetPositions(QuadVertex* q, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    q[kQuadTopLeft].x = static_cast<int16_t>(left);
    q[kQuadTopLeft].y = static_cast<int16_t>(top);
    q[kQuadBottomLeft].x = static_cast<int16_t>(left);
    q[kQuadBottomLeft].y = static_cast<int16_t>(bottom);
    q[kQuadTopRight].x = static_cast<int16_t>(right);
    q[kQuadTopRight].y = static_cast<int16_t>(top);
    q[kQuadBottomRight].x = static_cast<int16_t>(right);
    q[kQuadBottomRight].y = static_cast<int16_t>(bottom);
}

void ZeroPositionsIfEmpty(QuadVertex* q) {
    if (q[kQuadTopLeft].x >= q[kQuadBottomRight].x || q[kQuadTopLeft].y >= q[kQuadBottomRight].y) {
        for (int i = 0; i < 4; ++i) q[i].x = q[i].y = 0;
    }
}

int16_t Shift(int16_t value, int32_t delta) { return static_cast<int16_t>(value + delta); }

}  // namespace

namespace Quad {

void SetRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h) {
    SetPositions(quad, x, y, x + w, y + h);
}

void SetTexRect(QuadVertex* quad, int32_t u, int32_t v, int32_t w, int32_t h) {
    const int32_t coords[4][2] = {{u, v}, {u, v + h}, {u + w, v}, {u + w, v + h}};
    for (int i = 0; i < 4; ++i) {
        quad[i].u = static_cast<int16_t>(coords[i][0]);
        quad[i].v = static_cast<int16_t>(coords[i][1]);
    }
}

void SetColor(QuadVertex* quad, uint32_t rgba) {
    for (int i = 0; i < 4; ++i) quad[i].color = rgba;
}

void SetCenteredRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h) {
    SetPositions(quad, x - w / 2, y - h / 2, x + w / 2 + w % 2, y + h / 2 + h % 2);
}

void SetRotatedRect(QuadVertex* quad, int32_t x, int32_t y, int32_t w, int32_t h, float degrees) {
    const float hw = 0.5f * static_cast<float>(w), hh = 0.5f * static_cast<float>(h);
    // Bring the angle into -pi..pi, where the series sine is accurate.
    float a = degrees * 3.1415927f * 0.0055555557f + 3.1415927f;
    const int32_t turns = static_cast<int32_t>(a * 0.15915494f);
    a = a - static_cast<float>(turns) * 6.2831855f;
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

void Clip(QuadVertex* quad, float texelsX, float texelsY, const int32_t clip[4]) {
    QuadVertex& tl = quad[kQuadTopLeft];
    QuadVertex& bl = quad[kQuadBottomLeft];
    QuadVertex& tr = quad[kQuadTopRight];
    QuadVertex& br = quad[kQuadBottomRight];
    if (tl.x < clip[0]) {
        int32_t du = static_cast<int16_t>(static_cast<int32_t>(static_cast<float>(clip[0] - tl.x) * texelsX));
        tl.u = bl.u = Shift(bl.u, du);
        tl.x = bl.x = static_cast<int16_t>(clip[0]);
    }
    if (tl.y < clip[1]) {
        int32_t dv = static_cast<int16_t>(static_cast<int32_t>(static_cast<float>(clip[1] - tl.y) * texelsY));
        tl.v = tr.v = Shift(tr.v, dv);
        tl.y = tr.y = static_cast<int16_t>(clip[1]);
    }
    if (br.x > clip[2]) {
        int32_t du = static_cast<int16_t>(static_cast<int32_t>(static_cast<float>(clip[2] - br.x) * texelsX));
        br.u = tr.u = Shift(br.u, du);
        br.x = tr.x = static_cast<int16_t>(clip[2]);
    }
    if (br.y > clip[3]) {
        int32_t dv = static_cast<int16_t>(static_cast<int32_t>(static_cast<float>(clip[3] - br.y) * texelsY));
        br.v = bl.v = Shift(br.v, dv);
        br.y = bl.y = static_cast<int16_t>(clip[3]);
    }
    ZeroPositionsIfEmpty(quad);
}

void ClipTransposed(QuadVertex* quad, float texelsX, float texelsY, const int32_t clip[4]) {
    QuadVertex& tl = quad[kQuadTopLeft];
    QuadVertex& bl = quad[kQuadBottomLeft];
    QuadVertex& tr = quad[kQuadTopRight];
    QuadVertex& br = quad[kQuadBottomRight];
    if (tl.x < clip[0]) {
        int32_t dv = static_cast<int16_t>(static_cast<int32_t>(static_cast<float>(clip[0] - tl.x) * texelsX));
        tl.v = bl.v = Shift(bl.v, dv);
        tl.x = bl.x = static_cast<int16_t>(clip[0]);
    }
    if (tl.y < clip[1]) {
        int32_t du = static_cast<int16_t>(static_cast<int32_t>(static_cast<float>(clip[1] - tl.y) * texelsY));
        tl.u = tr.u = Shift(tr.u, du);
        tl.y = tr.y = static_cast<int16_t>(clip[1]);
    }
    if (br.x > clip[2]) {
        int32_t dv = static_cast<int16_t>(static_cast<int32_t>(static_cast<float>(clip[2] - br.x) * texelsX));
        br.v = tr.v = Shift(br.v, dv);
        br.x = tr.x = static_cast<int16_t>(clip[2]);
    }
    if (br.y > clip[3]) {
        int32_t du = static_cast<int16_t>(static_cast<int32_t>(static_cast<float>(clip[3] - br.y) * texelsY));
        br.u = bl.u = Shift(br.u, du);
        br.y = bl.y = static_cast<int16_t>(clip[3]);
    }
    ZeroPositionsIfEmpty(quad);
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
