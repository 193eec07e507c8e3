#include "fx/matrix44.h"

#include <cstring>

#include "fx/matrix43.h"

namespace Fx {

void Matrix44::SetIdentity() {
    memset(value, 0, sizeof value);
    for (int i = 0; i < 4; ++i) value[i][i] = 1.0f;
}

void Matrix44::SetFrom(const Matrix43& m) {
    SetIdentity();
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) value[row][column] = m.value[row][column];
    }
}

void Matrix44::Multiply(Matrix44& out, const Matrix44& a, const Matrix44& b) {
    Matrix44 left = a, right = b;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += left.value[i][k] * right.value[k][j];
            out.value[i][j] = sum;
        }
    }
}

}  // namespace Fx
