// The value types and math: SinCos, matrices, F-curves, colours, random draws, easings, fades and a node's sound.
#include <climits>
#include <cmath>

#include "fx/all_color_parameter.h"
#include "fx_test_support.h"

namespace {

using FxTest::ScriptRandom;
constexpr float kPi = 3.14159265f;

TEST(FxSinCos, FollowsTheLibraryWithinTheSeriesError) {
    float s, c;
    Fx::SinCos(0.0f, s, c);
    EXPECT_TRUE(s == 0.0f && c == 1.0f);
    // -pi rounds to +pi, where the truncated series lands just below zero.
    Fx::SinCos(-kPi, s, c);
    EXPECT_TRUE(s < 0.0f && std::fabs(c + 1.0f) < 2.5e-3f);
    for (float x = -4 * kPi; x <= 4 * kPi; x += 0.01f) {
        Fx::SinCos(x, s, c);
        float tolerance = std::fabs(std::remainder(x, 2 * kPi)) <= kPi / 2 ? 1e-5f : 2.5e-3f;
        ASSERT_NEAR(s, std::sin(x), tolerance) << x;
        ASSERT_NEAR(c, std::cos(x), tolerance) << x;
    }
    Fx::SinCos(NAN, s, c);
    EXPECT_TRUE(s == 0.0f && c == 1.0f);
}

TEST(FxMatrix43, ComposeAndDecompose) {
    Fx::Matrix43 rotation, composed, gotRotation;
    rotation.SetRotationZXY(0.3f, -1.1f, 2.0f);
    composed.Compose(Fx::Vector3D(2, 0.5f, 3), rotation, Fx::Vector3D(7, 8, 9));
    Fx::Vector3D scale, translation;
    composed.Decompose(scale, gotRotation, translation);
    EXPECT_NEAR(scale.x + scale.y * 10 + scale.z * 100, 2 + 5 + 300, 1e-3f);
    EXPECT_EQ(translation.z, 9);
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(gotRotation.value[i / 3][i % 3], rotation.value[i / 3][i % 3], 1e-5f) << i;
    // A zero scale keeps a unit axis instead of dividing by zero.
    composed.Compose(Fx::Vector3D(0, 1, 1), rotation, Fx::Vector3D());
    composed.Decompose(scale, gotRotation, translation);
    EXPECT_TRUE(scale.x == 0 && gotRotation.value[0][0] == 1 && !std::isnan(gotRotation.value[0][1]));
}

// Keys k * step sample the identity: the value is the frame the edges map to.
TEST(FxFCurve, EdgesAndSampling) {
    const int loop = Fx::kEdgeLoop, mirror = Fx::kEdgeMirrorLoop, hold = Fx::kEdgeHold;
    const struct { int32_t startFrame, length, step, edge, keyCount, frame; float expected; } cases[] = {
        {0, 10, 1, loop, 11, -3, 7},    {0, 10, 1, loop, 11, 13, 3},    {0, 10, 1, loop, 11, 0, 0},  // start not looped
        {0, 10, 1, mirror, 11, -3, 3},  {0, 10, 1, mirror, 11, 13, 7},  {0, 10, 1, hold, 11, -3, 0},
        {0, 10, 1, hold, 11, 13, 10},   {0, 10, 1, hold, 11, 10, 10},   // the length gives the last key
        {0, 10, 2, hold, 6, 3, 3},      // halfway between keys 1 and 2
        {5, 10, 1, hold, 11, 8, 3},     // start frame shifts the curve
        {0, 10, 1, hold, 5, 7, 4},      // keys ending early hold the last
        {0, 0, 1, loop, 1, -4, 0},      // no length to loop over: hold
        {INT_MIN, 10, 1, loop, 11, INT_MAX, 5},  // 2^32 - 1 frames in
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "frame " << c.frame << " edges " << c.edge);
        Fx::FCurve curve;
        curve.startFrame = c.startFrame;
        curve.length = c.length;
        curve.step = c.step;
        curve.startEdge = curve.endEdge = c.edge;
        for (int k = 0; k < c.keyCount; ++k) curve.keys.push_back(static_cast<float>(k * c.step));
        EXPECT_FLOAT_EQ(curve.GetValue(c.frame), c.expected);
    }
}

TEST(FxColor, HsvSectorsAndProducts) {
    const Fx::Color cases[][2] = {
        {{21, 255, 255, 9}, {255, 127, 0, 9}}, {{63, 255, 255, 9}, {127, 255, 0, 9}},
        {{105, 255, 255, 9}, {0, 255, 127, 9}}, {{147, 255, 255, 9}, {0, 127, 255, 9}},
        {{189, 255, 255, 9}, {127, 0, 255, 9}}, {{231, 255, 255, 9}, {255, 0, 127, 9}},
        {{255, 255, 255, 9}, {255, 0, 0, 9}},   {{90, 0, 200, 9}, {200, 200, 200, 9}},
    };
    for (const auto& c : cases) EXPECT_EQ(Fx::Color::FromHSV(c[0]), c[1]) << int(c[0].r);
    EXPECT_EQ(Fx::Color::Multiply({255, 128, 100, 0}, {255, 255, 200, 255}), Fx::Color(255, 128, 78, 0));
}

