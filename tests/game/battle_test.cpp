// The battle camera, unit sheets and quads, the script classes on a small map and the unit layer's pixels.
// The map: 5 x 4, height 1 but (2, 1) of height 3; (4, 3) blocked:
//      x: 0 1 2 3 4
//   z 0:  a . . b .
//   z 1:  . . 3 . .
//   z 2:  . . . . .
//   z 3:  . . . . X
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>

#include "core/random.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "game/battle.h"
#include "game/battle_camera.h"
#include "game/battle_classes.h"
#include "game/unit.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/std2d.h"
#include "sample/tools/field_writers.h"
#include "script/layer_interface.h"
#include "script/script_host.h"
#include "tests/core/counting_allocator.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/script/script_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

void Steps(QmBattleCamera* c, int frames) {
    for (int i = 0; i < frames; ++i) c->Step();
}

TEST(BattleCamera, RotationLevelsTweensAndZoom) {
    const struct { float yaw, pitch; int pitchLevel, frames, yawStep, pitchStep; float wantYaw, wantPitch; int levels; } cases[] = {
        {45, -35, 2, 30, 90, 0, 135, -35, 12}, {135, -35, 2, 30, 90, 0, -135, -35, 22},  // 225 wrapped
        {45, -25, 0, 10, 0, 5, 45, -25, 0},     // no pitch step above level 0
        {45, -45, 4, 10, 0, -5, 45, -45, 4},    // nor below level 4
        {45, -35, 2, 10, 0, -5, 45, -40, 3}, {45, -35, 2, 0, -90, 5, -45, -30, 31},  // at once
        {170, -35, 2, 0, 900, 0, 1070, -35, 32},  // at once: the yaw is left unwrapped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.yaw) + " + " + std::to_string(c.yawStep));
        QmBattleCamera cam;
        cam.yaw = c.yaw, cam.pitch = c.pitch, cam.pitchLevel = c.pitchLevel;
        cam.Rotate(c.frames, c.frames == 30 ? 0.0f : 2.0f, c.yawStep, c.pitchStep);  // power 0 ends exactly too
        EXPECT_EQ(cam.yawLevel * 10 + cam.pitchLevel, c.levels);
        EXPECT_EQ(cam.IsMoving(), c.frames > 0);
        Steps(&cam, c.frames);
        EXPECT_EQ(std::make_pair(cam.yaw, cam.pitch), std::make_pair(c.wantYaw, c.wantPitch));  // exact on the last frame
        EXPECT_FALSE(cam.IsMoving());
    }
    QmBattleCamera cam;
    cam.Rotate(30, 2.0f, 90, 0);
    Steps(&cam, 10);
    EXPECT_NEAR(cam.yaw, 45.0f + 90.0f * (1.0f - (2.0f / 3) * (2.0f / 3)), 1e-4);
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
    const float a[3] = {410, 0, 0}, b[3] = {0, 0, 300}, c[3] = {-50, 10, 0}, offset[2] = {0.25f, -0.5f};
    cam.MoveTo(10, 2.0f, a);
    EXPECT_EQ(cam.move.frames, 30u);  // 10 + trunc(410 / 20)
    EXPECT_FALSE(cam.IsMoving());     // moves do not count
    Steps(&cam, 30);
    EXPECT_EQ(cam.view.target[0], 410.0f);
    cam.MoveTo(5, 2.0f, b);
    Steps(&cam, 40);
    cam.MoveBefore(5, 2.0f);
    Steps(&cam, 60);
    EXPECT_EQ(std::make_pair(cam.view.target[0], cam.view.target[2]), std::make_pair(410.0f, 0.0f));
    cam.MoveTo(0, 2.0f, c);  // a jump moves at once, and leaves the stored destination (a) as it was
    EXPECT_TRUE(cam.move.frames == 0u && cam.view.target[1] == 10.0f);
    cam.MoveBefore(1, 2.0f);
    Steps(&cam, 100);
    EXPECT_EQ(cam.view.target[0], 410.0f);
    cam.MoveCenter(4, 2.0f, offset);
    Steps(&cam, 4);
    EXPECT_EQ(std::make_pair(cam.offset[0], cam.offset[1]), std::make_pair(0.25f, -0.5f));
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

TEST(UnitSheets, NamesAndAnimationSteps) {
    const struct { int side, type; const char* name; } cases[] = {
        {3, 12, "img/dot/S_2_3.png"}, {0, 0, "img/dot/R_0_0.png"}, {1, 29, "img/dot/U_9_1.png"},
        {7, 30, "img/dot/M_1_1.png"}, {0, 31, "img/dot/N_1_1.png"}, {2, 32, "img/dot/O_1_1.png"},
        {5, 33, "img/dot/L_0_1.png"}, {1, 34, ""}, {1, -1, ""}, {-2, 5, "img/dot/R_5_-2.png"},
    };
    for (const auto& c : cases) {
        char name[64] = "";
        EXPECT_EQ(UnitSpriteCache::SheetName(c.side, c.type, name, sizeof name), *c.name != 0) << c.type;
        EXPECT_STREQ(name, c.name);
    }
    RandomSeed(nullptr, 5);
    QmUnit unit;
    unit.SetAnim(4, 0, false);  // 5 frames of 8 ticks, not looping
    int steps = 0;
    while (unit.ended == 0 && steps < 100) unit.Step(), ++steps;
    EXPECT_EQ(steps * 10 + unit.frame, 404);
    unit.SetAnim(4, 3, true);
    for (int i = 0; i < 100; ++i) unit.Step();
    EXPECT_TRUE(unit.ended == 0 && unit.frame == (100 / 3) % 5);
    for (int bad : {15, -1, 1000}) unit.SetAnim(bad, 0, false);
    EXPECT_EQ(unit.GetAnim(), 4);
    unit.SetAnim(2, 0, false);  // idle: loops from the table, timing re-randomised
    EXPECT_TRUE(unit.loop == 1 && unit.frame < 4 && unit.tick < 12);
    unit.ticksPerFrame = kUnitFrozenTicks;
    const int frame = unit.frame;
    for (int i = 0; i < 50; ++i) unit.Step();
    EXPECT_EQ(unit.frame, frame);
    for (int i = 0; i < 2000; ++i) {  // the blink counter always comes back below 12
        unit.Step();
        ASSERT_TRUE(unit.blink < 12 && unit.blink >= -180) << unit.blink;
    }
}

TEST(UnitQuads, TexelRectanglesInEveryViewAndTheViewFromYaw) {
    QmUnit unit;
    unit.blink = 4;  // blink / 3 = 1: half-closed tile
    // (u, v) of top-left, bottom-left, top-right, bottom-right, and the count.
    const struct { int anim, frame, view; int uv[8]; int count; } cases[] = {
        {2, 1, 0, {5124, 4, 5124, 1532, 6140, 4, 6140, 1532}, 12},  // row 2, x = 256 + 64
        {2, 1, 3, {6140, 4, 6140, 1532, 5124, 4, 5124, 1532}, 12},  // mirrored
        {2, 1, 1, {6140, 1540, 6140, 3068, 5124, 1540, 5124, 3068}, 6},  // odd row mirrored, no overlay
        {2, 1, 2, {5124, 1540, 5124, 3068, 6140, 1540, 6140, 3068}, 6},
        {6, 0, 0, {1028, 6148, 2556, 6148, 1028, 7164, 2556, 7164}, 6},  // transposed row 6
        {6, 0, 3, {1028, 7164, 2556, 7164, 1028, 6148, 2556, 6148}, 6},
    };
    UnitVertex v[8];
    for (const auto& c : cases) {
        unit.anim = c.anim, unit.frame = c.frame;
        ASSERT_EQ(unit.BuildQuads(v, c.view), c.count);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i].u * 10000 + v[i].v, c.uv[2 * i] * 10000 + c.uv[2 * i + 1]) << c.anim << c.view << i;
        EXPECT_EQ(v[0].x * 1000 + v[0].y, -kUnitAnimTable[c.anim].w / 2 * 1000 + kUnitAnimTable[c.anim].h / 2);
    }
    // The overlay of anim 2 frame 1: lift -1, tile row 6 + 1, 32 texels square.
    unit.anim = 2, unit.frame = 1;
    unit.BuildQuads(v, 0);
    EXPECT_EQ(v[4].y * 100 + v[5].y, 31 * 100 - 1);
    EXPECT_EQ(v[4].u, 480 * 16 + 4);
    for (const auto& [blink, row] : {std::pair{4, 7}, {-5, 6}, {2, 6}, {3, 7}, {6, 8}, {9, 7}, {11, 7}, {12, 6}}) {
        unit.blink = blink;
        unit.BuildQuads(v, 0);
        EXPECT_EQ(v[4].v, row * 32 * 16 + 4) << "blink " << blink;
    }
    const struct { int dir; float yaw; int view; } views[] = {
        {0, 135, 3}, {0, 45, 0}, {1, 45, 1}, {0, -135, 2}, {0, -10, 1}, {2, 1070, 3}, {0, -400, 1}, {3, -7200, 3}, {-5, 0, 3}};
    for (const auto& c : views) EXPECT_EQ(UnitViewDirection(c.dir, c.yaw), c.view) << c.dir << " at " << c.yaw;
}

