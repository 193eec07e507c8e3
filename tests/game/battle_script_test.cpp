// The battle script classes driven by Squirrel on a small known map: each
// row's result against values worked out by hand from the map, misuse that
// must not crash (wrong instances, missing arguments, cells off the grid),
// dropping battles, units and layers in any order, and the unit layer's
// pixels on Mesa.
//
// The map, 5 x 4, every cell height 1 but (2, 1) at height 3; (4, 3) blocked:
//      x: 0 1 2 3 4
//   z 0:  a . . b .
//   z 1:  . . 3 . .
//   z 2:  . . . . .
//   z 3:  . . . . X
#include <gtest/gtest.h>

#include <png.h>

#include <string>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "game/battle.h"
#include "game/battle_classes.h"
#include "sample/tools/field_writers.h"
#include "script/layer_interface.h"
#include "script/script_host.h"
#include "tests/core/counting_allocator.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/script/script_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr uint32_t BlockColour(int i, int j) { return ColorWord(static_cast<uint8_t>(i * 40), static_cast<uint8_t>(j * 40), 200); }

// Type 4 frames of animation 4 are drawn 16 pixels further right.
// A sheet whose walk-attack frame 0 (96 x 96 at (0, 192)) is 6 x 6 blocks of 16 texels.
std::string SheetPng() {
    PngLayout png;
    png.width = png.height = 512;
    png.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    png.rows.assign(512 * 512 * 4, 0);
    for (int y = 192; y < 288; ++y) {
        for (int x = 0; x < 96; ++x) {
            const uint32_t c = BlockColour(x / 16, (y - 192) / 16);
            for (int k = 0; k < 4; ++k) png.rows[(static_cast<size_t>(y) * 512 + x) * 4 + k] = c >> (8 * k) & 0xFF;
        }
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
        ASSERT_TRUE(dir_.Write("img/dot/R_0_0.png", SheetPng()));  // side 0, type 0: cache key 0
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
        a <- QmUnitInterface(0, 1);
        b <- QmUnitInterface(1, 2);
        c <- QmUnitInterface(0, 3);
        foreach (u in [a, b, c]) battle.AddUnit(u);
        a.SetPos(0, 0); b.SetPos(3, 0); c.SetPos(2, 1);
        check("size", battle.FieldGetSizeX() * 10 + battle.FieldGetSizeZ(), 54);
        check("pos", [battle.FieldCheckPos(4, 3), battle.FieldCheckPos(5, 0), battle.FieldCheckPos(0, 4),
                      battle.FieldCheckPos(-1, 0)].map(@(x) x ? 1 : 0).reduce(@(p, x) p * 2 + x), 8);
        check("entry", battle.FieldCheckEntryPos(4, 3) || !battle.FieldCheckEntryPos(0, 0), false);
        check("unit on cell", battle.FieldGetUnit(0, 0) == a && battle.FieldGetUnit(1, 1) == null, true);
        check("heights", a.GetPosY() * 10 + c.GetPosY(), 13);
        b.SetPos(0, 0);  // taken: b stays
        b.SetPos(7, 0);  // off the grid: logged, b stays
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

        local marks = @(f) (battle.FieldResetRange(), battle.FieldFindRangeArea(1, 1, f, [5050, 5051, 5150], 2, 0, 1),
            battle.FieldGetRange().reduce(@(p, x) p + " " + x));
        check("facing 1", marks(1), "101 102 201");
        check("facing 3", marks(3), "1 100 101");
        check("facing 0", marks(0), "100 101 201");
        check("facing 2", marks(2), "1 101 102");
        battle.FieldResetRange();
        check("reset", battle.FieldRangeEnable(), false);

        check("no cursor", battle.GetCursorUnit(), null);
        battle.SetCursorPos(3, 99, 0);
        check("cursor", [battle.GetCursorPosX(), battle.GetCursorPosY(), battle.GetCursorPosZ()].reduce(@(p, x) p * 10 + x), 310);
        check("cursor unit", battle.GetCursorUnit(), b);
        battle.SetCursorUnit(c);
        check("cursor on unit", battle.GetCursorPosX() * 10 + battle.GetCursorPosY(), 23);

        check("camera", battle.CameraGetAngleY() * 10 + battle.CameraGetAngleX(), 2);
        battle.CameraRotate(0, 2.0, 90, 0);
        battle.CameraRotate(10, 2.0, 0, 5);
        check("camera turned", battle.CameraGetAngleY() * 10 + battle.CameraGetAngleX(), 11);
        check("camera moving", battle.CameraIsMoving(), true);
        battle.CameraMovePos(0, 2, 1, 3); battle.CameraMoveUnit(5, a); battle.CameraMoveBefore(3);
        battle.CameraMoveCenter(4, 0.1, 0.0); battle.CameraZoom(0, 2.0, 1);
        battle.SetBrightness(0.5); battle.SetLighting(0.3, 0.8); battle.SetBgColor(10, 20, 30, 300, -5, 0);
        check("brightness", battle.GetBrightness(), 0.5);
        check("effect", battle.EfcStart(3, a, 1, 1), -1);
        check("effect end", battle.EfcIsEnd(-1), true);
        battle.SetRoutePos(2, 0); battle.SetArrowPos(1, 0, 1); battle.SetArrowDir(2);

        a.Move(3.5, -1, 4.5);
        check("moved keeps height and cell", a.GetPosY() * 10 + a.GetPosX(), 10);
        a.Move(0.5, 1, 0.5);
        a.SetAnim(4, 1, false);
        for (local i = 0; i < 5; i++) a.Update();
        check("anim ended", a.EndOfAnim(), true);
        a.SetAnim(15, 0, false);
        check("anim kept", a.GetAnim(), 4);
        a.SetDir(2);
        check("dir", a.GetDir(), 2);
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
    EXPECT_EQ(battle->camera.move.to[1], feet[1] + 32.0f);  // the camera looks 32 units above c
    EXPECT_EQ(battle->camera.move.to[0], feet[0]);
    EXPECT_EQ(battle->backgroundTop, ColorWord(10, 20, 30));
    EXPECT_EQ(battle->backgroundBottom, ColorWord(255, 0, 0));
    for (int i = 1; i < battle->unitCount; ++i) EXPECT_LE(battle->unitsSorted[i - 1]->depth, battle->unitsSorted[i]->depth);
    EXPECT_TRUE(NoGlError());
}

TEST_F(BattleScriptTest, MisuseAndDroppingInAnyOrderNeverCrash) {
    Run(R"(
        battle <- QmBattleInterface(1, 1);
        a <- QmUnitInterface(0, 4);
        loose <- QmUnitInterface(0, 4);
        battle.AddUnit(a); a.SetPos(0, 0);
        battle.AddUnit(battle); battle.AddUnit(null); battle.AddUnit(); battle.RemoveUnit(loose);
        check("wrong this", battle.FieldGetSizeX.call(a), 0);
        check("wrong unit", a.GetDistUnit(battle), 0);
        check("off grid", battle.FieldCheckPos(99, 0) || battle.FieldCheckPos(0, 99), false);
        battle.SetCursorPos(50, 0, 50);
        battle.FieldFindRange(null, 0, 3, 1, 0, 2);
        battle.FieldFindRange(loose, 0, 3, 1, 0, 2);
        check("nothing searched", battle.FieldRangeEnable(), false);
        loose.SetPos(1, 1);
        check("loose", [loose.GetRoute(1, 1), loose.FieldGetHeight(1.5, 1.5), loose.FieldCheckRamp(0, 0, 1, 0)].len(), 3);
        check("loose height", loose.FieldGetHeight(1.5, 1.5), -1.0);
        local many = array(600, 5151);
        for (local i = 0; i < 300; i++) battle.FieldFindRangeArea(i % 7, i % 5, i % 6, many, 9, 0, 0);
        battle.FieldFindRangeArea(1, 1, 1, "no", 1, 0, 0);
        battle.FieldFindRangeArea(1, 1, 1, ["x", null, 1.5], 1, 0, 0);
        battle.FieldGetHeight(); battle.FieldGetRoute(-5, 999); battle.SetRoutePos(99, 99); battle.CameraZoom(1, 2.0, 9999);
        extra <- [];
        for (local i = 0; i < 20; i++) { local u = QmUnitInterface(1, 4); battle.AddUnit(u); extra.append(u); }
        extra[19].SetPos(4, 2);
        check("21st refused", battle.FieldGetUnit(4, 2), null);
        extra[18].SetPos(4, 1);
        check("20th placed", battle.FieldGetUnit(4, 1), extra[18]);

        layer <- QmUnitLayer();
        layer.SetAnim(4, 0, false);
        layer.SetUnit(battle);
        layer.SetColor(0xFF000080);
        check("layer colour", layer.GetColor(), 0x800000FF);
        check("layer alpha", layer.GetAlpha(), 128 / 255.0);
        layer.SetAlpha(1.5);
        check("alpha clamped", layer.GetAlpha(), 1.0);
        layer.SetUnit(a);
        a = null;  // in the battle, on a cell and shown by the layer
        collectgarbage();
        check("unit gone from its cell", battle.FieldGetUnit(0, 0), null);
        layer.SetAnim(4, 0, false);
        survivor <- extra[18];
        battle = null;  // dropped with units still in it
        extra = null;
        collectgarbage();
        check("no field", [survivor.GetRoute(1, 1), survivor.FieldGetHeight(1.5, 1.5)].len(), 2);
        check("no field height", survivor.FieldGetHeight(1.5, 1.5), -1.0);
        survivor.SetPos(1, 1);
        layer = null; survivor = null; loose = null;
        collectgarbage();
    )");
    EXPECT_TRUE(objects_.live.empty()) << objects_.live.size() << " objects left after everything was dropped";
}

TEST_F(BattleScriptTest, UnitListsKeepOrderAndSheetsAreShared) {
    QmBattle battle(fs_, 101);
    QmUnit units[kBattleMaxUnits + 1];
    for (QmUnit& unit : units) EXPECT_EQ(battle.AddUnit(&unit), &unit != &units[kBattleMaxUnits]);
    EXPECT_FALSE(battle.AddUnit(&units[0]));  // already in
    for (int i = 5; i < kBattleMaxUnits; ++i) battle.RemoveUnit(&units[i]);
    battle.RemoveUnit(&units[2]);
    battle.RemoveUnit(&units[kBattleMaxUnits]);  // never added: nothing
    const QmUnit* order[] = {&units[0], &units[1], &units[3], &units[4], nullptr};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(battle.units[i], order[i]) << i;
    EXPECT_EQ(battle.unitCount, 4);

    Texture* first = UnitSpriteCache::Acquire(0, 4, fs_);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(UnitSpriteCache::Acquire(0, 4, fs_), first);
    Texture* keyZero = UnitSpriteCache::Acquire(0, 0, fs_);
    EXPECT_NE(keyZero, nullptr);
    EXPECT_NE(keyZero, first);
    EXPECT_EQ(UnitSpriteCache::Acquire(1, 4, fs_), nullptr);  // no such sheet: no entry taken
    EXPECT_EQ(UnitSpriteCache::Acquire(0, 40, fs_), nullptr);
    EXPECT_EQ(UnitSpriteCache::CountInUse(), 2);
    UnitSpriteCache::Release(0, 4);
    EXPECT_EQ(UnitSpriteCache::Acquire(0, 0, fs_), keyZero);
    UnitSpriteCache::Release(0, 0);
    UnitSpriteCache::Release(0, 0);
    EXPECT_EQ(UnitSpriteCache::CountInUse(), 1);
    UnitSpriteCache::Release(0, 4);
    EXPECT_EQ(UnitSpriteCache::CountInUse(), 0);
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

}  // namespace
