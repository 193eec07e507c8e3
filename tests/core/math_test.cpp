// Matrices, projections, the fast square root, the series sine and cosine,
// easing and the ray tests.
#include <gtest/gtest.h>

#include <cmath>

#include "core/easing.h"
#include "core/fast_math.h"
#include "core/mat4.h"
#include "core/ray.h"

namespace {

void ExpectNear(const Mat4& a, const Mat4& b, float tolerance) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

TEST(Mat4Test, TransformsRotationsAndMultiplyOrder) {
    Mat4 m = Mat4::Identity(), s = Mat4::Identity();
    const float move[3] = {1, 2, 3}, p[3] = {1, 1, 1}, v[4] = {1, 0, 0, 0};
    Mat4::Translate(&m, m, move);
    Mat4::ScaleUniform(&s, s, 2);
    Mat4::Multiply(&m, m, s);  // aliased; the scale applies first
    float out[3], w[4];
    Mat4::TransformPoint(out, m, p);
    EXPECT_FLOAT_EQ(out[0], 3);
    EXPECT_FLOAT_EQ(out[2], 5);
    Mat4::TransformVec4(w, m, v);  // a direction ignores translation
    EXPECT_FLOAT_EQ(w[0], 2);
    EXPECT_FLOAT_EQ(w[3], 0);
    struct Case {
        int which;  // 0 X, 1 Y, 2 Z through Rotate
        float degrees, in[3], out[3];
    } cases[] = {{0, 90, {0, 1, 0}, {0, 0, 1}},   {1, 90, {0, 0, 1}, {1, 0, 0}},
                 {2, 90, {1, 0, 0}, {0, 1, 0}},   {0, 450, {0, 1, 0}, {0, 0, 1}},
                 {1, -270, {0, 0, 1}, {1, 0, 0}}, {2, 720, {1, 2, 0}, {1, 2, 0}}};
    const float zAxis[3] = {0, 0, 1};
    for (const Case& c : cases) {
        Mat4 r = Mat4::Identity();
        if (c.which == 0) Mat4::RotateX(&r, r, c.degrees);
        if (c.which == 1) Mat4::RotateY(&r, r, c.degrees);
        if (c.which == 2) Mat4::Rotate(&r, r, zAxis, c.degrees);
        Mat4::TransformPoint(out, r, c.in);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], c.out[i], 1e-5f) << c.which << " " << c.degrees;
    }
    Mat4 n;
    Mat4::Set(&n, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    float normal[9];
    Mat4::GetNormalMatrix(normal, n);
    const float expected[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(normal[i], expected[i]);
}

TEST(Mat4Test, InverseAndSingular) {
    Mat4 m = Mat4::Identity(), inverse, product;
    const float move[3] = {3, -2, 7}, axis[3] = {0.48f, 0.6f, 0.64f}, stretch[3] = {2, 0.5f, 1.5f};
    Mat4::Translate(&m, m, move);
    Mat4::Rotate(&m, m, axis, 37);
    Mat4::Scale(&m, m, stretch);
    ASSERT_EQ(Mat4::Inverse(&inverse, m), 1);
    Mat4::Multiply(&product, inverse, m);
    ExpectNear(product, Mat4::Identity(), 1e-5f);
    m.m[1] = m.m[5] = m.m[9] = m.m[13] = 0;  // zero row
    Mat4 out;
    for (float& e : out.m) e = 42;
    EXPECT_EQ(Mat4::Inverse(&out, m), 0);
    for (float e : out.m) EXPECT_EQ(e, 42);
    float result[3];
    const int32_t viewport[4] = {0, 0, 100, 100};
    const float window[3] = {50, 50, 0.5f};
    EXPECT_EQ(Mat4::Unproject(result, m, viewport, window), 0);
}

TEST(Mat4Test, ProjectionsLookAtAndRoundTrip) {
    Mat4 p;
    Mat4::Perspective(&p, 90, 1, 1, 3);
    const float expected[][2] = {{0, 1}, {5, 1}, {10, -2}, {11, -1}, {14, -3}, {15, 0}};
    for (const auto& e : expected) EXPECT_NEAR(p.m[int(e[0])], e[1], 1e-6f);
    Mat4 o;
    Mat4::Ortho(&o, 0, 800, 480, 0, -1, 1);  // the 2D screen: y down
    const float corner[3] = {800, 480, 0};
    float ndc[3];
    Mat4::TransformPoint(ndc, o, corner);
    EXPECT_FLOAT_EQ(ndc[0], 1);
    EXPECT_FLOAT_EQ(ndc[1], -1);

    Mat4 proj, view, both;
    Mat4::Perspective(&proj, 45, 1280.0f / 720, 1, 500);
    const float eye[3] = {10, 30, 40}, target[3] = {1, 2, 3}, up[3] = {0, 1, 0};
    Mat4::LookAt(&view, eye, target, up);
    float seen[3];
    Mat4::TransformPoint(seen, view, target);  // straight ahead on -z
    EXPECT_NEAR(seen[0], 0, 1e-4f);
    EXPECT_NEAR(seen[1], 0, 1e-4f);
    EXPECT_NEAR(seen[2], -std::sqrt(81.0f + 784 + 1369), 2e-3f);
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
    float window[3];
    EXPECT_EQ(Mat4::Project(window, both, viewport, eye), 0);  // w = 0 there
}

TEST(FastMathTest, SqrtNormalizeSinCosAndEasing) {
    EXPECT_TRUE(std::isnan(FastSqrt(-1)));
    EXPECT_TRUE(std::isnan(FastSqrt(NAN)));
    EXPECT_EQ(FastSqrt(0), 0);
    EXPECT_TRUE(std::signbit(FastSqrt(-0.0f)));
    for (float x : {1e-6f, 0.25f, 2.0f, 4.0f, 1234.5f, 1e12f})
        EXPECT_NEAR(FastSqrt(x), std::sqrt(x), std::sqrt(x) * 1e-6f) << x;
    const float v[3] = {3, 0, 4}, zero[3] = {0, 0, 0};
    float out[3];
    Vec3Normalize(v, out);
    EXPECT_NEAR(out[0], 0.6f, 1e-5f);
    EXPECT_NEAR(out[2], 0.8f, 1e-5f);
    Vec3Normalize(zero, out);
    EXPECT_EQ(out[0] + out[1] + out[2], 0);
    for (int i = -3600; i <= 3600; ++i) {  // -2 pi to 2 pi, then several turns
        float radians = static_cast<float>(i) * 3.14159265f / 1800.0f;
        if (i % 100 == 0) radians *= 37;
        float s, c;
        SinCos(radians, &s, &c);
        ASSERT_NEAR(s, std::sin(double{radians}), 1e-5) << radians;
        ASSERT_NEAR(c, std::cos(double{radians}), 1e-5) << radians;
    }
    EXPECT_FLOAT_EQ(EaseInOut(0, 2, 10, 20), 10);
    EXPECT_FLOAT_EQ(EaseInOut(0.25f, 2, 10, 20), 11.25f);  // 10 + 5 x 0.5^2
    EXPECT_FLOAT_EQ(EaseInOut(0.75f, 3, 0, 8), 7.5f);      // 4 + 4 x (1 - 0.5^3)
    EXPECT_FLOAT_EQ(EaseInOut(1, 2, 10, 20), 20);
    const float from[3] = {0, 10, -4}, to[3] = {8, 20, 4};
    EaseOutVec3(0.5f, 2, from, to, out);  // 1 - 0.25 = 0.75 of the way
    EXPECT_FLOAT_EQ(out[1], 17.5f);
    EXPECT_FLOAT_EQ(out[2], 2);
    EaseOutVec2(1, 3, from, to, out);
    EXPECT_FLOAT_EQ(out[0], 8);
    LerpVec3(0.25f, from, to, out);
    EXPECT_FLOAT_EQ(out[1], 12.5f);
    EXPECT_FLOAT_EQ(out[2], -2);
}

TEST(RayTest, TrianglesAndQuads) {
    const float a[3] = {0, 0, 0}, b[3] = {4, 0, 0}, c[3] = {0, 0, 4};  // on y = 0
    struct Case { float origin[3], direction[3]; int hit; bool written; float point[3]; } cases[] = {
        {{1, 5, 1}, {0, -1, 0}, 1, true, {1, 0, 1}},  // inside
        {{1, -5, 1}, {0, 1, 0}, 1, true, {1, 0, 1}},  // from below: both faces
        {{2, 3, 0}, {0, -2, 0}, 1, true, {2, 0, 0}},  // on an edge, unnormalised direction
        {{3, 5, 3}, {0, -1, 0}, 0, true, {3, 0, 3}},  // outside: plane hit still written
        {{1, 5, 1}, {0, 1, 0}, 0, false, {}},         // plane behind the origin
        {{1, 5, 1}, {1, 0, 0}, 0, false, {}},         // parallel
        {{1, 0, 1}, {0, 0, 1}, 0, false, {}},         // parallel inside the plane
    };
    for (const Case& k : cases) {
        float hit[3] = {99, 99, 99};
        EXPECT_EQ(IntersectRayTriangle(k.origin, k.direction, a, b, c, hit), k.hit);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(hit[i], k.written ? k.point[i] : 99, 1e-5f);
    }
    float hit[3];
    EXPECT_EQ(IntersectRayTriangle(cases[0].origin, cases[0].direction, a, b, b, hit), 0);
    // A unit cell in strip order, split along either diagonal.
    const float p0[3] = {0, 0, 0}, p1[3] = {1, 0, 0}, p2[3] = {0, 0, 1}, p3[3] = {1, 0, 1};
    const float down[3] = {0, -1, 0};
    const float targets[][3] = {{0.2f, 3, 0.2f}, {0.8f, 3, 0.8f}, {0.9f, 3, 0.1f}, {0.1f, 3, 0.9f}};
    for (int diagonal : {0, 1}) {
        for (const auto& origin : targets) {
            EXPECT_EQ(IntersectRayQuad(origin, down, p0, p1, p2, p3, diagonal, hit), 1);
            EXPECT_NEAR(hit[0], origin[0], 1e-6f);
            EXPECT_NEAR(hit[2], origin[2], 1e-6f);
        }
        const float outside[3] = {1.5f, 3, 0.5f};
        EXPECT_EQ(IntersectRayQuad(outside, down, p0, p1, p2, p3, diagonal, hit), 0);
    }
}

}  // namespace