constexpr uint32_t BlockColour(int i, int j) { return ColorWord(static_cast<uint8_t>(i * 40), static_cast<uint8_t>(j * 40), 200); }

// Attack frame 0 (96 x 96 at (0, 192)) in 6 x 6 blocks of 16 texels; type 4 draws it 16 pixels further right.
std::string SheetPng() {
    PngLayout png;
    png.width = png.height = 512, png.colourType = 6, png.rows.assign(512 * 512 * 4, 0);
    for (int y = 192; y < 288; ++y) {
        for (int x = 0; x < 96 * 4; ++x) png.rows[y * 512 * 4 + x] = BlockColour(x / 64, (y - 192) / 16) >> (8 * (x % 4)) & 0xFF;
    }
    return WritePng(png);
}

class BattleScriptTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        std::vector<MapCell> cells(20);
        cells[1 * 5 + 2].height = 3;
        cells[3 * 5 + 4].blocked = 1;
        ASSERT_TRUE(dir_.Write("field/01-01.txt", WriteMapText({}, 5, 4, cells)));
        ASSERT_TRUE(dir_.Write("img/dot/R_4_0.png", SheetPng()));
        fs_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
        SetFsMgrSlot(kSlotPack, fs_);
        SetCurrentFsMgr(fs_);
        SetScriptVMAllocator(&vmAllocator_);
        SetScriptObjectAllocator(&objects_);
        v_ = CreateScriptVM();
        ASSERT_NE(v_, nullptr);
        RegisterLayerInterface();
        RegisterBattleClasses();
        ASSERT_TRUE(RunSource(v_, kHelpers).ok);
    }
    void TearDown() override {
        CloseScriptVM();
        EXPECT_TRUE(objects_.live.empty()) << objects_.live.size() << " script objects were not freed";
        EXPECT_EQ(UnitSpriteCache::CountInUse(), 0);
        FreeGlobalLayerList();
        SetScriptObjectAllocator(nullptr);
        SetScriptVMAllocator(nullptr);
        SetCurrentFsMgr(nullptr);
        SetFsMgrSlot(kSlotPack, nullptr);
        FsMgr::Release(fs_);
        GfxTest::TearDown();
    }
    void Run(const std::string& source) {
        const EvalResult result = RunSource(v_, source);
        EXPECT_TRUE(result.ok) << result.text;
    }
    QmBattle* Battle() {
        sq_pushroottable(v_);
        sq_pushstring(v_, "battle", -1);
        SQUserPointer battle = nullptr;
        if (SQ_SUCCEEDED(sq_get(v_, -2))) sq_getinstanceup(v_, -1, &battle, nullptr), sq_pop(v_, 1);
        sq_pop(v_, 1);
        return static_cast<QmBattle*>(battle);
    }

    static constexpr const char* kHelpers = R"(
        function check(what, got, want) {
            if (got != want) throw what + ": got " + got + ", want " + want;
        }
        function list(a) { if (a == null) return "null"; local s = ""; foreach (x in a) s += x + " "; return s; }
    )";
    TempDir dir_;
    FsMgr* fs_ = nullptr;
    TrackingAllocator vmAllocator_;
    CountingAllocator objects_;
    HSQUIRRELVM v_ = nullptr;
};

