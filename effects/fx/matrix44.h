// The 4x4 matrix the renderers keep their camera and projection in: 16 floats
// row by row, vectors as rows on the left, so A x B applies A first. The
// engine's column-major 4x4 matrices are taken as they lie in memory.
#pragma once

namespace Fx {

struct Matrix43;

struct Matrix44 {
    float value[4][4];

    Matrix44() { SetIdentity(); }

    void SetIdentity();
    // The rotation-scale rows and the translation of `m`, last column (0, 0, 0, 1).
    void SetFrom(const Matrix43& m);
    // out = a x b; both inputs are copied first, so `out` may be either.
    static void Multiply(Matrix44& out, const Matrix44& a, const Matrix44& b);
};

}  // namespace Fx
