// The built-ins' own rules: arrow flights and their turn, the focus lines'
// geometry, draw count and schedule, and the rain's drops over real fields.
#include <cmath>

#include "core/random.h"
#include "effects/game/efc_arrow.h"
#include "effects/game/efc_focus_lines.h"
#include "effects/game/efc_rain.h"
#include "gfx/gl_state.h"
#include "gfx/quad.h"
#include "tests/effects_game/efc_fixture.h"

namespace {

const float kOrigin[3] = {0, 0, 0};
using Point = std::vector<float>;
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
    for (int i = 0; i < kArrowSlots; ++i) EXPECT_EQ(arrows->Start(kOrigin, target, 0), 1);
    EXPECT_EQ(arrows->Start(kOrigin, target, 0), 0);
    EXPECT_EQ(EfcStartEffect(kEfcArrowId, kOrigin, target, 0), -1024);
    for (int i = 0; i < 11; ++i) EfcUpdate();
    arrows->Start(kOrigin, near, 0);  // shorter than one step: arrives at once
    arrows->Start(kOrigin, wild, 0);
    EXPECT_EQ(a.frames + arrows->GetFlight(1).frames, 0u);
    EXPECT_EQ(Near(a.position), (Point{5, 0, 3}));
    EfcUpdate();
    EXPECT_EQ(EfcIsEffectEnd(-1024), 1);
}

TEST_F(EfcTest, ArrowTurnsAlongItsMotion) {
    const float motions[][3] = {{1, 0, 0}, {0, 0, 1}, {-1, 0, 0}, {3, 4, 0}, {0, -2, 0}}, nose[3] = {1, 0, 0};
    const float at[3] = {50, 60, 70};
    for (const auto& d : motions) {
        const float previous[3] = {at[0] - d[0], at[1] - d[1], at[2] - d[2]};
        const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        Mat4 m;
        float tip[3];
        ASSERT_TRUE(ArrowModelMatrix(at, previous, &m));
        Mat4::TransformPoint(tip, m, nose);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(tip[i] - at[i], 20 * d[i] / length, 1e-3f) << d[0] << d[1] << d[2];
    }
    Mat4 m;
    EXPECT_FALSE(ArrowModelMatrix(at, at, &m));
}

TEST_F(EfcTest, FocusLinesDrawElevenPerLineAndAlternate) {
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
        EXPECT_EQ(lines->GetShownBatch(), lines->GetBatch(frame / 5 % 2)) << frame;
        EXPECT_EQ(EfcIsEffectEnd(-1025), 0);
    }
    EXPECT_EQ(EfcIsEffectEnd(-1025), 1);
    SetScreenSize(kWidth, kHeight);
}

// The first of the 20 drops spawned by the last update whose ground is (or is not) found.
int32_t FirstDrop(const QmEfcRain& rain, bool ground) {
    int32_t k = 0;
    while (k < 20 && (rain.GetDrop(k).groundY >= 0) != ground) ++k;
    return k;
}

TEST_F(EfcTest, RainFallsSplashesAndDies) {
    auto* rain = BuiltIn<QmEfcRain>(kEfcRainId);
    auto ground = FlatField(24, 24, 1), small = FlatField(1, 1, 1);
    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);
    EfcUpdate();  // no context: nothing spawns
    EXPECT_EQ(rain->GetDrop(0).alive, 0);
    EfcSetContext(ground.get(), nullptr);
    EfcUpdate();
    EXPECT_EQ(rain->GetDrop(19).alive - rain->GetDrop(20).alive, 1);
    const int32_t k = FirstDrop(*rain, true);
    ASSERT_LT(k, 20);
    const RainDrop& drop = rain->GetDrop(k);
    EXPECT_EQ(drop.groundY, kFieldLevelHeight + kFieldTopLift + 1);
    for (int n = 1; n <= (kRainTop - drop.groundY) / kRainFall + 1; ++n, EfcUpdate()) EXPECT_FALSE(drop.splashing);
    EXPECT_TRUE(drop.splashing);
    EXPECT_EQ(rain->GetLine(k)[0].y, 0);  // the line is gone
    for (int f = 0; f + 1 < drop.splashFrames; ++f) {  // fades as 255 - (f/F)^2 x 255, grows 0.8 a step
        EfcUpdate();
        const double t = double(f) / drop.splashFrames;
        EXPECT_NEAR(rain->GetSplash(k)[0].a, 255 - t * t * 255, 1.0) << f;
        EXPECT_EQ(rain->GetSplash(k)[3].x - drop.groundX, int((f + 1) * 0.8f)) << f;
    }
    EfcUpdate();
    EXPECT_EQ(rain->GetSplash(k)[0].a, 0);

    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);  // over one cell most drops find no ground
    EfcSetContext(small.get(), nullptr);
    EfcUpdate();
    const int32_t dry = FirstDrop(*rain, false);
    ASSERT_LT(dry, 20);
    for (int step = 1; step <= 39; ++step, EfcUpdate()) EXPECT_EQ(rain->GetLine(dry)[0].y, 500 - 20 * (step - 1));
    EXPECT_EQ(rain->GetLine(dry)[0].y, kRainTop);  // died on the 39th step and was spawned again
}

TEST_F(EfcTest, RainSpawnCountIsHeldToTheTable) {
    auto* rain = BuiltIn<QmEfcRain>(kEfcRainId);
    const float values[] = {100, 2.9f, -3, NAN, 1e10f, -INFINITY, 6400.5f};
    const int32_t counts[] = {100, 2, 0, 0, kRainDrops, 0, 6400};
    for (int i = 0; i < 7; ++i) {
        EfcSetEffectParameter(-1026, 0, values[i]);
        EXPECT_EQ(rain->GetSpawnCount(), counts[i]) << values[i];
    }
    auto field = FlatField(2, 2, 1);
    EfcSetContext(field.get(), nullptr);
    EfcSetEffectParameter(-1026, 0, 100);
    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);
    EfcUpdate();
    EfcUpdate();
    EXPECT_EQ(rain->GetDrop(199).alive - rain->GetDrop(200).alive, 1);
    EfcStopEffect(-1026);
    EfcUpdate();
    EXPECT_EQ(rain->GetLine(150)[0].y, kRainTop);  // stopped: nothing moves
}

}  // namespace
