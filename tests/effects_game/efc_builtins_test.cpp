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

void ExpectNear3(const float* got, float x, float y, float z) {
    EXPECT_NEAR(got[0], x, 1e-3f);
    EXPECT_NEAR(got[1], y, 1e-3f);
    EXPECT_NEAR(got[2], z, 1e-3f);
}

TEST_F(EfcTest, ArrowsFlyOnTheirArc) {
    auto* arrows = BuiltIn<QmEfcArrow>(kEfcArrowId);
    const float target[3] = {128, 0, 0};
    for (int32_t flag : {0, 1}) {
        SCOPED_TRACE(flag);
        ASSERT_EQ(EfcStartEffect(kEfcArrowId, kOrigin, target, flag), -1024);
        const ArrowFlight& a = arrows->GetFlight(0);
        EXPECT_EQ(a.frames, 10u);
        for (int i = 0; i < 5; ++i) EfcUpdate();
        ExpectNear3(a.position, 64, flag ? 16 + std::sqrt(17408.0f) * 0.1f : 12.8f, 0);
        for (int i = 0; i < 5; ++i) EfcUpdate();
        ExpectNear3(a.position, 128, flag ? 32 : 0, 0);
        EXPECT_EQ(EfcIsEffectEnd(-1024), 0);
        EfcUpdate();
        EXPECT_EQ(a.active, 0);
        EXPECT_EQ(EfcIsEffectEnd(-1024), 1);
    }
    // Ten fly; the eleventh start changes nothing, though the handle comes back.
    for (int i = 0; i < kArrowSlots; ++i) EXPECT_EQ(arrows->Start(kOrigin, target, 0), 1);
    EXPECT_EQ(arrows->Start(kOrigin, target, 0), 0);
    EXPECT_EQ(EfcStartEffect(kEfcArrowId, kOrigin, target, 0), -1024);
    for (int i = 0; i < 11; ++i) EfcUpdate();

    // A flight shorter than one step, or to non-finite points, arrives at once.
    const float near[3] = {5, 0, 3}, wild[3] = {NAN, INFINITY, 0};
    arrows->Start(kOrigin, near, 0);
    EXPECT_EQ(arrows->GetFlight(0).frames, 0u);
    ExpectNear3(arrows->GetFlight(0).position, 5, 0, 3);
    arrows->Start(kOrigin, wild, 0);
    EXPECT_EQ(arrows->GetFlight(1).frames, 0u);
    EfcUpdate();
    EXPECT_EQ(EfcIsEffectEnd(-1024), 1);
}

TEST_F(EfcTest, ArrowTurnsAlongItsMotion) {
    const float motions[][3] = {{1, 0, 0}, {0, 0, 1}, {-1, 0, 0}, {3, 4, 0}, {0, -2, 0}};
    const float position[3] = {50, 60, 70};
    for (const auto& d : motions) {
        SCOPED_TRACE(d[0] * 100 + d[1] * 10 + d[2]);
        const float previous[3] = {position[0] - d[0], position[1] - d[1], position[2] - d[2]};
        Mat4 m;
        ASSERT_TRUE(ArrowModelMatrix(position, previous, &m));
        const float nose[3] = {1, 0, 0};
        float tip[3];
        Mat4::TransformPoint(tip, m, nose);
        const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(tip[i] - position[i], 20 * d[i] / length, 1e-3f);
    }
    Mat4 m;
    EXPECT_FALSE(ArrowModelMatrix(position, position, &m));
}

TEST_F(EfcTest, FocusLinesDrawElevenPerLineAndAlternate) {
    SetScreenSize(800, 480);
    RandomSeed(nullptr, 1234);
    RandomState expected{};
    RandomSeed(&expected, 1234);
    EfcStartEffect(kEfcFocusLinesId, kOrigin, kOrigin, 0);
    for (int i = 0; i < kFocusLineCount * 11; ++i) Random(&expected);
    EXPECT_EQ(Random(nullptr), Random(&expected));

    auto* lines = BuiltIn<QmEfcFocusLines>(kEfcFocusLinesId);
    for (int b = 0; b < 2; ++b) {
        const QuadBatch* batch = lines->GetBatch(b);
        ASSERT_EQ(batch->vertexCount, 4u * kFocusLineCount);
        // The middle of each end, within the pixel that truncation may cost.
        for (uint32_t v = 0; v < batch->vertexCount; v += 2) {
            const QuadVertex* q = &batch->vertices[v];
            const float r = std::hypot((q[0].x + q[1].x) / 2.0f - 400, (q[0].y + q[1].y) / 2.0f - 240);
            if (v % 4) EXPECT_TRUE(r >= 522 && r <= 544) << v << " " << r;
            else EXPECT_TRUE(r >= 99 && r <= 221) << v << " " << r;
        }
    }
    for (uint32_t frame = 0; frame < kFocusLineFrames; ++frame) {
        EXPECT_EQ(lines->GetShownBatch(), lines->GetBatch(frame / 5 % 2)) << frame;
        EXPECT_EQ(EfcIsEffectEnd(-1025), 0);
        EfcUpdate();
    }
    EXPECT_EQ(EfcIsEffectEnd(-1025), 1);
    SetScreenSize(kWidth, kHeight);
}

