// Matrices, projections, the fast square root, the series sine and cosine,
// easing and the ray tests.
#include <gtest/gtest.h>

#include <cmath>

#include "core/easing.h"
#include "core/fast_math.h"
#include "core/mat4.h"
#include "core/ray.h"

namespace {

constexpr float kPi = 3.14159265f;

void ExpectNear(const Mat4& a, const Mat4& b, float tolerance) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

Mat4 SomeTransform() {
    Mat4 m = Mat4::Identity();
    const float move[3] = {3, -2, 7};
    const float axis[3] = {0.48f, 0.6f, 0.64f};  // unit length
    const float stretch[3] = {2, 0.5f, 1.5f};
    Mat4::Translate(&m, m, move);
    Mat4::Rotate(&m, m, axis, 37);
    Mat4::Scale(&m, m, stretch);
    return m;
}

TEST(Mat4Test, LayoutAndTransforms) {
    Mat4 m = Mat4::Identity();
    const float move[3] = {1, 2, 3};
    Mat4::Translate(&m, m, move);
    EXPECT_EQ(m.m[12], 1);
    EXPECT_EQ(m.m[13], 2);
    EXPECT_EQ(m.m[14], 3);
    // m x S: the scale applies to a point first, then the translation.
    Mat4::ScaleUniform(&m, m, 2);
    const float p[3] = {1, 1, 1};
    float out[3];
    Mat4::TransformPoint(out, m, p);
    EXPECT_FLOAT_EQ(out[0], 3);
    EXPECT_FLOAT_EQ(out[1], 4);
    EXPECT_FLOAT_EQ(out[2], 5);
    const float v[4] = {1, 0, 0, 0};  // a direction ignores translation
    float w[4];
    Mat4::TransformVec4(w, m, v);
    EXPECT_FLOAT_EQ(w[0], 2);
    EXPECT_FLOAT_EQ(w[3], 0);
}

TEST(Mat4Test, RotationsAreRightHanded) {
    struct Case {
        int which;  // 0 X, 1 Y, 2 Z through Rotate
        float degrees;
        float in[3], out[3];
    } cases[] = {
        {0, 90, {0, 1, 0}, {0, 0, 1}},   {1, 90, {0, 0, 1}, {1, 0, 0}},
        {2, 90, {1, 0, 0}, {0, 1, 0}},   {2, 180, {1, 0, 0}, {-1, 0, 0}},
        {0, 450, {0, 1, 0}, {0, 0, 1}},  // reduced to 90
        {1, -270, {0, 0, 1}, {1, 0, 0}}, {2, 720, {1, 2, 0}, {1, 2, 0}},
    };
    const float zAxis[3] = {0, 0, 1};
    for (const Case& c : cases) {
        Mat4 m = Mat4::Identity();
        if (c.which == 0) Mat4::RotateX(&m, m, c.degrees);
        if (c.which == 1) Mat4::RotateY(&m, m, c.degrees);
        if (c.which == 2) Mat4::Rotate(&m, m, zAxis, c.degrees);
        float out[3];
        Mat4::TransformPoint(out, m, c.in);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], c.out[i], 1e-5f) << c.which << " " << c.degrees;
    }
}

TEST(Mat4Test, MultiplyOrderAndAliasing) {
    Mat4 t = Mat4::Identity(), s = Mat4::Identity();
    const float move[3] = {5, 0, 0};
    Mat4::Translate(&t, t, move);
    Mat4::ScaleUniform(&s, s, 2);
    Mat4 ts;
    Mat4::Multiply(&ts, t, s);  // scale first, then move
    EXPECT_FLOAT_EQ(ts.m[0], 2);
    EXPECT_FLOAT_EQ(ts.m[12], 5);
    Mat4 aliased = t;
    Mat4::Multiply(&aliased, aliased, s);
    ExpectNear(aliased, ts, 0);
    Mat4 right = s;
    Mat4::Multiply(&right, t, right);
    ExpectNear(right, ts, 0);
}

