// Units without drawing: sheet names, animation stepping, the texel
// rectangles of the quads in every view, the blink overlay and the view
// picked by the camera's yaw.
#include <gtest/gtest.h>

#include <string>

#include "core/random.h"
#include "game/unit.h"

namespace {

TEST(UnitSheets, NamesBySideAndType) {
    const struct { int side, type; const char* name; } cases[] = {
        {3, 12, "img/dot/S_2_3.png"}, {0, 0, "img/dot/R_0_0.png"}, {1, 29, "img/dot/U_9_1.png"},
        {7, 30, "img/dot/M_1_1.png"}, {0, 31, "img/dot/N_1_1.png"}, {2, 32, "img/dot/O_1_1.png"},
        {5, 33, "img/dot/L_0_1.png"}, {1, 34, nullptr}, {1, -1, nullptr}, {-2, 5, "img/dot/R_5_-2.png"},
    };
    for (const auto& c : cases) {
        char name[64] = "";
        EXPECT_EQ(UnitSpriteCache::SheetName(c.side, c.type, name, sizeof name), c.name != nullptr) << c.type;
        if (c.name != nullptr) {
            EXPECT_STREQ(name, c.name);
        }
    }
}

TEST(UnitAnim, StepsHoldLoopAndRefuseUnknownAnimations) {
    RandomSeed(nullptr, 5);
    QmUnit unit;
    unit.SetAnim(4, 0, false);  // 5 frames of 8 ticks, not looping
    EXPECT_EQ(unit.ticksPerFrame, 8);
    int steps = 0;
    while (unit.ended == 0 && steps < 100) unit.Step(), ++steps;
    EXPECT_EQ(steps, 40);
    EXPECT_EQ(unit.frame, 4);
    unit.SetAnim(4, 3, true);
    EXPECT_EQ(unit.ticksPerFrame, 3);
    for (int i = 0; i < 100; ++i) unit.Step();
    EXPECT_EQ(unit.ended, 0);
    EXPECT_EQ(unit.frame, (100 / 3) % 5);
    for (int bad : {15, -1, 1000}) {
        unit.SetAnim(bad, 0, false);
        EXPECT_EQ(unit.GetAnim(), 4);
    }
    unit.SetAnim(2, 0, false);  // idle: loops from the table, timing re-randomised
    EXPECT_EQ(unit.loop, 1);
    EXPECT_LT(unit.frame, 4);
    EXPECT_LT(unit.tick, 12);
    unit.ticksPerFrame = kUnitFrozenTicks;
    const int frame = unit.frame;
    for (int i = 0; i < 50; ++i) unit.Step();
    EXPECT_EQ(unit.frame, frame);
    for (int i = 0; i < 2000; ++i) {  // the blink counter always comes back below 12
        unit.Step();
        ASSERT_LT(unit.blink, 12);
        ASSERT_GE(unit.blink, -180);
    }
}

TEST(UnitQuads, TexelRectanglesInEveryView) {
    QmUnit unit;
    unit.anim = 2, unit.frame = 1, unit.blink = 4;  // blink / 3 = 1: half-closed tile
    // view -> (u, v) of top-left, bottom-left, top-right, bottom-right, and the count.
    const struct { int anim, frame, view; int uv[8]; int count; } cases[] = {
        {2, 1, 0, {5124, 4, 5124, 1532, 6140, 4, 6140, 1532}, 12},  // row 2, x = 256 + 64
        {2, 1, 3, {6140, 4, 6140, 1532, 5124, 4, 5124, 1532}, 12},  // mirrored
        {2, 1, 1, {6140, 1540, 6140, 3068, 5124, 1540, 5124, 3068}, 6},  // odd row mirrored, no overlay
        {2, 1, 2, {5124, 1540, 5124, 3068, 6140, 1540, 6140, 3068}, 6},
        {6, 0, 0, {1028, 6148, 2556, 6148, 1028, 7164, 2556, 7164}, 6},  // transposed row 6
        {6, 0, 3, {1028, 7164, 2556, 7164, 1028, 6148, 2556, 6148}, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("anim " + std::to_string(c.anim) + " view " + std::to_string(c.view));
        unit.anim = c.anim, unit.frame = c.frame;
        UnitVertex v[8];
        ASSERT_EQ(unit.BuildQuads(v, c.view), c.count);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(v[i].u, c.uv[2 * i]) << i;
            EXPECT_EQ(v[i].v, c.uv[2 * i + 1]) << i;
        }
        EXPECT_EQ(v[0].x, -kUnitAnimTable[c.anim].w / 2);
        EXPECT_EQ(v[0].y, kUnitAnimTable[c.anim].h / 2);
    }
    // The overlay of anim 2 frame 1: lift -1, tile row 6 + 1, 32 texels square.
    unit.anim = 2, unit.frame = 1;
    UnitVertex v[8];
    unit.BuildQuads(v, 0);
    EXPECT_EQ(v[4].y, 31);
    EXPECT_EQ(v[5].y, -1);
    EXPECT_EQ(v[4].u, 480 * 16 + 4);
    EXPECT_EQ(v[4].v, 7 * 32 * 16 + 4);
    const int tiles[][2] = {{-5, 6}, {2, 6}, {3, 7}, {6, 8}, {9, 7}, {11, 7}, {12, 6}};
    for (const auto& t : tiles) {
        unit.blink = t[0];
        unit.BuildQuads(v, 0);
        EXPECT_EQ(v[4].v, t[1] * 32 * 16 + 4) << "blink " << t[0];
    }
}

TEST(UnitQuads, ViewFromYawForAnyAngle) {
    const struct { int dir; float yaw; int view; } cases[] = {
        {0, 135, 3}, {0, 45, 0}, {1, 45, 1}, {0, -135, 2}, {0, -10, 1}, {2, 1070, 3}, {0, -400, 1}, {3, -7200, 3},
        {-5, 0, 3},
    };
    for (const auto& c : cases) EXPECT_EQ(UnitViewDirection(c.dir, c.yaw), c.view) << c.dir << " at " << c.yaw;
}

}  // namespace
