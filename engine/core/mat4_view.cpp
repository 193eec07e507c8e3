// Projection and view matrices, and the mapping between object points and
// window coordinates used for picking and for placing 2D marks over 3D units.
#include "core/mat4.h"

#include <cmath>

#include "core/fast_math.h"

namespace {

void Cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

void Mat4::Ortho(Mat4* out, float left, float right, float bottom, float top, float nearZ,
                 float farZ) {
    Mat4 result = Identity();
    result.m[0] = 2.0f / (right - left);
    result.m[5] = 2.0f / (top - bottom);
    result.m[10] = -2.0f / (farZ - nearZ);
    result.m[12] = -(right + left) / (right - left);
    result.m[13] = -(top + bottom) / (top - bottom);
    result.m[14] = -(farZ + nearZ) / (farZ - nearZ);
    *out = result;
}

void Mat4::Perspective(Mat4* out, float fovyDegrees, float aspect, float nearZ, float farZ) {
    float f = 1.0f / std::tan(fovyDegrees * kDegreesToRadians * 0.5f);
    Mat4 result = Identity();
    result.m[0] = f / aspect;
    result.m[5] = f;
    result.m[10] = -(farZ + nearZ) / (farZ - nearZ);
    result.m[11] = -1.0f;
    result.m[14] = -2.0f * farZ * nearZ / (farZ - nearZ);
    result.m[15] = 0.0f;
    *out = result;
}

void Mat4::LookAt(Mat4* out, const float eye[3], const float target[3], const float up[3]) {
    float back[3] = {eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
    float z[3], side[3], x[3], y[3];
    Vec3Normalize(back, z);
    Cross(up, z, side);
    Vec3Normalize(side, x);
    Cross(z, x, y);
    Mat4 result = Identity();
    for (int c = 0; c < 3; ++c) {
        result.m[c * 4 + 0] = x[c];
        result.m[c * 4 + 1] = y[c];
        result.m[c * 4 + 2] = z[c];
    }
    result.m[12] = -Dot(x, eye);
    result.m[13] = -Dot(y, eye);
    result.m[14] = -Dot(z, eye);
    *out = result;
}

int Mat4::Project(float out[3], const Mat4& m, const int32_t viewport[4], const float point[3]) {
    const float in[4] = {point[0], point[1], point[2], 1.0f};
    float v[4];
    TransformVec4(v, m, in);
    if (v[3] == 0.0f) return 0;
    float nx = v[0] / v[3], ny = v[1] / v[3], nz = v[2] / v[3];
    out[0] = static_cast<float>(viewport[0]) + (nx + 1.0f) * static_cast<float>(viewport[2]) * 0.5f;
    out[1] = static_cast<float>(viewport[1]) + (ny + 1.0f) * static_cast<float>(viewport[3]) * 0.5f;
    out[2] = (nz + 1.0f) * 0.5f;
    return 1;
}

int Mat4::Unproject(float out[3], const Mat4& m, const int32_t viewport[4],
                    const float windowPoint[3]) {
    Mat4 inverse;
    if (!Inverse(&inverse, m)) return 0;
    const float n[4] = {
        (windowPoint[0] - static_cast<float>(viewport[0])) * 2.0f / static_cast<float>(viewport[2]) - 1.0f,
        (windowPoint[1] - static_cast<float>(viewport[1])) * 2.0f / static_cast<float>(viewport[3]) - 1.0f,
        2.0f * windowPoint[2] - 1.0f, 1.0f};
    float v[4];
    TransformVec4(v, inverse, n);
    if (v[3] == 0.0f) return 0;
    out[0] = v[0] / v[3];
    out[1] = v[1] / v[3];
    out[2] = v[2] / v[3];
    return 1;
}