TEST(Mat4Test, InverseTimesMatrixIsIdentity) {
    Mat4 m = SomeTransform(), inverse, product;
    ASSERT_EQ(Mat4::Inverse(&inverse, m), 1);
    Mat4::Multiply(&product, inverse, m);
    ExpectNear(product, Mat4::Identity(), 1e-5f);
    Mat4 self = m;
    ASSERT_EQ(Mat4::Inverse(&self, self), 1);
    ExpectNear(self, inverse, 0);
}

TEST(Mat4Test, SingularInverseLeavesOutputAlone) {
    Mat4 singular = SomeTransform();
    singular.m[1] = singular.m[5] = singular.m[9] = singular.m[13] = 0;  // zero row
    Mat4 out;
    for (float& e : out.m) e = 42;
    EXPECT_EQ(Mat4::Inverse(&out, singular), 0);
    for (float e : out.m) EXPECT_EQ(e, 42);
    float result[3] = {7, 7, 7};
    const int32_t viewport[4] = {0, 0, 100, 100};
    const float window[3] = {50, 50, 0.5f};
    EXPECT_EQ(Mat4::Unproject(result, singular, viewport, window), 0);
}

TEST(Mat4Test, PerspectiveAndOrthoVectors) {
    Mat4 p;
    Mat4::Perspective(&p, 90, 1, 1, 3);
    EXPECT_NEAR(p.m[0], 1, 1e-6f);
    EXPECT_NEAR(p.m[5], 1, 1e-6f);
    EXPECT_FLOAT_EQ(p.m[10], -2);
    EXPECT_FLOAT_EQ(p.m[11], -1);
    EXPECT_FLOAT_EQ(p.m[14], -3);
    EXPECT_FLOAT_EQ(p.m[15], 0);
    Mat4::Perspective(&p, 60, 2, 1, 100);
    EXPECT_NEAR(p.m[5], 1.7320508f, 1e-5f);
    EXPECT_NEAR(p.m[0], 0.8660254f, 1e-5f);

    Mat4 o;
    Mat4::Ortho(&o, 0, 800, 480, 0, -1, 1);  // the 2D screen: y down
    const float corner[3] = {800, 480, 0};
    float ndc[3];
    Mat4::TransformPoint(ndc, o, corner);
    EXPECT_FLOAT_EQ(ndc[0], 1);
    EXPECT_FLOAT_EQ(ndc[1], -1);
}

TEST(Mat4Test, LookAtFromPositiveZ) {
    const float eye[3] = {0, 0, 5}, target[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    Mat4 v;
    Mat4::LookAt(&v, eye, target, up);
    Mat4 expected = Mat4::Identity();
    expected.m[14] = -5;
    ExpectNear(v, expected, 5e-5f);  // two Newton steps: about 5e-6 relative

    // From the side: the target ends up straight ahead on -z.
    const float eye2[3] = {10, 4, -3}, target2[3] = {1, 2, 3};
    Mat4::LookAt(&v, eye2, target2, up);
    float seen[3];
    Mat4::TransformPoint(seen, v, target2);
    EXPECT_NEAR(seen[0], 0, 1e-4f);
    EXPECT_NEAR(seen[1], 0, 1e-4f);
    EXPECT_NEAR(seen[2], -std::sqrt(81.0f + 4 + 36), 1e-3f);
}

TEST(Mat4Test, ProjectUnprojectRoundTrip) {
    Mat4 proj, view, both;
    Mat4::Perspective(&proj, 45, 1280.0f / 720, 1, 500);
    const float eye[3] = {0, 30, 40}, target[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    Mat4::LookAt(&view, eye, target, up);
    Mat4::Multiply(&both, proj, view);
    const int32_t viewport[4] = {10, 20, 1280, 720};
    const float points[][3] = {{0, 0, 0}, {5, 2, -7}, {-12, 0.5f, 3}};
    for (const auto& point : points) {
        float window[3], back[3];
        ASSERT_EQ(Mat4::Project(window, both, viewport, point), 1);
        EXPECT_GT(window[2], 0);
        EXPECT_LT(window[2], 1);
        ASSERT_EQ(Mat4::Unproject(back, both, viewport, window), 1);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], point[i], 2e-3f);
    }
    float window[3] = {0, 0, 0};
    const float atEye[3] = {0, 30, 40};  // w = 0 there
    EXPECT_EQ(Mat4::Project(window, both, viewport, atEye), 0);
}