// Steps the rain until drop `k` splashes; the number of updates.
int UpdatesUntilSplash(const QmEfcRain& rain, int32_t k) {
    for (int n = 1; n < 100; ++n) {
        EfcUpdate();
        if (rain.GetDrop(k).splashing) return n;
    }
    return -1;
}

TEST_F(EfcTest, RainFallsSplashesAndDies) {
    auto* rain = BuiltIn<QmEfcRain>(kEfcRainId);
    auto ground = FlatField(24, 24, 1);  // all but the spawn square's outer 32 units
    ASSERT_NE(ground, nullptr);
    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);
    EfcUpdate();  // no context: nothing spawns
    EXPECT_EQ(rain->GetDrop(0).alive, 0);

    EfcSetContext(ground.get(), nullptr);
    EfcUpdate();
    for (int32_t k = 0; k < 21; ++k) EXPECT_EQ(rain->GetDrop(k).alive, k < 20) << k;
    int32_t k = 0;
    while (k < 20 && rain->GetDrop(k).groundY < 0) ++k;
    ASSERT_LT(k, 20);
    const int32_t groundY = rain->GetDrop(k).groundY;
    EXPECT_EQ(groundY, kFieldLevelHeight + kFieldTopLift + 1);
    EXPECT_EQ(UpdatesUntilSplash(*rain, k), (kRainTop - groundY) / kRainFall + 1);
    EXPECT_EQ(rain->GetLine(k)[0].y, 0);  // the line is gone

    // A splash fades as 255 - (f/F)^2 x 255 and grows by 0.8 per step.
    const int frames = rain->GetDrop(k).splashFrames;
    ASSERT_TRUE(frames >= 10 && frames <= 13);
    for (int f = 0; f < frames; ++f) {
        EfcUpdate();
        const RainVertex* quad = rain->GetSplash(k);
        const double t = double(f) / frames;
        if (f + 1 < frames) {
            EXPECT_NEAR(quad[0].a, 255 - t * t * 255, 1.0) << f;
            EXPECT_EQ(quad[3].x - rain->GetDrop(k).groundX, int((f + 1) * 0.8f)) << f;
        }
    }
    EXPECT_EQ(rain->GetSplash(k)[0].a, 0);  // ended after its last step, or already respawned

    // Over a field of one cell, most drops find no ground and die on their 39th step.
    auto small = FlatField(1, 1, 1);
    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);
    EfcSetContext(small.get(), nullptr);
    EfcUpdate();
    k = 0;
    while (k < 20 && rain->GetDrop(k).groundY != -1) ++k;
    ASSERT_LT(k, 20);
    for (int step = 1; step <= 39; ++step) {
        EXPECT_EQ(rain->GetLine(k)[0].y, kRainTop - kRainFall * (step - 1)) << step;
        EfcUpdate();
    }
    EXPECT_EQ(rain->GetLine(k)[0].y, kRainTop);  // died on the 39th step and was spawned again
}

TEST_F(EfcTest, RainSpawnCountIsHeldToTheTable) {
    auto* rain = BuiltIn<QmEfcRain>(kEfcRainId);
    const struct {
        float value;
        int32_t count;
    } rows[] = {{100, 100}, {2.9f, 2}, {-3, 0}, {NAN, 0}, {1e10f, kRainDrops}, {-INFINITY, 0}, {6400.5f, 6400}};
    for (const auto& row : rows) {
        EfcSetEffectParameter(-1026, 0, row.value);
        EXPECT_EQ(rain->GetSpawnCount(), row.count) << row.value;
    }
    auto field = FlatField(2, 2, 1);
    EfcSetContext(field.get(), nullptr);
    EfcSetEffectParameter(-1026, 0, 100);
    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);
    EfcUpdate();
    EfcUpdate();
    int alive = 0;
    for (int32_t k = 0; k < kRainDrops; ++k) alive += rain->GetDrop(k).alive;
    EXPECT_EQ(alive, 200);
    EfcStopEffect(-1026);
    EfcUpdate();
    EXPECT_EQ(rain->GetLine(150)[0].y, kRainTop);  // stopped: nothing moves
}

}  // namespace
