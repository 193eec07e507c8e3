// One battle frame as the scripts drive it: a unit walking a route on a
// 12 x 10 map with eight units, through AppUpdate's script function and its
// native calls, beside the same call of an empty function (the cost of the
// boundary alone), and the battle's own per-frame update. Linked with null GL
// entry points, so it times the engine and the script VM only.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "game/battle.h"
#include "game/battle_classes.h"
#include "gfx/gl_state.h"
#include "sample/tools/field_writers.h"
#include "script/script_host.h"

namespace {

// 14 native calls a frame: the walking unit's position, facing, height and
// move, the cursor, the camera's state and a look at the cell ahead.
constexpr char kScript[] = R"(
    battle <- QmBattleInterface(1, 1);
    units <- [];
    for (local i = 0; i < 8; i++) {
        local u = QmUnitInterface(i % 2, 1 + i % 2);
        battle.AddUnit(u); u.SetPos(i, i % 3 * 3); units.append(u);
    }
    walker <- units[0];
    frame <- 0;
    function Walk() {
        ++frame;
        local t = (frame % 64) / 64.0;
        local x = walker.GetPosX() + 0.5 + t, z = walker.GetPosZ() + 0.5;
        walker.SetDirPos(walker.GetPosX() + 1, walker.GetPosZ());
        walker.Move(x, walker.FieldGetHeight(x, z), z);
        battle.UpdateCursor();
        local target = battle.GetCursorUnit();
        if (!battle.CameraIsMoving() && battle.FieldCheckEntryPos(1, 0)) battle.GetCursorPosX();
        if (walker.EndOfAnim()) walker.SetAnim(0, 0, true);
        battle.FieldGetUnit(2, 0);
    }
    function Empty() {}
)";

struct BattleBench {
    std::string folder = "/tmp/qm_battle_bench";
    FsMgr* fs = nullptr;
    QmBattle* battle = nullptr;

    BattleBench() {
        std::vector<MapCell> cells(120);
        for (int i = 0; i < 120; ++i) cells[i].height = 1 + (i % 12 >= 6);
        std::string map = WriteMapText({}, 12, 10, cells);
        std::string mkdir = "mkdir -p " + folder + "/field";
        if (system(mkdir.c_str()) != 0) return;
        FILE* out = fopen((folder + "/field/01-01.txt").c_str(), "wb");
        fwrite(map.data(), 1, map.size(), out);
        fclose(out);
        fs = DirMgr(nullptr, folder.c_str(), nullptr);
        SetFsMgrSlot(kSlotPack, fs);
        SetCurrentFsMgr(fs);
        SetScreenSize(1280, 720);
        HSQUIRRELVM v = CreateScriptVM();
        RegisterBattleClasses();
        sq_compilebuffer(v, kScript, sizeof kScript - 1, "bench", SQTrue);
        sq_pushroottable(v);
        sq_call(v, 1, SQFalse, SQTrue);
        sq_pop(v, 1);
        sq_pushroottable(v);
        sq_pushstring(v, "battle", -1);
        SQUserPointer pointer = nullptr;
        if (SQ_SUCCEEDED(sq_get(v, -2))) sq_getinstanceup(v, -1, &pointer, nullptr), sq_pop(v, 1);
        sq_pop(v, 1);
        battle = static_cast<QmBattle*>(pointer);
    }
};

BattleBench& Bench() {
    static BattleBench bench;
    return bench;
}

void BM_AppUpdateWalkingUnit(benchmark::State& state) {
    Bench();
    for (auto _ : state) benchmark::DoNotOptimize(CallScriptFunction(GetScriptVM(), "Walk"));
    state.counters["native_calls"] = 14;
}
BENCHMARK(BM_AppUpdateWalkingUnit);

void BM_AppUpdateEmpty(benchmark::State& state) {
    Bench();
    for (auto _ : state) benchmark::DoNotOptimize(CallScriptFunction(GetScriptVM(), "Empty"));
}
BENCHMARK(BM_AppUpdateEmpty);

void BM_BattleUpdateEightUnits(benchmark::State& state) {
    QmBattle* battle = Bench().battle;
    if (battle == nullptr) {
        state.SkipWithError("no battle");
        return;
    }
    for (auto _ : state) battle->Update(640, 360);
}
BENCHMARK(BM_BattleUpdateEightUnits);

}  // namespace

BENCHMARK_MAIN();
