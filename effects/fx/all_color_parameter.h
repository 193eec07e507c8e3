// The colour of a whole sprite or model instance: fixed, drawn from a range,
// eased between a drawn start and end, or read from four curves.
#pragma once

#include <cstdint>
#include <memory>

#include "fx/color.h"
#include "fx/fcurve.h"

namespace Fx {

class Manager;

enum AllColorKind : int32_t {
    kAllColorFixed = 0, kAllColorRandom = 1, kAllColorEasing = 2, kAllColorFCurve = 3
};

// What an instance keeps of its whole colour.
struct AllColorValues {
    Color color;
    Color start, end;       // easing
    float offsets[4] = {};  // curves: r, g, b, a
};

struct AllColorParameter {
    int32_t kind = kAllColorFixed;
    Color fixed;
    RandomColor random;
    EasingColor easing;
    std::unique_ptr<FCurveColor> curve;  // kind 3 only

    // A channel of a curve colour: the curve's value plus the instance's
    // offset, clamped to 0..255 and truncated.
    // The colour a new instance of `life` frames starts with, drawing what
    // the kind needs.
    void InitializeValues(AllColorValues& values, const Manager& manager, float life) const;
    // Easing and curve colours follow the living time; the others stay.
    void UpdateValues(AllColorValues& values, float livingTime, float life) const;

    static Color FromCurves(const FCurveColor& curves, const float offsets[4], int32_t frame);
};

}  // namespace Fx