TEST_F(BattleScriptTest, RowsGiveTheHandDerivedValues) {
    Run(R"(
        battle <- QmBattleInterface(1, 1);
        a <- QmUnitInterface(0, 1); b <- QmUnitInterface(1, 2); c <- QmUnitInterface(0, 3);
        foreach (u in [a, b, c]) battle.AddUnit(u);
        a.SetPos(0, 0); b.SetPos(3, 0); c.SetPos(2, 1);
        check("size", battle.FieldGetSizeX() * 10 + battle.FieldGetSizeZ(), 54);
        check("pos", [battle.FieldCheckPos(4, 3), battle.FieldCheckPos(5, 0), battle.FieldCheckPos(0, 4),
                      battle.FieldCheckPos(-1, 0)].map(@(x) x ? 1 : 0).reduce(@(p, x) p * 2 + x), 8);
        check("entry", battle.FieldCheckEntryPos(4, 3) || !battle.FieldCheckEntryPos(0, 0), false);
        check("unit on cell", battle.FieldGetUnit(0, 0) == a && battle.FieldGetUnit(1, 1) == null, true);
        check("heights", a.GetPosY() * 10 + c.GetPosY(), 13);
        b.SetPos(0, 0); b.SetPos(7, 0);  // taken, then off the grid (logged): b stays
        check("occupied", b.GetPosX(), 3);
        check("dirs", [a.GetDirPos(3, 0), a.GetDirPos(0, -3), a.GetDirPos(-3, 0), a.GetDirPos(0, 3),
                       battle.FieldGetDirPos(0, 0, -2, 0)].reduce(@(p, x) p * 10 + x), 1232);
        check("distance", c.GetDistUnit(a), 3);

        battle.FieldFindRange(a, 0, 3, 1, 0, 2);
        check("range set", battle.FieldRangeEnable(), true);
        check("in range", [[1, 2], [0, 3], [2, 0]].map(@(p) battle.FieldCheckRange(p[0], p[1])).find(false), null);
        check("out of range", [[2, 1], [3, 0], [2, 2], [4, 0]].map(@(p) battle.FieldCheckRange(p[0], p[1])).find(true), null);
        check("cost", battle.FieldGetRouteCost(1, 2), 3);
        check("route", list(battle.FieldGetRoute(2, 0)), "0 1 2 ");
        check("no route", battle.FieldGetRoute(2, 2), null);
        check("unit route", list(a.GetRoute(2, 0)), "1 2 ");
        check("own cell", list(a.GetRoute(0, 0)), "");
        check("unit no route", a.GetRoute(4, 3), null);
        check("range list", list(battle.FieldGetRange()), "0 1 2 100 101 200 201 300 ");
        check("range units", battle.FieldGetRangeUnit()[0] == a && battle.FieldGetRangeUnit().len() == 1, true);

        battle.FieldFindRangeArea(0, 0, 0, [5050, 5050, 5050, 5050, 5151], 9, 0, 1);  // a fifth offset left behind
        local marks = @(f) (battle.FieldResetRange(), battle.FieldFindRangeArea(1, 1, f, [5050, 5051, 5150, 5450], 2, 0, 1),  // 5450: just off the map
            battle.FieldGetRange().reduce(@(p, x) p + " " + x));
        check("facing 1, 3, 0, 2", [1, 3, 0, 2].map(marks).reduce(@(p, x) p + " | " + x),
              "101 102 201 | 1 100 101 | 100 101 201 | 1 101 102");
        check("reset", (battle.FieldResetRange(), battle.FieldRangeEnable()), false);

        check("no cursor", battle.GetCursorUnit(), null);
        battle.SetCursorPos(3, 99, 0);
        check("cursor", [battle.GetCursorPosX(), battle.GetCursorPosY(), battle.GetCursorPosZ()].reduce(@(p, x) p * 10 + x), 310);
        check("cursor unit", battle.GetCursorUnit(), b);
        battle.SetCursorUnit(c);
        check("cursor on unit", battle.GetCursorPosX() * 10 + battle.GetCursorPosY(), 23);

        check("camera", battle.CameraGetAngleY() * 10 + battle.CameraGetAngleX(), 2);
        battle.CameraRotate(0, 2.0, 90, 0); battle.CameraRotate(10, 2.0, 0, 5);
        check("camera turned", battle.CameraGetAngleY() * 10 + battle.CameraGetAngleX(), 11);
        check("camera moving", battle.CameraIsMoving(), true);
        battle.CameraMovePos(0, 2, 1, 3); battle.CameraMoveUnit(5, a); battle.CameraMoveBefore(3);
        battle.CameraMoveCenter(4, 0.1, 0.0); battle.CameraZoom(0, 2.0, 1);
        battle.SetBrightness(0.5); battle.SetLighting(0.3, 0.8); battle.SetBgColor(10, 20, 30, 300, -5, 0);
        check("effect", battle.EfcStart(3, a, 1, 1), -1);
        check("effect end", battle.EfcIsEnd(-1), true);
        battle.SetRoutePos(2, 0); battle.SetArrowPos(1, 0, 1); battle.SetArrowDir(2);

        a.Move(3.5, -1, 4.5);
        check("moved keeps height and cell", a.GetPosY() * 10 + a.GetPosX(), 10);
        a.Move(0.5, 1, 0.5);
        a.SetAnim(4, 1, false);
        for (local i = 0; i < 5; i++) a.Update();
        check("anim ended", a.EndOfAnim(), true);
        check("anim kept", (a.SetAnim(15, 0, false), a.GetAnim()), 4);
        check("dir", (a.SetDir(2), a.GetDir()), 2);
        battle.RemoveUnit(a); battle.AddUnit(a);
        check("re-added keeps its cell", battle.FieldGetUnit(0, 0), a);
        battle.RemoveUnit(b);
        battle.CameraMoveUnit(4, c);
    )");
    QmBattle* battle = Battle();
    ASSERT_NE(battle, nullptr);
    for (int frame = 0; frame < 12; ++frame) battle->Update(128, 128), battle->Draw();
    EXPECT_EQ(battle->camera.pitchLevel, 1);
    EXPECT_EQ(battle->unitCount, 2);  // b removed; c, then a (added again)
    EXPECT_EQ(battle->units[0]->cellX, 2);
    float feet[3];
    battle->field->CellToWorld(2.5f, 3.0f, 1.5f, feet);
    EXPECT_EQ(std::make_pair(battle->camera.move.to[0], battle->camera.move.to[1]), std::make_pair(feet[0], feet[1] + 32.0f))
        << "the camera looks 32 units above c";
    EXPECT_EQ(std::make_pair(battle->backgroundTop, battle->backgroundBottom),
              std::make_pair(ColorWord(10, 20, 30), ColorWord(255, 0, 0)));
    for (int i = 1; i < battle->unitCount; ++i) EXPECT_LE(battle->unitsSorted[i - 1]->depth, battle->unitsSorted[i]->depth);
    Run("battle.SetCursorPos(0, 1, 3); battle.UpdateCursor();");  // the cell under the pointer takes the cursor
    float hit[3], cell[3];
    ASSERT_EQ(battle->field->PickCell(battle->camera.view.eye, battle->camera.pickDirection, hit), 1);
    battle->field->WorldToCell(hit, cell);
    EXPECT_EQ(std::vector<float>(battle->cursor, battle->cursor + 3), std::vector<float>(cell, cell + 3));
    // The figure under the pointer: c's body, then a drawn just before or behind c (the nearer covers), then bare sky.
    QmUnit* c = battle->units[0];
    QmUnit* a = battle->units[1];
    const float toEye[2] = {battle->camera.view.eye[0] - battle->camera.view.target[0],
                            battle->camera.view.eye[2] - battle->camera.view.target[2]};
    const struct { float step; int32_t x, y; const char* want; } picks[] = {
        {-9, 0, -20, "c"}, {0.2f, 0, -20, "a"}, {-0.2f, 0, -20, "c"}, {-9, -300, -300, "null"}};
    for (const auto& pick : picks) {
        a->gridX = c->gridX + pick.step * (toEye[0] > 0 ? 1 : -1), a->gridZ = c->gridZ + pick.step * (toEye[1] > 0 ? 1 : -1);
        a->gridHeight = c->gridHeight;
        battle->Update(static_cast<int32_t>(c->screenX) + pick.x, static_cast<int32_t>(c->screenY) + pick.y);
        Run(std::string("check(\"pointer unit\", battle.GetPointerUnit(), ") + pick.want + ");");
    }
    EXPECT_TRUE(NoGlError());
}

