// Colours of the effect runtime: four bytes r, g, b, a. In HSV mode a colour
// holds hue (0 to 252, six sectors of 42) in r, saturation in g and value in
// b; it is converted with FromHSV after it is drawn or eased.
#pragma once

#include <cstdint>

namespace Fx {

class Manager;

enum ColorMode : int32_t { kColorModeRgb = 0, kColorModeHsv = 1 };

struct Color {
    uint8_t r = 255, g = 255, b = 255, a = 255;

    Color() = default;
    Color(uint8_t r_, uint8_t g_, uint8_t b_, uint8_t a_) : r(r_), g(g_), b(b_), a(a_) {}

    bool operator==(const Color& other) const {
        return r == other.r && g == other.g && b == other.b && a == other.a;
    }
    bool operator!=(const Color& other) const { return !(*this == other); }

    // Per channel, the truncated a x b / 255.
    static Color Multiply(const Color& x, const Color& y);
    static Color FromHSV(const Color& hsv);
};

// A float channel value clamped to 0..255 (NaN gives 0) and truncated.
uint8_t ChannelFromFloat(float value);

struct RandomColor {
    int32_t mode = kColorModeRgb;
    Color max, min;
    // r, g, b, a drawn in that order; converted from HSV in HSV mode.
    Color Draw(const Manager& manager) const;
    // The same draw, left as drawn in HSV mode.
    Color DrawRaw(const Manager& manager) const;
};

struct EasingColor {
    RandomColor start, end;
    float a = 0.0f, b = 0.0f, c = 0.0f;
    // Per channel startValue + (endValue - startValue) x the easing factor at
    // t, clamped and truncated; converted from HSV when the start range's mode
    // is HSV.
    Color Evaluate(const Color& startValue, const Color& endValue, float t) const;
};

}  // namespace Fx
