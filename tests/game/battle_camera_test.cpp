// The battle camera: tweens against the closed-form ease, the level rules,
// the move frame counts, and WorldToScreen against the pick ray (which
// catches a wrong matrix order in either).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "game/battle_camera.h"
#include "gfx/gl_state.h"

namespace {

void Steps(QmBattleCamera* c, int frames) {
    for (int i = 0; i < frames; ++i) c->Step();
}

TEST(BattleCamera, FreshCameraAndRotationLevels) {
    QmBattleCamera fresh;
    EXPECT_EQ(fresh.yaw, 45.0f);
    EXPECT_EQ(fresh.pitch, -35.0f);
    EXPECT_EQ(fresh.distance, 1200.0f);
    EXPECT_EQ(fresh.yawLevel * 10 + fresh.pitchLevel, 2);
    EXPECT_FALSE(fresh.IsMoving());

    const struct {
        float yaw, pitch;
        int pitchLevel;
        uint32_t frames;
        int yawStep, pitchStep;
        float wantYaw, wantPitch;
        int wantYawLevel, wantPitchLevel;
    } cases[] = {
        {45, -35, 2, 30, 90, 0, 135, -35, 1, 2},
        {135, -35, 2, 30, 90, 0, -135, -35, 2, 2},   // 225 wrapped
        {45, -25, 0, 10, 0, 5, 45, -25, 0, 0},       // no pitch step above level 0
        {45, -45, 4, 10, 0, -5, 45, -45, 0, 4},      // nor below level 4
        {45, -35, 2, 10, 0, -5, 45, -40, 0, 3},
        {45, -35, 2, 0, -90, 5, -45, -30, 3, 1},     // at once
        {170, -35, 2, 0, 900, 0, 1070, -35, 3, 2},   // at once: the yaw is left unwrapped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.yaw) + " + " + std::to_string(c.yawStep));
        QmBattleCamera cam;
        cam.yaw = c.yaw, cam.pitch = c.pitch, cam.pitchLevel = c.pitchLevel;
        cam.Rotate(c.frames, 2.0f, c.yawStep, c.pitchStep);
        EXPECT_EQ(cam.yawLevel, c.wantYawLevel);
        EXPECT_EQ(cam.pitchLevel, c.wantPitchLevel);
        EXPECT_EQ(cam.IsMoving(), c.frames > 0);
        Steps(&cam, static_cast<int>(c.frames));
        EXPECT_EQ(cam.yaw, c.wantYaw);  // exact on the last frame
        EXPECT_EQ(cam.pitch, c.wantPitch);
        EXPECT_FALSE(cam.IsMoving());
    }
}

TEST(BattleCamera, TweensFollowTheEaseAndIgnoreARestart) {
    QmBattleCamera cam;
    cam.Rotate(30, 2.0f, 90, 0);
    Steps(&cam, 10);
    const float t = 10.0f / 30.0f;
    EXPECT_NEAR(cam.yaw, 45.0f + 90.0f * (1.0f - (1.0f - t) * (1.0f - t)), 1e-4);
    cam.Rotate(5, 1.0f, -90, -5);  // ignored entirely
    EXPECT_EQ(cam.yawLevel * 10 + cam.pitchLevel, 12);
    Steps(&cam, 20);
    EXPECT_EQ(cam.yaw, 135.0f);

    for (int level : {1, -1}) {
        QmBattleCamera zoom;
        zoom.Zoom(8, 3.0f, level);
        zoom.Zoom(1, 1.0f, 5);  // ignored while running
        Steps(&zoom, 4);
        const float want = level > 0 ? 1500.0f : 960.0f;
        EXPECT_NEAR(zoom.distance, 1200.0f + (want - 1200.0f) * (1.0f - std::pow(0.5f, 3.0f)), 1e-2);
        Steps(&zoom, 4);
        EXPECT_EQ(zoom.distance, want);
    }
}

TEST(BattleCamera, MovesCountFramesByDistanceAndRememberTheDestinationBefore) {
    QmBattleCamera cam;
    const float a[3] = {410, 0, 0}, b[3] = {0, 0, 300}, c[3] = {-50, 10, 0};
    cam.MoveTo(10, 2.0f, a);
    EXPECT_EQ(cam.move.frames, 30u);  // 10 + trunc(410 / 20)
    EXPECT_FALSE(cam.IsMoving());     // moves do not count
    Steps(&cam, 30);
    EXPECT_EQ(cam.view.target[0], 410.0f);
    cam.MoveTo(5, 2.0f, b);
    Steps(&cam, 40);
    cam.MoveBefore(5, 2.0f);
    Steps(&cam, 60);
    EXPECT_EQ(cam.view.target[0], 410.0f);
    EXPECT_EQ(cam.view.target[2], 0.0f);
    // A jump moves at once, and leaves the stored destination (a) as it was.
    cam.MoveTo(0, 2.0f, c);
    EXPECT_EQ(cam.move.frames, 0u);
    EXPECT_EQ(cam.view.target[1], 10.0f);
    cam.MoveBefore(1, 2.0f);
    Steps(&cam, 100);
    EXPECT_EQ(cam.view.target[0], 410.0f);

    const float offset[2] = {0.25f, -0.5f};
    cam.MoveCenter(4, 2.0f, offset);
    Steps(&cam, 4);
    EXPECT_EQ(cam.offset[0], 0.25f);
    EXPECT_EQ(cam.offset[1], -0.5f);
}

TEST(BattleCamera, PickRayPassesThroughProjectedPoints) {
    SetScreenSize(1280, 720);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-700.0f, 700.0f);
    for (int round = 0; round < 200; ++round) {
        QmBattleCamera cam;
        cam.viewport[2] = 1280, cam.viewport[3] = 720;
        cam.yaw = coordinate(random) / 2, cam.pitch = -25.0f - (round % 5) * 5.0f;
        cam.offset[0] = coordinate(random) / 2000, cam.offset[1] = coordinate(random) / 2000;
        cam.Step();
        const float point[3] = {coordinate(random) / 2, coordinate(random) / 8, coordinate(random) / 2};
        float window[3];
        ASSERT_TRUE(cam.WorldToScreen(point, window));
        cam.CastPickRay(static_cast<int32_t>(std::lround(window[0])), 720 - static_cast<int32_t>(std::lround(window[1])));
        // Distance of the point from the ray eye + s * direction.
        float toPoint[3], along = 0, distance2 = 0;
        for (int i = 0; i < 3; ++i) toPoint[i] = point[i] - cam.view.eye[i], along += toPoint[i] * cam.pickDirection[i];
        for (int i = 0; i < 3; ++i) distance2 += std::pow(toPoint[i] - along * cam.pickDirection[i], 2.0f);
        // Half a pixel of rounding at 1200 units through a 20 degree view is about 1 unit.
        EXPECT_LT(std::sqrt(distance2), 2.5f) << "round " << round;
    }
    SetScreenSize(0, 0);
}

}  // namespace
