// The 4x3 affine matrix every effect instance keeps its transform in: rows 0
// to 2 are the images of the x, y and z axes (rotation and scale), row 3 the
// translation; points are rows, so in A x B the matrix A applies first.
#pragma once

#include "fx/vector3d.h"

namespace Fx {

// Sine and cosine by a range reduction to [-pi, pi] and the series to the
// tenth power. Near +-pi the series is off by up to about 2e-3; within pi/2
// of a multiple of 2 pi by under 1e-6. Non-finite angles, and angles of more
// than about 1e9 turns (which no reduction can place), give (0, 1).
void SinCos(float angle, float& outSin, float& outCos);

struct Matrix43 {
    float value[4][3];

    void SetIdentity();
    void SetScale(float x, float y, float z);
    void SetRotationX(float angle);
    void SetRotationY(float angle);
    void SetRotationZ(float angle);
    // The z rotation, then x, then y; an angle of exactly 0 costs no SinCos.
    void SetRotationZXY(float angleZ, float angleX, float angleY);
    // About a unit axis, with the C library's sine and cosine.
    void SetRotationAxis(const Vector3D& axis, float angle);
    void SetTranslation(float x, float y, float z);

    // Splits into scale (row lengths, in double), rotation and translation. A
    // zero row has scale 0 and keeps its unit axis in the rotation, so no
    // division by zero reaches the result.
    void Decompose(Vector3D& scale, Matrix43& rotation, Vector3D& translation) const;
    // this = scaling x rotation, translation row set.
    void Compose(const Vector3D& scale, const Matrix43& rotation, const Vector3D& translation);

    // out = a x b; `out` may be `a` or `b`.
    static void Multiply(Matrix43& out, const Matrix43& a, const Matrix43& b);
};

}  // namespace Fx
