// SinCos against the C library, the rotations against their products, and
// the decompose/compose and aliasing rules of the matrices.
#include <gtest/gtest.h>

#include <cmath>

#include "fx/matrix43.h"
#include "fx/matrix44.h"

namespace {

constexpr float kPi = 3.14159265f;

void ExpectNear(const Fx::Matrix43& a, const Fx::Matrix43& b, float tolerance) {
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(a.value[i / 3][i % 3], b.value[i / 3][i % 3], tolerance) << i;
}

TEST(FxSinCos, FollowsTheLibraryWithinTheSeriesError) {
    float s, c;
    Fx::SinCos(0.0f, s, c);
    EXPECT_TRUE(s == 0.0f && c == 1.0f);
    // -pi rounds away from zero to one turn back: r = +pi, where the truncated
    // series lands just below zero (at -pi it would land just above).
    Fx::SinCos(-kPi, s, c);
    EXPECT_TRUE(s < 0.0f && std::fabs(c + 1.0f) < 2.5e-3f);
    for (float x = -4 * kPi; x <= 4 * kPi; x += 0.01f) {
        Fx::SinCos(x, s, c);
        float reduced = std::remainder(x, 2 * kPi);
        float tolerance = std::fabs(reduced) <= kPi / 2 ? 1e-5f : 2.5e-3f;
        ASSERT_NEAR(s, std::sin(x), tolerance) << x;
        ASSERT_NEAR(c, std::cos(x), tolerance) << x;
    }
    Fx::SinCos(NAN, s, c);
    EXPECT_TRUE(s == 0.0f && c == 1.0f);
}

TEST(FxMatrix43, RotationZXYIsTheProductZThenXThenY) {
    Fx::Matrix43 z, x, y, zx, expected, zxy;
    z.SetRotationZ(0.7f);
    x.SetRotationX(-0.4f);
    y.SetRotationY(1.9f);
    Fx::Matrix43::Multiply(zx, z, x);
    Fx::Matrix43::Multiply(expected, zx, y);
    zxy.SetRotationZXY(0.7f, -0.4f, 1.9f);
    ExpectNear(zxy, expected, 1e-5f);
    Fx::Matrix43 identity;
    identity.SetIdentity();
    ExpectNear((zxy.SetRotationZXY(0, 0, 0), zxy), identity, 0.0f);
    // The axis rotation about z matches the z rotation; a point maps as a row.
    Fx::Matrix43 axis;
    axis.SetRotationAxis(Fx::Vector3D(0, 0, 1), 0.7f);
    ExpectNear(axis, z, 1e-5f);
    Fx::Vector3D p;
    Fx::Vector3D::Transform(p, Fx::Vector3D(1, 0, 0), z);
    EXPECT_NEAR(p.x, std::cos(0.7f), 1e-5f);
    EXPECT_NEAR(p.y, std::sin(0.7f), 1e-5f);
}

TEST(FxMatrix43, DecomposeUndoesCompose) {
    Fx::Matrix43 rotation, composed, gotRotation;
    rotation.SetRotationZXY(0.3f, -1.1f, 2.0f);
    composed.Compose(Fx::Vector3D(2, 0.5f, 3), rotation, Fx::Vector3D(7, 8, 9));
    Fx::Vector3D scale, translation;
    composed.Decompose(scale, gotRotation, translation);
    EXPECT_NEAR(scale.x + scale.y * 10 + scale.z * 100, 2 + 5 + 300, 1e-3f);
    EXPECT_EQ(translation.z, 9);
    ExpectNear(gotRotation, rotation, 1e-5f);
    // A zero scale keeps a unit axis instead of dividing by zero.
    composed.Compose(Fx::Vector3D(0, 1, 1), rotation, Fx::Vector3D());
    composed.Decompose(scale, gotRotation, translation);
    EXPECT_EQ(scale.x, 0);
    EXPECT_EQ(gotRotation.value[0][0], 1);
    EXPECT_FALSE(std::isnan(gotRotation.value[0][1]));
}

TEST(FxMatrix43, MultiplyIntoEitherInput) {
    Fx::Matrix43 a, b, separate;
    b.SetRotationAxis(Fx::Vector3D(0.6f, 0.8f, 0), 0.5f);
    a.Compose(Fx::Vector3D(1, 2, 0.5f), b, Fx::Vector3D(4, -5, 6));
    b.value[3][1] = 2;
    Fx::Matrix43::Multiply(separate, a, b);
    EXPECT_NEAR(separate.value[3][1], a.value[3][0] * b.value[0][1] + a.value[3][1] * b.value[1][1] +
                                          a.value[3][2] * b.value[2][1] + 2, 1e-5f);
    Fx::Matrix43 intoA = a, intoB = b;
    Fx::Matrix43::Multiply(intoA, intoA, b);
    Fx::Matrix43::Multiply(intoB, a, intoB);
    ExpectNear(intoA, separate, 0.0f);
    ExpectNear(intoB, separate, 0.0f);
    // Matrix44 from a Matrix43 multiplies as the Matrix43 does, in place too.
    Fx::Matrix44 a4, b4;
    a4.SetFrom(a);
    b4.SetFrom(b);
    Fx::Matrix44::Multiply(b4, a4, b4);
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(b4.value[i / 3][i % 3], separate.value[i / 3][i % 3], 1e-5f);
}

}  // namespace
