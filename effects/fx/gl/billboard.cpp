#include "fx/gl/billboard.h"

#include <cmath>

namespace FxRenderer {

namespace {
void SetRow(Fx::Matrix43& m, int row, const Fx::Vector3D& v) {
    m.value[row][0] = v.x;
    m.value[row][1] = v.y;
    m.value[row][2] = v.z;
}

Fx::Vector3D Combine(const Fx::Vector3D& a, float sa, const Fx::Vector3D& b, float sb) {
    return Fx::Vector3D(a.x * sa + b.x * sb, a.y * sa + b.y * sb, a.z * sa + b.z * sb);
}

// Per instance the plain root is cheaper than the library call; a zero
// vector stays zero.
Fx::Vector3D Unit(const Fx::Vector3D& v) {
    const float squared = v.x * v.x + v.y * v.y + v.z * v.z;
    if (!(squared > 0.0f)) return Fx::Vector3D();
    const float r = 1.0f / std::sqrt(squared);
    return Fx::Vector3D(v.x * r, v.y * r, v.z * r);
}

// Element `column` of the instance's rotation row `row`: the row divided by
// its length; a zero row stands for its own unit axis.
float RotationAt(const Fx::Matrix43& m, const float lengths[3], int row, int column) {
    return lengths[row] > 0.0f ? m.value[row][column] / lengths[row] : (row == column ? 1.0f : 0.0f);
}
}  // namespace

BillboardBasis::BillboardBasis(const Fx::Matrix44& camera) {
    front = Fx::Vector3D(-camera.value[0][2], -camera.value[1][2], -camera.value[2][2]);
    Fx::Vector3D::Normalize(front, front);
    Fx::Vector3D::Cross(right, Fx::Vector3D(0.0f, 1.0f, 0.0f), front);
    Fx::Vector3D::Normalize(right, right);
    Fx::Vector3D::Cross(up, front, right);
    Fx::Vector3D::Normalize(up, up);
}

void BillboardMatrix(const BillboardBasis& basis, int32_t kind, const Fx::Matrix43& instance, Fx::Vector3D& scale,
                     Fx::Matrix43& out) {
    if (!IsFacing(kind)) {
        scale = Fx::Vector3D(1.0f, 1.0f, 1.0f);
        out = instance;
        return;
    }
    float lengths[3];
    for (int row = 0; row < 3; ++row) {
        const float* r = instance.value[row];
        lengths[row] = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    }
    scale = Fx::Vector3D(lengths[0], lengths[1], lengths[2]);
    Fx::Vector3D front = basis.front, right = basis.right, up = basis.up;
    if (kind == 1) {
        up = Fx::Vector3D(RotationAt(instance, lengths, 1, 0), RotationAt(instance, lengths, 1, 1),
                          RotationAt(instance, lengths, 1, 2));
        Fx::Vector3D::Cross(right, up, basis.front);
        right = Unit(right);
        Fx::Vector3D::Cross(front, right, up);
        front = Unit(front);
    } else if (kind == 3) {
        // Rounding can push the squared terms past 1; the roots stay real.
        const float q21 = RotationAt(instance, lengths, 2, 1);
        const float c = std::sqrt(std::fmax(0.0f, 1.0f - q21 * q21));
        float sine = 0.0f, cosine = 1.0f;
        if (std::fabs(c) > 0.05f) {
            sine = -RotationAt(instance, lengths, 0, 1) / c;
            cosine = std::sqrt(std::fmax(0.0f, 1.0f - sine * sine));
            if (RotationAt(instance, lengths, 1, 1) < 0.0f) cosine = -cosine;
        }
        right = Combine(basis.right, cosine, basis.up, sine);
        up = Combine(basis.up, cosine, basis.right, -sine);
    }
    SetRow(out, 0, Fx::Vector3D(-right.x, -right.y, -right.z));
    SetRow(out, 1, up);
    SetRow(out, 2, front);
    out.value[3][0] = instance.value[3][0];
    out.value[3][1] = instance.value[3][1];
    out.value[3][2] = instance.value[3][2];
}

}  // namespace FxRenderer