TEST_F(BattleScriptTest, MisuseAndDroppingInAnyOrderNeverCrash) {
    Run(R"(
        battle <- QmBattleInterface(1, 1);
        a <- QmUnitInterface(0, 4); loose <- QmUnitInterface(0, 4);
        battle.AddUnit(a); a.SetPos(0, 0);
        check("off grid", battle.FieldCheckPos(99, 0) || battle.FieldCheckPos(0, 99), false);
        battle.FieldFindRange(null, 0, 3, 1, 0, 2); battle.FieldFindRange(loose, 0, 3, 1, 0, 2);
        check("nothing searched", battle.FieldRangeEnable(), false);
        loose.SetPos(1, 1);
        check("loose height", loose.FieldGetHeight(1.5, 1.5), -1.0);
        local many = array(600, 5151);  // wrong and extreme arguments otherwise are the script sweep's
        for (local i = 0; i < 300; i++) battle.FieldFindRangeArea(i % 7, i % 5, i % 6, many, 9, 0, 0);
        battle.FieldFindRangeArea(1, 1, 1, ["x", null, 1.5], 1, 0, 0);
        extra <- [];
        for (local i = 0; i < 20; i++) { local u = QmUnitInterface(1, 4); battle.AddUnit(u); extra.append(u); }
        extra[19].SetPos(4, 2); extra[18].SetPos(4, 1);
        check("21st refused, 20th placed", battle.FieldGetUnit(4, 2) == null && battle.FieldGetUnit(4, 1) == extra[18], true);

        layer <- QmUnitLayer();
        layer.SetAnim(4, 0, false); layer.SetUnit(battle); layer.SetColor(0xFF000080);
        check("layer colour", layer.GetColor(), 0x800000FF);
        check("layer alpha", layer.GetAlpha(), 128 / 255.0);
        check("alpha clamped", (layer.SetAlpha(1.5), layer.GetAlpha()), 1.0);
        layer.SetUnit(a);
        a = null; collectgarbage();  // in the battle, on a cell and shown by the layer
        check("unit gone from its cell", battle.FieldGetUnit(0, 0), null);
        layer.SetAnim(4, 0, false);
        survivor <- extra[18];
        battle = null; extra = null; collectgarbage();  // dropped with units still in it
        check("no field", [survivor.GetRoute(1, 1), survivor.FieldGetHeight(1.5, 1.5)].len(), 2);
        check("no field height", survivor.FieldGetHeight(1.5, 1.5), -1.0);
        survivor.SetPos(1, 1);
        layer = null; survivor = null; loose = null;
        collectgarbage();
    )");
    EXPECT_TRUE(objects_.live.empty()) << objects_.live.size() << " objects left after everything was dropped";
}

