// Colour arithmetic for sprites, text and fades.
#include "core/color_util.h"

#include <cmath>

namespace {

uint32_t Channel(uint32_t color, int index) { return (color >> (index * 8)) & 0xFF; }

uint32_t ClampComponent(uint32_t value) { return value > 255 ? 255 : value; }

uint32_t ScaleComponent(uint32_t value, float factor) {
    float scaled = std::round(static_cast<float>(value) * factor);
    if (!(scaled > 0.0f)) return 0;  // also catches NaN
    return scaled >= 255.0f ? 255 : static_cast<uint32_t>(scaled);
}

}  // namespace

uint32_t MakeColor(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return ClampComponent(r) | ClampComponent(g) << 8 | ClampComponent(b) << 16 |
           ClampComponent(a) << 24;
}

uint32_t ScaleColorRgb(uint32_t color, float factor) {
    return ScaleComponent(Channel(color, 0), factor) |
           ScaleComponent(Channel(color, 1), factor) << 8 |
           ScaleComponent(Channel(color, 2), factor) << 16 | (color & 0xFF000000u);
}

uint32_t MultiplyColor(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) result |= (Channel(a, i) * Channel(b, i) / 255) << (i * 8);
    return result;
}
