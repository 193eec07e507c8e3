// Values that an effect file gives as ranges to draw from or as easings
// between a drawn start and a drawn end. Every draw goes through the
// manager's random function (RandomUnit): min + (max - min) * r.
#pragma once

#include <cstdint>

#include "fx/vector3d.h"

namespace Fx {

class Manager;

struct Vector2D {
    float x = 0.0f, y = 0.0f;
};

struct RandomFloat {
    float max = 0.0f, min = 0.0f;
    float Draw(const Manager& manager) const;
};

struct RandomInt {
    int32_t max = 0, min = 0;
    // min + the truncated (max - min) * r, computed wide so no range overflows.
    int32_t Draw(const Manager& manager) const;
};

// x is drawn first, then y, each with its own random call.
struct RandomVector2D {
    Vector2D max, min;
    Vector2D Draw(const Manager& manager) const;
};

// x, y, z drawn in that order.
struct RandomVector3D {
    Vector3D max, min;
    Vector3D Draw(const Manager& manager) const;
};

// The easing factor ((a t + b) t + c) t of a time fraction t.
float EasingFactor(float a, float b, float c, float t);

// The time fraction living time / life; a life of 0 or less counts as
// finished (1), and a non-finite fraction as 0, so no NaN or infinity leaves.
float TimeFraction(float livingTime, float life);

// Clamps to high and low; NaN gives low, so the result converts safely.
float Clamp(float value, float high, float low);

struct EasingFloat {
    RandomFloat start, end;
    float a = 0.0f, b = 0.0f, c = 0.0f;
    // startValue + (endValue - startValue) * the easing factor at t.
    float GetValue(float startValue, float endValue, float t) const;
};

struct EasingVector3D {
    RandomVector3D start, end;
    float a = 0.0f, b = 0.0f, c = 0.0f;
    Vector3D GetValue(const Vector3D& startValue, const Vector3D& endValue, float t) const;
};

// The 2D easing of a ring point: start range, end range, a, b, c.
struct EasingVector2D {
    RandomVector2D start, end;
    float a = 0.0f, b = 0.0f, c = 0.0f;
    Vector2D GetValue(const Vector2D& startValue, const Vector2D& endValue, float t) const;
};

}  // namespace Fx
