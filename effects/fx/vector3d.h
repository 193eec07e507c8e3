// The effect runtime's 3D vector and its few operations. Points transform as
// rows through a Matrix43 (row 3 is the translation).
#pragma once

namespace Fx {

struct Matrix43;

struct Vector3D {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    Vector3D() = default;
    Vector3D(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    static void Add(Vector3D& out, const Vector3D& a, const Vector3D& b);
    static void Scale(Vector3D& out, const Vector3D& v, float s);
    static float Dot(const Vector3D& a, const Vector3D& b);
    // `v` at unit length through the bit-trick inverse square root with two
    // Newton steps; a zero vector stays zero. `out` may be `v`.
    static void Normalize(Vector3D& out, const Vector3D& v);
    static void Cross(Vector3D& out, const Vector3D& a, const Vector3D& b);
    // out = v as a row times `m`, translation included. `out` may be `v`.
    static void Transform(Vector3D& out, const Vector3D& v, const Matrix43& m);
};

}  // namespace Fx
