// The built-ins' own rules: arrow flights and their turn, the focus lines'
// geometry, draw count and schedule, the rain over real fields; and each
// drawn on Mesa with the sample's files and, for the rain, the pack's program.
#include <cmath>

#include "core/random.h"
#include "effects/game/efc_arrow.h"
#include "effects/game/efc_focus_lines.h"
#include "effects/game/efc_rain.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/quad.h"
#include "gfx/std2d.h"
#include "tests/effects_game/efc_fixture.h"

namespace {

const float kOrigin[3] = {0, 0, 0};
Point Near(const float* p) { return {std::round(p[0] * 100) / 100, std::round(p[1] * 100) / 100, p[2]}; }

TEST_F(EfcTest, ArrowsFlyOnTheirArc) {
    auto* arrows = BuiltIn<QmEfcArrow>(kEfcArrowId);
    const float target[3] = {128, 0, 0}, near[3] = {5, 0, 3}, wild[3] = {NAN, INFINITY, 0};
    const ArrowFlight& a = arrows->GetFlight(0);
    for (int32_t flag : {0, 1}) {  // the top is a tenth of the flight above the line to the target
        ASSERT_EQ(EfcStartEffect(kEfcArrowId, kOrigin, target, flag), -1024);
        EXPECT_EQ(a.frames, 10u);
        for (int i = 0; i < 5; ++i) EfcUpdate();
        EXPECT_EQ(Near(a.position), (Point{64, flag ? 29.19f : 12.8f, 0}));
        for (int i = 0; i < 5; ++i) EfcUpdate();
        EXPECT_EQ(Near(a.position), (Point{128, flag ? 32.0f : 0.0f, 0}));
        EXPECT_EQ(EfcIsEffectEnd(-1024), 0);
        EfcUpdate();
        EXPECT_EQ(a.active + EfcIsEffectEnd(-1024), 1);
    }
    for (int i = 0; i <= kArrowSlots; ++i) EXPECT_EQ(arrows->Start(kOrigin, target, 0), i < kArrowSlots);
    EXPECT_EQ(EfcStartEffect(kEfcArrowId, kOrigin, target, 0), -1024);
    for (int i = 0; i < 11; ++i) EfcUpdate();
    arrows->Start(kOrigin, near, 0);  // shorter than one step, or wild: arrives at once
    arrows->Start(kOrigin, wild, 0);
    EXPECT_EQ(a.frames + arrows->GetFlight(1).frames, 0u);
    EXPECT_EQ(Near(a.position), (Point{5, 0, 3}));
    EfcUpdate();
    EXPECT_EQ(EfcIsEffectEnd(-1024), 1);
}

TEST_F(EfcTest, ArrowTurnsAlongItsMotion) {
    const float motions[][3] = {{1, 0, 0}, {0, 0, 1}, {-1, 0, 0}, {0.6f, 0.8f, 0}, {0, -1, 0}}, nose[3] = {1, 0, 0};
    const float at[3] = {50, 60, 70};
    Mat4 m;
    float tip[3];
    for (const auto& d : motions) {  // the nose, 20 units out, points along the last step's motion
        const float previous[3] = {at[0] - d[0], at[1] - d[1], at[2] - d[2]};
        ASSERT_TRUE(ArrowModelMatrix(at, previous, &m));
        Mat4::TransformPoint(tip, m, nose);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(tip[i] - at[i], 20 * d[i], 1e-3f) << d[0] << d[1] << d[2];
    }
    EXPECT_FALSE(ArrowModelMatrix(at, at, &m));
}

TEST_F(EfcTest, FocusLinesDrawElevenPerLineAlternateAndLeaveTheCentre) {
    SetScreenSize(800, 480);
    RandomState expected{};
    RandomSeed(&expected, 1);
    EfcStartEffect(kEfcFocusLinesId, kOrigin, kOrigin, 0);
    for (int i = 0; i < kFocusLineCount * 11; ++i) Random(&expected);
    EXPECT_EQ(Random(nullptr), Random(&expected));
    auto* lines = BuiltIn<QmEfcFocusLines>(kEfcFocusLinesId);
    for (const QuadBatch* batch : {lines->GetBatch(0), lines->GetBatch(1)}) {
        ASSERT_EQ(batch->vertexCount, 4u * kFocusLineCount);
        for (uint32_t v = 0; v < batch->vertexCount; v += 2) {  // the middle of each end, +-1 px of truncation
            const QuadVertex* q = &batch->vertices[v];
            const float r = std::hypot((q[0].x + q[1].x) / 2.0f - 400, (q[0].y + q[1].y) / 2.0f - 240);
            EXPECT_TRUE(v % 4 ? r >= 522 && r <= 544 : r >= 99 && r <= 221) << v << " " << r;
        }
    }
    for (uint32_t frame = 0; frame < kFocusLineFrames; ++frame, EfcUpdate()) {
        EXPECT_TRUE(lines->GetShownBatch() == lines->GetBatch(frame / 5 % 2) && !EfcIsEffectEnd(-1025)) << frame;
    }
    EXPECT_EQ(EfcIsEffectEnd(-1025), 1);
    SetScreenSize(kWidth, kHeight);  // drawn on 256 x 256, the lines leave the centre empty
    EfcStartEffect(kEfcFocusLinesId, kOrigin, kOrigin, 0);
    EfcDrawScreen();
    EXPECT_EQ(LitPixels(68, 68, 188, 188), 0);
    EXPECT_GT(LitPixels(0, 0, 256, 256), 2000);
}

TEST_F(EfcTest, RainFallsSplashesAndDies) {
    auto* rain = BuiltIn<QmEfcRain>(kEfcRainId);
    auto ground = FlatField(24, 24, 1), small = FlatField(1, 1, 1);
    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);
    EfcSetContext(ground.get(), nullptr);
    EfcUpdate();
    int32_t k = 0;  // the first of the drops 0..19 over ground
    while (k < 19 && rain->GetDrop(k).groundY < 0) ++k;
    const RainDrop& drop = rain->GetDrop(k);
    EXPECT_EQ(rain->GetDrop(19).alive - rain->GetDrop(20).alive, 1);
    EXPECT_EQ(drop.groundY, kFieldLevelHeight + kFieldTopLift + 1);
    for (int n = 1; n <= (kRainTop - drop.groundY) / kRainFall + 1; ++n, EfcUpdate()) EXPECT_FALSE(drop.splashing);
    EXPECT_TRUE(drop.splashing);
    EXPECT_EQ(rain->GetLine(k)[0].y, 0);  // the line is gone
    for (int f = 0; f + 1 < drop.splashFrames; ++f) {  // fades as 255 - (f/F)^2 x 255, grows 0.8 a step
        EfcUpdate();
        EXPECT_NEAR(rain->GetSplash(k)[0].a, 255 - 255 * std::pow(double(f) / drop.splashFrames, 2), 1.0) << f;
        EXPECT_EQ(rain->GetSplash(k)[3].x - drop.groundX, int((f + 1) * 0.8f)) << f;
    }
    EfcUpdate();
    EXPECT_EQ(rain->GetSplash(k)[0].a, 0);

    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);  // over one cell most drops find no ground
    EfcSetContext(small.get(), nullptr);
    EfcSetEffectParameter(-1026, 0, 100);
    EfcUpdate();
    EXPECT_EQ(rain->GetDrop(99).alive - rain->GetDrop(100).alive, 1);
    for (k = 0; k < 19 && rain->GetDrop(k).groundY >= 0;) ++k;
    for (int step = 1; step <= 39; ++step, EfcUpdate()) EXPECT_EQ(rain->GetLine(k)[0].y, 500 - 20 * (step - 1));
    EXPECT_EQ(rain->GetLine(k)[0].y, kRainTop);  // died on the 39th step and was spawned again
    EfcStopEffect(-1026);
    EfcUpdate();
    EXPECT_EQ(rain->GetLine(k)[0].y, kRainTop);  // stopped: nothing moves
}

