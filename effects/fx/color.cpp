#include "fx/color.h"

#include <cmath>

#include "fx/manager.h"
#include "fx/random_range.h"

namespace Fx {

namespace {

constexpr float kInverse255 = 0.003921569f;
constexpr float kInverse42 = 0.023809524f;

uint8_t DrawChannel(uint8_t max, uint8_t min, const Manager& manager) {
    return ChannelFromFloat(static_cast<float>(min) + static_cast<float>(max - min) * RandomUnit(manager));
}

}  // namespace

uint8_t ChannelFromFloat(float value) { return static_cast<uint8_t>(Clamp(value, 255.0f, 0.0f)); }

Color Color::Multiply(const Color& x, const Color& y) {
    auto product = [](uint8_t p, uint8_t q) {
        return ChannelFromFloat(static_cast<float>(p) * static_cast<float>(q) * kInverse255);
    };
    return Color(product(x.r, y.r), product(x.g, y.g), product(x.b, y.b), product(x.a, y.a));
}

Color Color::FromHSV(const Color& hsv) {
    int hue = hsv.r < 252 ? hsv.r : 252;
    float s = static_cast<float>(hsv.g) * kInverse255;
    float v = static_cast<float>(hsv.b);
    int sectorBase = hue / 42;
    int sector = sectorBase % 6;
    float f = static_cast<float>(hue) * kInverse42 - static_cast<float>(sectorBase);
    uint8_t p = ChannelFromFloat(v * (1.0f - s));
    uint8_t q = ChannelFromFloat(v * (1.0f - s * f));
    uint8_t t = ChannelFromFloat(v * (1.0f - s * (1.0f - f)));
    uint8_t value = hsv.b;
    switch (sector) {
        case 0: return Color(value, t, p, hsv.a);
        case 1: return Color(q, value, p, hsv.a);
        case 2: return Color(p, value, t, hsv.a);
        case 3: return Color(p, q, value, hsv.a);
        case 4: return Color(t, p, value, hsv.a);
        default: return Color(value, p, q, hsv.a);
    }
}

Color RandomColor::DrawRaw(const Manager& manager) const {
    Color out;
    out.r = DrawChannel(max.r, min.r, manager);
    out.g = DrawChannel(max.g, min.g, manager);
    out.b = DrawChannel(max.b, min.b, manager);
    out.a = DrawChannel(max.a, min.a, manager);
    return out;
}

Color RandomColor::Draw(const Manager& manager) const {
    Color drawn = DrawRaw(manager);
    return mode == kColorModeHsv ? Color::FromHSV(drawn) : drawn;
}

Color EasingColor::Evaluate(const Color& startValue, const Color& endValue, float t) const {
    float k = EasingFactor(a, b, c, t);
    auto ease = [k](uint8_t from, uint8_t to) {
        return ChannelFromFloat(static_cast<float>(from) + static_cast<float>(to - from) * k);
    };
    Color out(ease(startValue.r, endValue.r), ease(startValue.g, endValue.g), ease(startValue.b, endValue.b),
              ease(startValue.a, endValue.a));
    return start.mode == kColorModeHsv ? Color::FromHSV(out) : out;
}

}  // namespace Fx
