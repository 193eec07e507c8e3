// Easing curves; `out` may be one of the inputs.
#include "core/easing.h"

#include <cmath>

namespace {

void EaseOut(float t, float power, const float* from, const float* to, float* out, int count) {
    float amount = 1.0f - std::pow(1.0f - t, power);
    for (int i = 0; i < count; ++i) out[i] = from[i] + (to[i] - from[i]) * amount;
}

}  // namespace

float EaseInOut(float t, float power, float from, float to) {
    float mid = from + (to - from) * 0.5f;
    if (t < 0.5f) return from + (mid - from) * std::pow(2.0f * t, power);
    return mid + (to - mid) * (1.0f - std::pow(2.0f - 2.0f * t, power));
}

void EaseOutVec2(float t, float power, const float from[2], const float to[2], float out[2]) {
    EaseOut(t, power, from, to, out, 2);
}

void EaseOutVec3(float t, float power, const float from[3], const float to[3], float out[3]) {
    EaseOut(t, power, from, to, out, 3);
}

void LerpVec3(float t, const float a[3], const float b[3], float out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = a[i] + (b[i] - a[i]) * t;
}
