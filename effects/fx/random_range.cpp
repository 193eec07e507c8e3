#include "fx/random_range.h"

#include <cmath>

#include "fx/manager.h"

namespace Fx {

float RandomFloat::Draw(const Manager& manager) const { return min + (max - min) * RandomUnit(manager); }

int32_t RandomInt::Draw(const Manager& manager) const {
    double span = static_cast<double>(max) - static_cast<double>(min);
    double step = std::trunc(span * static_cast<double>(RandomUnit(manager)));
    return static_cast<int32_t>(static_cast<double>(min) + step);
}

Vector2D RandomVector2D::Draw(const Manager& manager) const {
    Vector2D out;
    out.x = min.x + (max.x - min.x) * RandomUnit(manager);
    out.y = min.y + (max.y - min.y) * RandomUnit(manager);
    return out;
}

Vector3D RandomVector3D::Draw(const Manager& manager) const {
    Vector3D out;
    out.x = min.x + (max.x - min.x) * RandomUnit(manager);
    out.y = min.y + (max.y - min.y) * RandomUnit(manager);
    out.z = min.z + (max.z - min.z) * RandomUnit(manager);
    return out;
}

float EasingFactor(float a, float b, float c, float t) { return ((a * t + b) * t + c) * t; }

float TimeFraction(float livingTime, float life) {
    if (!(life > 0.0f)) return 1.0f;
    float t = livingTime / life;
    return std::isfinite(t) ? t : 0.0f;
}

float Clamp(float value, float high, float low) {
    if (std::isnan(value)) return low;
    float limited = value < high ? value : high;
    return limited > low ? limited : low;
}

float EasingFloat::GetValue(float startValue, float endValue, float t) const {
    return startValue + (endValue - startValue) * EasingFactor(a, b, c, t);
}

Vector3D EasingVector3D::GetValue(const Vector3D& startValue, const Vector3D& endValue, float t) const {
    float k = EasingFactor(a, b, c, t);
    return Vector3D(startValue.x + (endValue.x - startValue.x) * k, startValue.y + (endValue.y - startValue.y) * k,
                    startValue.z + (endValue.z - startValue.z) * k);
}

Vector2D EasingVector2D::GetValue(const Vector2D& startValue, const Vector2D& endValue, float t) const {
    float k = EasingFactor(a, b, c, t);
    Vector2D out;
    out.x = startValue.x + (endValue.x - startValue.x) * k;
    out.y = startValue.y + (endValue.y - startValue.y) * k;
    return out;
}

}  // namespace Fx
