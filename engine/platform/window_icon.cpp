// The game's window icon: a silver key on a deep-blue disc, drawn by code with
// smooth edges. Every non-zero icon id shows it.
#include <algorithm>
#include <cmath>

#include "platform/window.h"

namespace {

// Coverage of a pixel by a disc of radius r around (cx, cy), 0..1, by 4x4 samples.
float DiscCoverage(int x, int y, float cx, float cy, float r) {
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            float dx = x + (sx + 0.5f) / 4 - cx, dy = y + (sy + 0.5f) / 4 - cy;
            inside += dx * dx + dy * dy <= r * r;
        }
    }
    return inside / 16.0f;
}

float BoxCoverage(int x, int y, float x0, float y0, float x1, float y1) {
    float w = std::max(0.0f, std::min(x + 1.0f, x1) - std::max(float(x), x0));
    float h = std::max(0.0f, std::min(y + 1.0f, y1) - std::max(float(y), y0));
    return w * h;
}

uint32_t Blend(uint32_t under, uint32_t colour, float amount) {
    if (amount <= 0) return under;
    auto mix = [amount](uint32_t a, uint32_t b) { return uint32_t(a + (float(b) - float(a)) * amount + 0.5f); };
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        out |= mix((under >> shift) & 0xFF, (colour >> shift) & 0xFF) << shift;
    }
    return out;
}

}  // namespace

std::vector<uint32_t> WindowIconPixels(int iconId, int size) {
    if (iconId == 0 || size <= 0) return {};
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size, 0);
    const float s = float(size) / 32.0f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            uint32_t p = Blend(0x00000000u, 0xFF1B2A4Au, DiscCoverage(x, y, 16 * s, 16 * s, 15.5f * s));
            // The key: a ring, its shaft and two teeth.
            float key = DiscCoverage(x, y, 11 * s, 11 * s, 5.5f * s) - DiscCoverage(x, y, 11 * s, 11 * s, 2.8f * s);
            key += BoxCoverage(x, y, 14 * s, 13.5f * s, 26 * s, 16 * s);
            key += BoxCoverage(x, y, 21 * s, 16 * s, 23 * s, 20 * s);
            key += BoxCoverage(x, y, 24.5f * s, 16 * s, 26 * s, 19 * s);
            p = Blend(p, 0xFFD8DEE8u, std::min(1.0f, key));
            pixels[static_cast<size_t>(y) * size + x] = p;
        }
    }
    return pixels;
}