// Vectors and HSV colours draw in the playback hash; here the ends of the ranges.
TEST(FxRandomRange, DrawsAtChosenRandomValues) {
    FxTest::FakeManager manager;
    const int half = FxTest::kRandMax / 2, whole = FxTest::kRandMax;
    Fx::RandomFloat up{10, 2}, down{2, 10};  // max below min draws the same way
    ScriptRandom({0, whole, half, 0, half});
    std::vector<float> floats;
    for (const Fx::RandomFloat* range : {&up, &up, &up, &down, &down}) floats.push_back(range->Draw(manager));
    EXPECT_EQ(floats, std::vector<float>({2, 10, 6, 10, 6}));
    Fx::RandomInt wide{INT_MAX, INT_MIN}, small{10, 0};
    ScriptRandom({whole, 0, 999}, 2 * whole);  // then out of range: clamped
    std::vector<int32_t> ints;
    for (const Fx::RandomInt* range : {&wide, &wide, &small, &small}) ints.push_back(range->Draw(manager));
    EXPECT_EQ(ints, std::vector<int32_t>({INT_MAX, INT_MIN, 9, 10}));  // truncated, no overflow
}

TEST(FxEasing, FactorsTimeFractionsAndColours) {
    Fx::EasingFloat linear{{}, {}, 0, 0, 1}, cubic{{}, {}, 1, 0, 0};
    EXPECT_EQ(linear.GetValue(2, 10, 0.5f) + 10 * cubic.GetValue(2, 10, 0.5f), 6 + 30);
    EXPECT_EQ(Fx::TimeFraction(5, 0), 1.0f);
    EXPECT_EQ(Fx::TimeFraction(INFINITY, INFINITY), 0.0f);
    Fx::EasingColor easing;
    easing.c = 1;
    EXPECT_EQ(easing.Evaluate({0, 100, 200, 255}, {200, 100, 0, 0}, 0.5f), Fx::Color(100, 100, 100, 127));
    easing.start.mode = Fx::kColorModeHsv;
    EXPECT_EQ(easing.Evaluate({255, 255, 255, 1}, {255, 255, 255, 1}, 0.5f), Fx::Color(255, 0, 0, 1));
    easing.c = NAN;
    EXPECT_EQ(easing.Evaluate({0, 0, 0, 0}, {9, 9, 9, 9}, 0.5f).r, 0);
    // Curve colours clamp before they become bytes.
    Fx::FCurveColor curves;
    curves.r.keys = {300.0f}, curves.g.keys = {-5.0f}, curves.b.keys = {250.0f}, curves.a.keys = {NAN};
    const float offsets[4] = {0, 0, 10, 0};
    EXPECT_EQ(Fx::AllColorParameter::FromCurves(curves, offsets, 0), Fx::Color(255, 0, 255, 0));
}

TEST(FxNode, FadeFactor) {
    Fx::EffectNode node(nullptr);
    node.rendererCommon.fadeInKind = node.rendererCommon.fadeOutKind = Fx::kFadeOn;
    node.rendererCommon.fadeIn = node.rendererCommon.fadeOut = {10, 0, 0, 1};
    const float cases[][3] = {{5, 30, 0.5f}, {15, 30, 1}, {25, 30, 0.5f}, {5, 12, 0.35f}, {0, 30, 0}};
    for (const auto& c : cases) EXPECT_NEAR(node.GetFadeAlpha(c[0], c[1]), c[2], 1e-6f) << c[0] << " of " << c[1];
    node.rendererCommon.fadeOut.frames = 0;  // past the life it has faded out whole
    EXPECT_EQ(node.GetFadeAlpha(31, 30), 0.0f);
    EXPECT_EQ(node.GetFadeAlpha(15, 30), 1.0f);
}

TEST(FxNode, PlaysItsSoundAtTheInstance) {
    FxWriter::EffectBuilder builder;
    builder.header.soundPaths = {"a.wav", "b.wav"};
    builder.Add().sound = {Fx::kSoundOn, 1, {1.0f, 0.5f}, {2, 0}, 1, {1, -1}, 30.0f, {0, 0}};
    FxTest::FakeManager manager;
    FxTest::RecordingLoader sounds;
    manager.soundLoader = &sounds;
    Fx::Effect* effect = FxTest::Load(manager, builder.Build());
    ASSERT_NE(effect, nullptr);
    Fx::Matrix43 at;
    at.SetTranslation(1, 2, 3);
    Fx::EffectNode& node = *effect->GetRoot()->GetChild(0);
    node.PlayNodeSound(at, &at);  // no sound player yet
    manager.hasSoundPlayer = true;
    ScriptRandom({0, FxTest::kRandMax / 2, FxTest::kRandMax});
    node.PlayNodeSound(at, &at);
    node.sound.waveIndex = 2;  // past the list: no sound
    node.PlayNodeSound(at, &at);
    ASSERT_EQ(manager.played.size(), 1u);
    const Fx::SoundParameter& p = manager.played[0].second;
    EXPECT_TRUE(manager.played[0].first == &at && p.data == effect->GetSound(1) && p.mode3D);
    EXPECT_EQ(std::vector<float>({p.volume, p.pitch, p.pan, p.position.x, p.position.z, p.distance}),
              std::vector<float>({0.5f, 1, 1, 1, 3, 30}));
    effect->Release();
}

}  // namespace
