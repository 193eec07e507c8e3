// Vector operations; normalisation shares the engine's inverse square root.
#include "fx/vector3d.h"

#include "core/fast_math.h"
#include "fx/matrix43.h"

namespace Fx {

void Vector3D::Add(Vector3D& out, const Vector3D& a, const Vector3D& b) {
    out = Vector3D(a.x + b.x, a.y + b.y, a.z + b.z);
}

void Vector3D::Scale(Vector3D& out, const Vector3D& v, float s) { out = Vector3D(v.x * s, v.y * s, v.z * s); }

float Vector3D::Dot(const Vector3D& a, const Vector3D& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void Vector3D::Normalize(Vector3D& out, const Vector3D& v) {
    float in[3] = {v.x, v.y, v.z}, unit[3];
    Vec3Normalize(in, unit);
    out = Vector3D(unit[0], unit[1], unit[2]);
}

void Vector3D::Cross(Vector3D& out, const Vector3D& a, const Vector3D& b) {
    out = Vector3D(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

void Vector3D::Transform(Vector3D& out, const Vector3D& v, const Matrix43& m) {
    Vector3D p = v;
    out.x = p.x * m.value[0][0] + p.y * m.value[1][0] + p.z * m.value[2][0] + m.value[3][0];
    out.y = p.x * m.value[0][1] + p.y * m.value[1][1] + p.z * m.value[2][1] + m.value[3][1];
    out.z = p.x * m.value[0][2] + p.y * m.value[1][2] + p.z * m.value[2][2] + m.value[3][2];
}

}  // namespace Fx