TEST_F(BattleScriptTest, UnitLayerDrawsTheFrameNearestAtItsSizeAndLinearWhenScaled) {
    Run(R"(
        unit <- QmUnitInterface(0, 4);
        unit.SetAnim(4, 0, false);
        small <- QmUnitLayer(); small.SetUnit(unit); small.SetPos(60, 60);
    )");
    DrawGlobalLayerList();
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) {
            const uint32_t c = BlockColour(i, j);
            EXPECT_EQ(ReadPixel(30 + 16 * i + 8, 12 + 16 * j + 8), (Rgba{uint8_t(c), uint8_t(c >> 8), 200, 255}))
                << i << "," << j;
        }
    }
    const Rgba edge = ReadPixel(30 + 16 * 3, 40);  // on a block edge: one block or the other, never a blend
    EXPECT_TRUE(edge.r == 80 || edge.r == 120) << edge;
    ClearScreen(0, 0, 0);
    Run("small.SetClipRect(0, 0, 62, 256);");  // cut after block column 1
    DrawGlobalLayerList();
    EXPECT_EQ(ReadPixel(30 + 16 + 8, 40).r, 40);
    EXPECT_EQ(ReadPixel(30 + 32 + 8, 40).b, 0);
    Run("small.SetClipRect(0, 0, 0, 0);");  // all zero: no clipping
    DrawGlobalLayerList();
    EXPECT_EQ(ReadPixel(30 + 32 + 8, 40).r, 80);

    ClearScreen(0, 0, 0);
    Run("small.SetVisible(false); big <- QmUnitLayer(); big.SetUnit(unit); big.SetSize(192, 192); big.SetPos(128, 128);");
    DrawGlobalLayerList();
    EXPECT_EQ(ReadPixel(50 + 32 * 1 + 16, 32 + 32 * 2 + 16).r, 40);
    const Rgba blend = ReadPixel(50 + 32 * 3, 32 + 40);
    EXPECT_GT(blend.r, 82) << "linear filtering blends neighbouring blocks";
    EXPECT_LT(blend.r, 118);

    ClearScreen(0, 0, 0);
    Run("big.SetMirror(true);");
    DrawGlobalLayerList();
    // Mirrored, the frame moves left (x - 2 - 16) and block column 0 is on the right.
    EXPECT_EQ(ReadPixel(14 + 16, 128).r, 200);
    EXPECT_EQ(ReadPixel(14 + 192 - 16, 128).r, 0);
    Run("big = null; small = null; unit = null;");
    EXPECT_TRUE(NoGlError());
}

