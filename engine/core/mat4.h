// 4x4 float matrices in GL's column-major layout: element (row r, column c)
// is m[c * 4 + r], the translation sits in m[12..14], and a matrix is uploaded
// to GL untransposed. Angles are degrees. Every operation writes a caller-given
// output, which may be the same matrix as its first input.
#pragma once

#include <cstdint>

struct Mat4 {
    float m[16];

    static Mat4 Identity();

    // out = a x b (b applies to a vector first).
    static void Multiply(Mat4* out, const Mat4& a, const Mat4& b);
    // out = m x v.
    static void TransformVec4(float out[4], const Mat4& m, const float v[4]);
    // out = the x, y, z of m x (p, 1), without division by w.
    static void TransformPoint(float out[3], const Mat4& m, const float p[3]);

    // out = m x T, m x S or m x R.
    static void Translate(Mat4* out, const Mat4& m, const float v[3]);
    static void Scale(Mat4* out, const Mat4& m, const float v[3]);
    static void ScaleUniform(Mat4* out, const Mat4& m, float s);
    static void RotateX(Mat4* out, const Mat4& m, float degrees);
    static void RotateY(Mat4* out, const Mat4& m, float degrees);
    // The axis-angle rotation of glRotate. The axis is used as given and must
    // be of unit length; a longer axis scales as well as rotates.
    static void Rotate(Mat4* out, const Mat4& m, const float axis[3], float degrees);

    // The general inverse. Returns 0 and leaves `out` untouched when the
    // determinant is 0.
    static int Inverse(Mat4* out, const Mat4& m);

    // The glOrtho and gluPerspective matrices.
    static void Ortho(Mat4* out, float left, float right, float bottom, float top, float nearZ,
                      float farZ);
    static void Perspective(Mat4* out, float fovyDegrees, float aspect, float nearZ, float farZ);
    // A view matrix looking from `eye` at `target`.
    static void LookAt(Mat4* out, const float eye[3], const float target[3], const float up[3]);

    // Object point to window coordinates through m (usually projection x view)
    // and the viewport {x, y, width, height}; depth in 0..1. 0 when w is 0.
    static int Project(float out[3], const Mat4& m, const int32_t viewport[4], const float point[3]);
    // Window coordinates back to an object point. 0 when m has no inverse or w is 0.
    static int Unproject(float out[3], const Mat4& m, const int32_t viewport[4],
                         const float windowPoint[3]);

    // The upper-left 3x3 (elements 0, 1, 2, 4, 5, 6, 8, 9, 10), no inverse-transpose.
    static void GetNormalMatrix(float out9[9], const Mat4& m);
    // The 16 elements in storage order.
    static void Set(Mat4* m, float e0, float e1, float e2, float e3, float e4, float e5, float e6,
                    float e7, float e8, float e9, float e10, float e11, float e12, float e13,
                    float e14, float e15);
};