TEST(Mat4Test, NormalMatrixAndSet) {
    Mat4 m;
    Mat4::Set(&m, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], i);
    float n[9];
    Mat4::GetNormalMatrix(n, m);
    const float expected[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(n[i], expected[i]);
}

TEST(FastMathTest, FastSqrtVectors) {
    EXPECT_NEAR(FastSqrt(4), 2, 1e-6f);
    EXPECT_TRUE(std::isnan(FastSqrt(-1)));
    EXPECT_TRUE(std::isnan(FastSqrt(NAN)));
    EXPECT_EQ(FastSqrt(0), 0);
    EXPECT_TRUE(std::signbit(FastSqrt(-0.0f)));
    for (float x : {1e-6f, 0.25f, 2.0f, 1234.5f, 1e12f})
        EXPECT_NEAR(FastSqrt(x), std::sqrt(x), std::sqrt(x) * 1e-6f) << x;
}

TEST(FastMathTest, Vec3Normalize) {
    const float v[3] = {3, 0, 4};
    float out[3];
    Vec3Normalize(v, out);
    EXPECT_NEAR(out[0], 0.6f, 1e-5f);
    EXPECT_NEAR(out[2], 0.8f, 1e-5f);
    const float zero[3] = {0, 0, 0};
    Vec3Normalize(zero, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 0);
}

TEST(FastMathTest, SinCosOverTheCircleAndBeyond) {
    for (int i = -3600; i <= 3600; ++i) {
        float radians = static_cast<float>(i) * kPi / 1800.0f;  // -2 pi to 2 pi
        float s, c;
        SinCos(radians, &s, &c);
        ASSERT_NEAR(s, std::sin(double{radians}), 1e-6) << radians;
        ASSERT_NEAR(c, std::cos(double{radians}), 1e-6) << radians;
    }
    // Script angles of several turns are reduced first.
    for (float degrees : {270.0f, 360.0f, 720.0f, -540.0f, 36000.0f}) {
        float s, c;
        SinCos(degrees * kDegreesToRadians, &s, &c);
        double radians = double{degrees * kDegreesToRadians};
        EXPECT_NEAR(s, std::sin(radians), 1e-5) << degrees;
        EXPECT_NEAR(c, std::cos(radians), 1e-5) << degrees;
    }
    float s, c;
    SinCos(90 * kDegreesToRadians, &s, &c);
    EXPECT_NEAR(s, 1, 1e-6f);
}

TEST(EasingTest, Curves) {
    EXPECT_FLOAT_EQ(EaseInOut(0, 2, 10, 20), 10);
    EXPECT_FLOAT_EQ(EaseInOut(0.5f, 2, 10, 20), 15);
    EXPECT_FLOAT_EQ(EaseInOut(1, 2, 10, 20), 20);
    EXPECT_FLOAT_EQ(EaseInOut(0.25f, 2, 10, 20), 11.25f);  // 10 + 5 x 0.5^2
    EXPECT_FLOAT_EQ(EaseInOut(0.75f, 3, 0, 8), 7.5f);      // 4 + 4 x (1 - 0.5^3)
    const float from[3] = {0, 10, -4}, to[3] = {8, 20, 4};
    float out[3];
    EaseOutVec3(0.5f, 2, from, to, out);  // 1 - 0.25 = 0.75 of the way
    EXPECT_FLOAT_EQ(out[0], 6);
    EXPECT_FLOAT_EQ(out[1], 17.5f);
    EXPECT_FLOAT_EQ(out[2], 2);
    EaseOutVec2(1, 3, from, to, out);
    EXPECT_FLOAT_EQ(out[0], 8);
    EXPECT_FLOAT_EQ(out[1], 20);
    LerpVec3(0.25f, from, to, out);
    EXPECT_FLOAT_EQ(out[0], 2);
    EXPECT_FLOAT_EQ(out[1], 12.5f);
    EXPECT_FLOAT_EQ(out[2], -2);
}

