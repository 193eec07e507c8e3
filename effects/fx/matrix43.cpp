// The single-axis rotations take their sine and cosine from SinCos, the
// runtime's own series; only the axis rotation uses the C library's, as its
// callers (the manager's rotation setter) expect library accuracy.
#include "fx/matrix43.h"

#include <cmath>
#include <cstring>

namespace Fx {

void SinCos(float angle, float& outSin, float& outCos) {
    // |n| below 2^30: beyond that the cast would overflow, and the reduction
    // is meaningless for such angles anyway.
    float turns = angle * 0.15915494f;
    if (!std::isfinite(angle) || std::fabs(turns) > 1.0e9f) {
        outSin = 0.0f;
        outCos = 1.0f;
        return;
    }
    int n = static_cast<int>(turns + (angle < 0.0f ? -0.5f : 0.5f));
    float r = angle - static_cast<float>(n) * 6.2831855f;
    float r2 = r * r, r4 = r2 * r2, r6 = r4 * r2, r8 = r4 * r4, r10 = r8 * r2;
    outSin = r * (1.0f - r2 * 0.16666667f + r4 * 0.008333334f - r6 * 0.0001984127f + r8 * 2.7557319e-6f -
                  r10 * 2.5052108e-8f);
    outCos = 1.0f - r2 * 0.5f + r4 * 0.041666668f - r6 * 0.0013888889f + r8 * 2.4801588e-5f - r10 * 2.755732e-7f;
}

void Matrix43::SetIdentity() {
    memset(value, 0, sizeof value);
    value[0][0] = value[1][1] = value[2][2] = 1.0f;
}

void Matrix43::SetScale(float x, float y, float z) {
    memset(value, 0, sizeof value);
    value[0][0] = x;
    value[1][1] = y;
    value[2][2] = z;
}

void Matrix43::SetRotationX(float angle) {
    float s, c;
    SinCos(angle, s, c);
    SetIdentity();
    value[1][1] = c;
    value[1][2] = s;
    value[2][1] = -s;
    value[2][2] = c;
}

void Matrix43::SetRotationY(float angle) {
    float s, c;
    SinCos(angle, s, c);
    SetIdentity();
    value[0][0] = c;
    value[0][2] = -s;
    value[2][0] = s;
    value[2][2] = c;
}

void Matrix43::SetRotationZ(float angle) {
    float s, c;
    SinCos(angle, s, c);
    SetIdentity();
    value[0][0] = c;
    value[0][1] = s;
    value[1][0] = -s;
    value[1][1] = c;
}

void Matrix43::SetRotationZXY(float angleZ, float angleX, float angleY) {
    float sz = 0.0f, cz = 1.0f, sx = 0.0f, cx = 1.0f, sy = 0.0f, cy = 1.0f;
    if (angleZ != 0.0f) SinCos(angleZ, sz, cz);
    if (angleX != 0.0f) SinCos(angleX, sx, cx);
    if (angleY != 0.0f) SinCos(angleY, sy, cy);
    value[0][0] = cz * cy + sz * sx * sy;
    value[0][1] = sz * cx;
    value[0][2] = sz * sx * cy - cz * sy;
    value[1][0] = cz * sx * sy - sz * cy;
    value[1][1] = cz * cx;
    value[1][2] = cz * sx * cy + sz * sy;
    value[2][0] = cx * sy;
    value[2][1] = -sx;
    value[2][2] = cx * cy;
    value[3][0] = value[3][1] = value[3][2] = 0.0f;
}

void Matrix43::SetRotationAxis(const Vector3D& axis, float angle) {
    float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    float x = axis.x, y = axis.y, z = axis.z;
    value[0][0] = x * x * t + c;
    value[0][1] = y * x * t + z * s;
    value[0][2] = x * z * t - y * s;
    value[1][0] = y * x * t - z * s;
    value[1][1] = y * y * t + c;
    value[1][2] = y * z * t + x * s;
    value[2][0] = x * z * t + y * s;
    value[2][1] = y * z * t - x * s;
    value[2][2] = z * z * t + c;
    value[3][0] = value[3][1] = value[3][2] = 0.0f;
}

void Matrix43::SetTranslation(float x, float y, float z) {
    SetIdentity();
    value[3][0] = x;
    value[3][1] = y;
    value[3][2] = z;
}

void Matrix43::Decompose(Vector3D& scale, Matrix43& rotation, Vector3D& translation) const {
    Matrix43 source = *this;  // `rotation` may be this matrix
    translation = Vector3D(source.value[3][0], source.value[3][1], source.value[3][2]);
    float lengths[3];
    for (int row = 0; row < 3; ++row) {
        double sum = 0.0;
        for (int column = 0; column < 3; ++column) {
            sum += static_cast<double>(source.value[row][column]) * source.value[row][column];
        }
        lengths[row] = static_cast<float>(std::sqrt(sum));
        for (int column = 0; column < 3; ++column) {
            rotation.value[row][column] = lengths[row] > 0.0f ? source.value[row][column] / lengths[row]
                                                              : (row == column ? 1.0f : 0.0f);
        }
    }
    rotation.value[3][0] = rotation.value[3][1] = rotation.value[3][2] = 0.0f;
    scale = Vector3D(lengths[0], lengths[1], lengths[2]);
}

void Matrix43::Compose(const Vector3D& scale, const Matrix43& rotation, const Vector3D& translation) {
    Matrix43 scaling;
    scaling.SetScale(scale.x, scale.y, scale.z);
    Multiply(*this, scaling, rotation);
    value[3][0] = translation.x;
    value[3][1] = translation.y;
    value[3][2] = translation.z;
}

void Matrix43::Multiply(Matrix43& out, const Matrix43& a, const Matrix43& b) {
    // Row by row with the three terms summed in order, into a local so that
    // `out` may be an operand.
    Matrix43 result;
    for (int i = 0; i < 4; ++i) {
        const float x = a.value[i][0], y = a.value[i][1], z = a.value[i][2];
        for (int j = 0; j < 3; ++j) result.value[i][j] = x * b.value[0][j] + y * b.value[1][j] + z * b.value[2][j];
    }
    for (int j = 0; j < 3; ++j) result.value[3][j] += b.value[3][j];
    out = result;
}

}  // namespace Fx