// An attack frame of a narrow type stands on its own cell whichever way the camera turns.
TEST_F(BattleScriptTest, UnitBillboardStandsOnItsGroundPointFacingTheCamera) {
    Texture* sheet = UnitSpriteCache::Acquire(0, 4, fs_);  // its attack frame (row 4) is blocks of blue 200
    ASSERT_NE(sheet, nullptr);
    const std::string base = std::string(QM_SAMPLE_SHADERS) + "/unit";
    const int32_t program = BuildShaderProgramFromFiles("unit", (base + ".vs").c_str(), (base + ".fs").c_str(), nullptr, nullptr);
    ASSERT_GT(program, 0);
    GetUnitAttribs().Lookup(static_cast<uint32_t>(program));
    for (float yaw : {0.0f, 135.0f, -250.0f}) {
        SCOPED_TRACE(yaw);
        ClearScreen(0, 0, 0);
        QmBattleCamera camera;
        camera.view.aspect = 1.0f;
        camera.yaw = yaw, camera.pitch = 0;
        camera.viewport[2] = camera.viewport[3] = 256;
        camera.Step();
        QmUnit unit;
        unit.texture = sheet;
        unit.anim = 4, unit.type = 1, unit.frame = 0;
        MaterialShader::Begin(program);
        MaterialShader::SetTexEnable();
        camera.Apply();
        GetUnitAttribs().Enable();
        unit.Draw(camera);
        GetUnitAttribs().Disable();
        MaterialShader::End();
        // A 96 x 96 frame 1176 units away under a 20 degree view: 59 pixels square, its feet at the centre.
        const int inside[][2] = {{128, 98}, {154, 98}, {128, 72}}, outside[][2] = {{161, 98}, {128, 66}, {128, 131}};
        for (const auto& p : inside) EXPECT_EQ(ReadPixel(p[0], p[1]).b, 200) << p[0] << "," << p[1];
        for (const auto& p : outside) EXPECT_EQ(ReadPixel(p[0], p[1]).b, 0) << p[0] << "," << p[1];
        // The figure pick: the middle half of the drawn frame, 128 +- 14.75 pixels across (window y runs up).
        for (const auto& p : {std::make_tuple(128, 98, true), {128, 72, true}, {141, 98, true}, {115, 98, true},
                              {145, 98, false}, {111, 98, false}, {128, 66, false}, {128, 131, false}})
            EXPECT_EQ(unit.CoversWindowPoint(camera, std::get<0>(p) + 0.5f, 255.5f - std::get<1>(p)), std::get<2>(p))
                << std::get<0>(p) << "," << std::get<1>(p);
    }
    RebindStd2dProgram();
    DeleteShaderProgram(program);
    UnitSpriteCache::Release(0, 4);
    EXPECT_TRUE(NoGlError());
}

}  // namespace
