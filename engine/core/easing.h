// Easing and interpolation curves for tweens and the script's easing helper.
#pragma once

// Eases in over the first half and out over the second, meeting at the
// midpoint: t = 0 gives from, 0.5 the middle, 1 gives to.
float EaseInOut(float t, float power, float from, float to);
// out = from + (to - from) x (1 - (1 - t)^power), per component.
void EaseOutVec2(float t, float power, const float from[2], const float to[2], float out[2]);
void EaseOutVec3(float t, float power, const float from[3], const float to[3], float out[3]);
// out = a + (b - a) x t, per component.
void LerpVec3(float t, const float a[3], const float b[3], float out[3]);
