// The float bit tricks go through memcpy so they stay within the aliasing rules.
#include "core/fast_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr uint32_t kInverseSqrtMagic = 0x5F3759DF;

float InverseSqrtGuess(float x) {
    uint32_t bits;
    memcpy(&bits, &x, sizeof bits);
    bits = kInverseSqrtMagic - (bits >> 1);
    float guess;
    memcpy(&guess, &bits, sizeof guess);
    return guess;
}

}  // namespace

float FastSqrt(float x) {
    if (!(x > 0.0f)) return x == 0.0f ? x : std::numeric_limits<float>::quiet_NaN();
    float half = 0.5f * x;
    float y = InverseSqrtGuess(x);
    for (int step = 0; step < 3; ++step) y = y * (1.5f - half * y * y);
    return x * y;
}

void Vec3Normalize(const float v[3], float out[3]) {
    float squared = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    float half = 0.5f * squared;
    float y = InverseSqrtGuess(squared);
    for (int step = 0; step < 2; ++step) y = y * (1.5f - half * y * y);
    out[0] = v[0] * y;
    out[1] = v[1] * y;
    out[2] = v[2] * y;
}

void SinCos(float radians, float* outSin, float* outCos) {
    constexpr double kPi = 3.14159265358979323846;
    double x = radians;
    if (!std::isfinite(x)) {
        *outSin = *outCos = std::numeric_limits<float>::quiet_NaN();
        return;
    }
    // Into [-pi, pi], then folded into [-pi/2, pi/2]: sin(pi - x) = sin x and
    // cos(pi - x) = -cos x.
    if (x < -kPi || x > kPi) x -= 2.0 * kPi * std::nearbyint(x / (2.0 * kPi));
    double cosSign = 1.0;
    if (x > kPi / 2) {
        x = kPi - x;
        cosSign = -1.0;
    } else if (x < -kPi / 2) {
        x = -kPi - x;
        cosSign = -1.0;
    }
    double x2 = x * x;
    double sine = x * (1.0 + x2 * (-1.0 / 6 + x2 * (1.0 / 120 + x2 * (-1.0 / 5040 +
                  x2 * (1.0 / 362880 + x2 * (-1.0 / 39916800))))));
    double cosine = 1.0 + x2 * (-1.0 / 2 + x2 * (1.0 / 24 + x2 * (-1.0 / 720 +
                    x2 * (1.0 / 40320 + x2 * (-1.0 / 3628800)))));
    *outSin = static_cast<float>(sine);
    *outCos = static_cast<float>(cosSign * cosine);
}
