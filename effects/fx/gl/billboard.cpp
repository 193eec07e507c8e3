#include "fx/gl/billboard.h"

#include <cmath>

namespace FxRenderer {

namespace {
void SetRow(Fx::Matrix43& m, int row, const Fx::Vector3D& v) {
    m.value[row][0] = v.x;
    m.value[row][1] = v.y;
    m.value[row][2] = v.z;
}

Fx::Vector3D Row(const Fx::Matrix43& m, int row) { return Fx::Vector3D(m.value[row][0], m.value[row][1], m.value[row][2]); }

Fx::Vector3D Combine(const Fx::Vector3D& a, float sa, const Fx::Vector3D& b, float sb) {
    return Fx::Vector3D(a.x * sa + b.x * sb, a.y * sa + b.y * sb, a.z * sa + b.z * sb);
}
}  // namespace

void BillboardMatrix(const Fx::Matrix44& camera, int32_t kind, const Fx::Matrix43& instance, Fx::Vector3D& scale,
                     Fx::Matrix43& out) {
    Fx::Matrix43 rotation;
    Fx::Vector3D translation;
    instance.Decompose(scale, rotation, translation);
    if (kind != 0 && kind != 1 && kind != 3) {
        out = instance;
        return;
    }
    Fx::Vector3D front(-camera.value[0][2], -camera.value[1][2], -camera.value[2][2]);
    Fx::Vector3D::Normalize(front, front);
    Fx::Vector3D right, up;
    if (kind == 1) {
        up = Row(rotation, 1);
        Fx::Vector3D::Cross(right, up, front);
        Fx::Vector3D::Normalize(right, right);
        Fx::Vector3D::Cross(front, right, up);
        Fx::Vector3D::Normalize(front, front);
    } else {
        Fx::Vector3D::Cross(right, Fx::Vector3D(0.0f, 1.0f, 0.0f), front);
        Fx::Vector3D::Normalize(right, right);
        Fx::Vector3D::Cross(up, front, right);
        Fx::Vector3D::Normalize(up, up);
    }
    if (kind == 3) {
        // Rounding can push the squared terms past 1; the roots stay real.
        const float q21 = rotation.value[2][1];
        const float c = std::sqrt(std::fmax(0.0f, 1.0f - q21 * q21));
        float sine = 0.0f, cosine = 1.0f;
        if (std::fabs(c) > 0.05f) {
            sine = -rotation.value[0][1] / c;
            cosine = std::sqrt(std::fmax(0.0f, 1.0f - sine * sine));
            if (rotation.value[1][1] < 0.0f) cosine = -cosine;
        }
        const Fx::Vector3D r = Combine(right, cosine, up, sine);
        const Fx::Vector3D u = Combine(up, cosine, right, -sine);
        right = r;
        up = u;
    }
    SetRow(out, 0, Fx::Vector3D(-right.x, -right.y, -right.z));
    SetRow(out, 1, up);
    SetRow(out, 2, front);
    SetRow(out, 3, translation);
}

}  // namespace FxRenderer