TEST_F(EfcTest, ArrowModelStandsWhereItFlies) {
    const int32_t program = BuildShaderProgram(
        "arrow", "attribute vec3 a_Position; uniform mat4 u_GeneralMatrix;\n"
        "void main() { gl_Position = u_GeneralMatrix * vec4(a_Position, 1.0); }\n",
        "precision mediump float; void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n", nullptr);
    UnbindStd2dProgram();
    MaterialShader::Begin(program);
    // From z = 128 with a 90-degree view: world x, y in -128..128 fill the screen 1:1.
    MaterialShader::SetCamera({90, 1, 1, 1000, {0, 0, 0}, {0, 0, 128}, {0, 1, 0}});
    const float from[3] = {-100, -20, 0}, to[3] = {100, -20, 0};
    EfcStartEffect(kEfcArrowId, from, to, 0);
    for (int i = 0; i < 3; ++i) EfcUpdate();  // t = 0.2: centre (-60, -8.2), 40 units long
    EfcDrawModels(nullptr);
    MaterialShader::End();
    EXPECT_TRUE(NoGlError());
    EXPECT_GT(LitPixels(46, 124, 92, 146), 40);
    EXPECT_EQ(LitPixels(0, 0, 256, 256), LitPixels(46, 124, 92, 146));
    DeleteShaderProgram(program);
}

TEST_F(EfcTest, RainDrawsLinesAndSplashesOnlyOnAField) {
    auto field = FlatField(24, 24, 1);
    EfcStartEffect(kEfcRainId, nullptr, nullptr, 0);
    EfcSetEffectParameter(-1026, 0, 200);
    UnbindStd2dProgram();
    const CameraParams camera{60, 1, 10, 10000, {0, 150, 0}, {0, 700, 2200}, {0, 1, 0}};
    MaterialShader::SetCamera(camera);
    for (QmField* context : {static_cast<QmField*>(nullptr), field.get()}) {
        EfcSetContext(context, nullptr);  // without a camera the rain draws all the same
        for (int i = 0; i < 30; ++i) EfcUpdate();
        ClearScreen(0, 0, 0);
        GlClearDepthBuffer(1.0f);
        EfcDraw(nullptr);
        EXPECT_TRUE(NoGlError());
        EXPECT_EQ(LitPixels(0, 0, 256, 256, 0, 4) > 200, context != nullptr);  // blue lines
        EXPECT_EQ(LitPixels(0, 0, 256, 256, 30) > 20, context != nullptr);    // pale splashes
    }
}

}  // namespace
