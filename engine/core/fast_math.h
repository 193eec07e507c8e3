// Scalar helpers for the per-frame paths (sprite rotation, camera, picking):
// the bit-trick inverse square root and a series sine and cosine, so those
// paths make no library calls.
#pragma once

// Degrees to radians with the float constants for pi and 1/180.
constexpr float kDegreesToRadians = 3.1415927f * 0.0055555557f;

// Square root through the 0x5F3759DF inverse square root and three Newton
// steps. +0 and -0 give themselves, negative values and NaN give NaN.
float FastSqrt(float x);

// `out` = `v` scaled to unit length with two Newton steps (about 5e-6
// relative). A zero vector gives zero. `out` may be `v`.
void Vec3Normalize(const float v[3], float out[3]);

// Sine and cosine by their Taylor series to the 11th and 10th power, evaluated
// in double. Any angle is first brought into [-pi/2, pi/2] (with the matching
// signs), where the series is accurate to about 1e-7.
void SinCos(float radians, float* outSin, float* outCos);