TEST(RayTest, TriangleCases) {
    const float a[3] = {0, 0, 0}, b[3] = {4, 0, 0}, c[3] = {0, 0, 4};  // on y = 0
    const float down[3] = {0, -1, 0};
    struct Case {
        float origin[3], direction[3];
        int hit;
        bool written;
        float point[3];
    } cases[] = {
        {{1, 5, 1}, {0, -1, 0}, 1, true, {1, 0, 1}},       // inside
        {{1, -5, 1}, {0, 1, 0}, 1, true, {1, 0, 1}},       // from below: both faces
        {{2, 3, 0}, {0, -2, 0}, 1, true, {2, 0, 0}},       // on edge a-b, unnormalised direction
        {{0, 1, 0}, {0, -1, 0}, 1, true, {0, 0, 0}},       // on a corner
        {{3, 5, 3}, {0, -1, 0}, 0, true, {3, 0, 3}},       // outside: plane hit still written
        {{1, 5, 1}, {0, 1, 0}, 0, false, {0, 0, 0}},       // plane behind the origin
        {{1, 5, 1}, {1, 0, 0}, 0, false, {0, 0, 0}},       // parallel above the plane
        {{1, 0, 1}, {0, 0, 1}, 0, false, {0, 0, 0}},       // parallel inside the plane
    };
    for (const Case& k : cases) {
        float hit[3] = {99, 99, 99};
        EXPECT_EQ(IntersectRayTriangle(k.origin, k.direction, a, b, c, hit), k.hit);
        for (int i = 0; i < 3; ++i) {
            if (k.written) EXPECT_NEAR(hit[i], k.point[i], 1e-5f);
            else EXPECT_EQ(hit[i], 99);
            EXPECT_FALSE(std::isnan(hit[i]));
        }
    }
    // A degenerate triangle has no plane.
    float hit[3];
    const float origin[3] = {1, 5, 1};
    EXPECT_EQ(IntersectRayTriangle(origin, down, a, b, b, hit), 0);
}

TEST(RayTest, QuadDiagonals) {
    // A unit cell on y = 0: p0 (0,0), p1 (1,0), p2 (0,1), p3 (1,1) in strip order.
    const float p0[3] = {0, 0, 0}, p1[3] = {1, 0, 0}, p2[3] = {0, 0, 1}, p3[3] = {1, 0, 1};
    const float down[3] = {0, -1, 0};
    const float targets[][3] = {{0.2f, 3, 0.2f}, {0.8f, 3, 0.8f}, {0.9f, 3, 0.1f}, {0.1f, 3, 0.9f}};
    for (int diagonal : {0, 1}) {
        for (const auto& origin : targets) {
            float hit[3];
            EXPECT_EQ(IntersectRayQuad(origin, down, p0, p1, p2, p3, diagonal, hit), 1);
            EXPECT_NEAR(hit[0], origin[0], 1e-6f);
            EXPECT_NEAR(hit[2], origin[2], 1e-6f);
        }
        const float outside[3] = {1.5f, 3, 0.5f};
        float hit[3];
        EXPECT_EQ(IntersectRayQuad(outside, down, p0, p1, p2, p3, diagonal, hit), 0);
    }
}

}  // namespace
