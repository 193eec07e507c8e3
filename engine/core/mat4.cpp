// Products, transforms, rotations and the inverse of column-major matrices.
#include "core/mat4.h"

#include <cmath>

#include "core/fast_math.h"

Mat4 Mat4::Identity() { return Mat4{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

void Mat4::Multiply(Mat4* out, const Mat4& a, const Mat4& b) {
    Mat4 result;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            result.m[c * 4 + r] = a.m[r] * b.m[c * 4] + a.m[4 + r] * b.m[c * 4 + 1] +
                                  a.m[8 + r] * b.m[c * 4 + 2] + a.m[12 + r] * b.m[c * 4 + 3];
        }
    }
    *out = result;
}

void Mat4::TransformVec4(float out[4], const Mat4& m, const float v[4]) {
    float x = v[0], y = v[1], z = v[2], w = v[3];
    for (int r = 0; r < 4; ++r) out[r] = m.m[r] * x + m.m[4 + r] * y + m.m[8 + r] * z + m.m[12 + r] * w;
}

void Mat4::TransformPoint(float out[3], const Mat4& m, const float p[3]) {
    float x = p[0], y = p[1], z = p[2];
    for (int r = 0; r < 3; ++r) out[r] = m.m[r] * x + m.m[4 + r] * y + m.m[8 + r] * z + m.m[12 + r];
}

void Mat4::Translate(Mat4* out, const Mat4& m, const float v[3]) {
    Mat4 result = m;
    for (int r = 0; r < 4; ++r)
        result.m[12 + r] = m.m[r] * v[0] + m.m[4 + r] * v[1] + m.m[8 + r] * v[2] + m.m[12 + r];
    *out = result;
}

void Mat4::Scale(Mat4* out, const Mat4& m, const float v[3]) {
    Mat4 result = m;
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 4; ++r) result.m[c * 4 + r] *= v[c];
    *out = result;
}

void Mat4::ScaleUniform(Mat4* out, const Mat4& m, float s) {
    const float v[3] = {s, s, s};
    Scale(out, m, v);
}

void Mat4::RotateX(Mat4* out, const Mat4& m, float degrees) {
    float s, c;
    SinCos(degrees * kDegreesToRadians, &s, &c);
    Mat4 rotation = Identity();
    rotation.m[5] = c;
    rotation.m[6] = s;
    rotation.m[9] = -s;
    rotation.m[10] = c;
    Multiply(out, m, rotation);
}

void Mat4::RotateY(Mat4* out, const Mat4& m, float degrees) {
    float s, c;
    SinCos(degrees * kDegreesToRadians, &s, &c);
    Mat4 rotation = Identity();
    rotation.m[0] = c;
    rotation.m[2] = -s;
    rotation.m[8] = s;
    rotation.m[10] = c;
    Multiply(out, m, rotation);
}

void Mat4::Rotate(Mat4* out, const Mat4& m, const float axis[3], float degrees) {
    float s, c;
    SinCos(degrees * kDegreesToRadians, &s, &c);
    float x = axis[0], y = axis[1], z = axis[2], k = 1.0f - c;
    Mat4 rotation;
    Set(&rotation,
        x * x * k + c, y * x * k + z * s, x * z * k - y * s, 0,
        x * y * k - z * s, y * y * k + c, y * z * k + x * s, 0,
        x * z * k + y * s, y * z * k - x * s, z * z * k + c, 0,
        0, 0, 0, 1);
    Multiply(out, m, rotation);
}

int Mat4::Inverse(Mat4* out, const Mat4& matrix) {
    const float* m = matrix.m;
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
             m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
             m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
             m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
              m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
             m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
             m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
             m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
              m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] +
             m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
             m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
              m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
              m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
             m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] +
             m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] -
              m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] +
              m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];

    float determinant = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (determinant == 0.0f) return 0;
    float scale = 1.0f / determinant;
    for (int i = 0; i < 16; ++i) out->m[i] = inv[i] * scale;
    return 1;
}

void Mat4::GetNormalMatrix(float out9[9], const Mat4& m) {
    static const int kElements[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    for (int i = 0; i < 9; ++i) out9[i] = m.m[kElements[i]];
}

void Mat4::Set(Mat4* m, float e0, float e1, float e2, float e3, float e4, float e5, float e6,
               float e7, float e8, float e9, float e10, float e11, float e12, float e13,
               float e14, float e15) {
    *m = Mat4{{e0, e1, e2, e3, e4, e5, e6, e7, e8, e9, e10, e11, e12, e13, e14, e15}};
}
