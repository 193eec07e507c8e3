// QmBattleInterface: the battle scripts' handle on a battle. The instance
// owns its QmBattle; the methods query the field, steer the cursor and the
// markers, set the lighting, drive the camera and start screen effects.
// Cells are column x and row z; a cell code is z x 100 + x.
#include <algorithm>
#include <new>
#include <tuple>
#include <type_traits>

#include "core/allocator.h"
#include "core/color_util.h"
#include "game/battle.h"
#include "game/battle_classes.h"
#include "game/battle_effects.h"
#include "game/field_draw.h"
#include "platform/debug_log.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

constexpr int32_t kId = static_cast<int32_t>(ScriptClassId::kQmBattleInterface);
constexpr int32_t kMaxListedCells = 512;
constexpr int32_t kMaxRouteMarkerCells = 256;
constexpr float kCameraPower = 2.0f;
constexpr float kCameraLift = 32.0f;  // the camera looks at a point this far above the ground
constexpr float kEffectLift = 40.0f;  // effects start this far above a unit's feet
constexpr int32_t kMaxZoomLevel = 16;

BattleReleasedHook gReleasedHook = nullptr;

QmBattle* Self(HSQUIRRELVM v, const char* method) {
    return static_cast<QmBattle*>(BattleClassSelf(v, kId, method));
}

SQInteger PushInt(HSQUIRRELVM v, SQInteger value) {
    sq_pushinteger(v, value);
    return 1;
}
SQInteger PushBool(HSQUIRRELVM v, bool value) {
    sq_pushbool(v, value ? SQTrue : SQFalse);
    return 1;
}
SQInteger PushFloat(HSQUIRRELVM v, float value) {
    sq_pushfloat(v, value);
    return 1;
}
SQInteger PushNull(HSQUIRRELVM v) {
    sq_pushnull(v);
    return 1;
}

int32_t Arg(HSQUIRRELVM v, SQInteger index, const char* method) { return ScriptArgInt32(v, index, method); }
float ArgF(HSQUIRRELVM v, SQInteger index, const char* method) { return ScriptArgFloat(v, index, method); }
// Frame counts: a negative count means no tween.
uint32_t ArgFrames(HSQUIRRELVM v, SQInteger index, const char* method) {
    return static_cast<uint32_t>(std::max(0, Arg(v, index, method)));
}

// A world point from a fractional cell position, raised by `lift`.
void WorldPoint(const QmBattle* b, float x, float h, float z, float lift, float out[3]) {
    b->field->CellToWorld(x, h, z, out);
    out[1] += lift;
}

void PushCellCodes(HSQUIRRELVM v, const int32_t* triples, int32_t count, bool reversed) {
    sq_newarray(v, count);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t* cell = triples + 3 * (reversed ? count - 1 - i : i);
        sq_pushinteger(v, i);
        sq_pushinteger(v, cell[2] * 100 + cell[0]);
        sq_set(v, -3);
    }
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "QmBattleInterface")) return SQ_ERROR;
    const char* method = "QmBattleInterface.constructor";
    const int32_t area = Arg(v, 1, method), map = Arg(v, 2, method);
    void* memory = Alloc(GetScriptObjectAllocator(), sizeof(QmBattle), alignof(QmBattle));
    if (memory == nullptr) return sq_throwerror(v, "QmBattleInterface: out of memory");
    // In 64 bits: a script may pass any area; an id beyond 32 bits names no map.
    const int64_t id = int64_t{area} * 100 + map;
    auto* battle = new (memory)
        QmBattle(GetCurrentFsMgr(), id >= INT32_MIN && id <= INT32_MAX ? static_cast<int32_t>(id) : -1);
    sq_setinstanceup(v, 1, battle);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger) -> SQInteger {
        auto* dying = static_cast<QmBattle*>(pointer);
        if (dying == nullptr) return 0;
        if (gReleasedHook != nullptr) gReleasedHook(dying);
        dying->~QmBattle();
        Allocator::Free(dying);
        return 1;
    });
    return 0;
}

SQInteger GetCursorUnit(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.GetCursorUnit");
    if (b == nullptr || b->cursor[0] < 0) return PushNull(v);
    PushScriptUnit(v, b->field->GetUnit(static_cast<int32_t>(b->cursor[0]), static_cast<int32_t>(b->cursor[2])));
    return 1;
}

SQInteger GetPointerUnit(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.GetPointerUnit");
    if (b == nullptr) return PushNull(v);
    PushScriptUnit(v, b->UnitUnderPointer());
    return 1;
}

SQInteger AddUnit(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.AddUnit";
    QmBattle* b = Self(v, method);
    QmUnit* unit = ScriptArgUnit(v, 1, method);
    if (b != nullptr && unit != nullptr) b->AddUnit(unit);
    return 0;
}

SQInteger RemoveUnit(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.RemoveUnit";
    QmBattle* b = Self(v, method);
    QmUnit* unit = ScriptArgUnit(v, 1, method);
    if (b != nullptr && unit != nullptr) b->RemoveUnit(unit);
    return 0;
}

SQInteger FieldGetSizeX(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.FieldGetSizeX");
    return PushInt(v, b != nullptr ? b->field->width : 0);
}

SQInteger FieldGetSizeZ(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.FieldGetSizeZ");
    return PushInt(v, b != nullptr ? b->field->depth : 0);
}

// The cell-query rows: f(battle, x, z) with x and z the first two arguments.
template <typename Result, typename Query>
SQInteger CellQuery(HSQUIRRELVM v, const char* method, Result none, Query query) {
    QmBattle* b = Self(v, method);
    const Result value = b != nullptr ? query(b, Arg(v, 1, method), Arg(v, 2, method)) : none;
    if constexpr (std::is_same_v<Result, bool>) return PushBool(v, value);
    if constexpr (std::is_same_v<Result, float>) return PushFloat(v, value);
    if constexpr (std::is_integral_v<Result> && !std::is_same_v<Result, bool>) return PushInt(v, value);
}

SQInteger FieldCheckPos(HSQUIRRELVM v) {
    return CellQuery(v, "QmBattleInterface.FieldCheckPos", false,
                     [](QmBattle* b, int32_t x, int32_t z) { return b->field->Contains(x, z); });
}
SQInteger FieldCheckEntryPos(HSQUIRRELVM v) {
    return CellQuery(v, "QmBattleInterface.FieldCheckEntryPos", false,
                     [](QmBattle* b, int32_t x, int32_t z) { return b->field->IsWalkable(x, z) != 0; });
}
SQInteger FieldGetHeight(HSQUIRRELVM v) {
    return CellQuery(v, "QmBattleInterface.FieldGetHeight", 0.0f, [](QmBattle* b, int32_t x, int32_t z) {
        return b->field->GetHeightAt(static_cast<float>(x), static_cast<float>(z));
    });
}
SQInteger FieldGetUnit(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.FieldGetUnit";
    QmBattle* b = Self(v, method);
    if (b == nullptr) return PushNull(v);
    PushScriptUnit(v, b->field->GetUnit(Arg(v, 1, method), Arg(v, 2, method)));
    return 1;
}

SQInteger FieldFindRange(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.FieldFindRange";
    QmBattle* b = Self(v, method);
    if (b == nullptr) return 0;
    QmUnit* unit = ScriptArgUnit(v, 1, method);
    int32_t x, z;
    if (unit != nullptr) {
        if (unit->field != b->field) {
            LogWarning("%s: the unit is not on this battle's field; nothing searched", method);
            return 0;
        }
        x = unit->cellX, z = unit->cellZ;
    } else {
        x = static_cast<int32_t>(b->cursor[0]), z = static_cast<int32_t>(b->cursor[2]);
    }
    if (!b->field->Contains(x, z)) return 0;
    b->field->FindRange(unit, x, z, Arg(v, 2, method), Arg(v, 3, method), Arg(v, 4, method), Arg(v, 5, method),
                        Arg(v, 6, method));
    return 0;
}

SQInteger FieldFindRangeArea(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.FieldFindRangeArea";
    QmBattle* b = Self(v, method);
    if (b == nullptr) return 0;
    const int32_t x = Arg(v, 1, method), z = Arg(v, 2, method), facing = Arg(v, 3, method);
    static int32_t offsets[kMaxListedCells * 3];
    int32_t count = 0;
    if (sq_gettop(v) >= 5 && sq_gettype(v, 5) == OT_ARRAY) {
        const SQInteger size = std::min<SQInteger>(sq_getsize(v, 5), kMaxListedCells);
        for (SQInteger i = 0; i < size; ++i, ++count) {
            sq_pushinteger(v, i);
            SQInteger value = 0;
            if (SQ_SUCCEEDED(sq_get(v, 5))) {
                const SQObjectType type = sq_gettype(v, -1);
                if (type == OT_INTEGER || type == OT_FLOAT) sq_getinteger(v, -1, &value);
                sq_pop(v, 1);
            }
            const int32_t code = ScriptIntegerToInt32(value);
            int32_t dx = code % 100 - 50, dz = code / 100 - 50;
            switch (facing) {
                case 0: std::tie(dx, dz) = std::make_pair(-dz, dx); break;
                case 2: std::tie(dx, dz) = std::make_pair(dz, -dx); break;
                case 3: std::tie(dx, dz) = std::make_pair(-dx, -dz); break;
                default: break;
            }
            offsets[3 * count] = dx, offsets[3 * count + 1] = 0, offsets[3 * count + 2] = dz;
        }
    } else {
        LogWarning("%s: argument 4 is not an array; no offsets", method);
    }
    b->field->FindRangeArea(x, z, offsets, count, Arg(v, 5, method), Arg(v, 6, method), Arg(v, 7, method));
    return 0;
}

SQInteger FieldResetRange(HSQUIRRELVM v) {
    if (QmBattle* b = Self(v, "QmBattleInterface.FieldResetRange")) b->field->ResetRange();
    return 0;
}
SQInteger FieldRangeEnable(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.FieldRangeEnable");
    return PushBool(v, b != nullptr && b->field->IsRangeSet());
}
SQInteger FieldCheckRange(HSQUIRRELVM v) {
    return CellQuery(v, "QmBattleInterface.FieldCheckRange", false,
                     [](QmBattle* b, int32_t x, int32_t z) { return b->field->IsInRange(x, z) != 0; });
}
SQInteger FieldSetRange(HSQUIRRELVM) { return 0; }

SQInteger FieldGetRange(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.FieldGetRange");
    if (b == nullptr) return PushNull(v);
    static int32_t cells[kMaxListedCells * 3];
    PushCellCodes(v, cells, b->field->GetRangeCells(cells, kMaxListedCells), false);
    return 1;
}

SQInteger FieldGetRangeUnit(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.FieldGetRangeUnit");
    if (b == nullptr) return PushNull(v);
    static int32_t cells[kMaxListedCells * 3];
    const int32_t count = b->field->GetRangeCells(cells, kMaxListedCells);
    QmUnit* found[kMaxListedCells];
    int32_t units = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (QmUnit* unit = b->field->GetUnit(cells[3 * i], cells[3 * i + 2])) found[units++] = unit;
    }
    sq_newarray(v, units);
    for (int32_t i = 0; i < units; ++i) {
        sq_pushinteger(v, i);
        PushScriptUnit(v, found[i]);
        sq_set(v, -3);
    }
    return 1;
}

SQInteger FieldGetRoute(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.FieldGetRoute";
    QmBattle* b = Self(v, method);
    if (b == nullptr) return PushNull(v);
    static int32_t cells[kMaxListedCells * 3];
    const int32_t count = b->field->GetRoute(Arg(v, 1, method), Arg(v, 2, method), cells, kMaxListedCells);
    if (count < 0) return PushNull(v);
    PushCellCodes(v, cells, count, true);
    return 1;
}

SQInteger FieldGetRouteCost(HSQUIRRELVM v) {
    return CellQuery(v, "QmBattleInterface.FieldGetRouteCost", int32_t{-1},
                     [](QmBattle* b, int32_t x, int32_t z) { return b->field->GetRouteCost(x, z); });
}
SQInteger FieldGetDirPos(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.FieldGetDirPos";
    if (Self(v, method) == nullptr) return PushInt(v, 0);
    return PushInt(v, QmField::DirectionTo(Arg(v, 1, method), Arg(v, 2, method), Arg(v, 3, method),
                                           Arg(v, 4, method)));
}
SQInteger FieldGetChip(HSQUIRRELVM v) {
    return CellQuery(v, "QmBattleInterface.FieldGetChip", int32_t{0},
                     [](QmBattle* b, int32_t x, int32_t z) { return b->field->GetChip(x, z); });
}
SQInteger FieldFindClearDir(HSQUIRRELVM v) {
    return CellQuery(v, "QmBattleInterface.FieldFindClearDir", int32_t{0},
                     [](QmBattle* b, int32_t x, int32_t z) { return b->field->FindClearDir(x, z); });
}

SQInteger UpdateCursor(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.UpdateCursor");
    if (b == nullptr) return 0;
    float hit[3], cell[3];
    if (b->field->PickCell(b->camera.view.eye, b->camera.pickDirection, hit) == 0) return 0;
    b->field->WorldToCell(hit, cell);
    b->SetCursor(cell);
    return 0;
}

SQInteger GetCursorPosX(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.GetCursorPosX");
    return PushInt(v, b != nullptr ? static_cast<int32_t>(b->cursor[0]) : 0);
}
SQInteger GetCursorPosY(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.GetCursorPosY");
    return PushInt(v, b != nullptr ? static_cast<int32_t>(b->cursor[1]) : 0);
}
SQInteger GetCursorPosZ(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.GetCursorPosZ");
    return PushInt(v, b != nullptr ? static_cast<int32_t>(b->cursor[2]) : 0);
}

SQInteger SetCursorPos(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.SetCursorPos";
    QmBattle* b = Self(v, method);
    if (b == nullptr) return 0;
    float centre[3];
    b->CellCentre(Arg(v, 1, method), Arg(v, 3, method), centre);
    b->SetCursor(centre);
    return 0;
}

SQInteger SetCursorUnit(HSQUIRRELVM v) {
    const char* method = "QmBattleInterface.SetCursorUnit";
    QmBattle* b = Self(v, method);
    QmUnit* unit = ScriptArgUnit(v, 1, method);
    if (b == nullptr || unit == nullptr) return 0;
    const float position[3] = {unit->gridX, unit->gridHeight, unit->gridZ};
    b->SetCursor(position);
    return 0;
}

// The marker rows that take one flag or one number.
template <typename Apply>
SQInteger MarkerRow(HSQUIRRELVM v, const char* method, Apply apply) {
    if (QmBattle* b = Self(v, method)) apply(b);
    return 0;
}

SQInteger SetCursorVisible(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetCursorVisible";
    return MarkerRow(v, m, [&](QmBattle* b) { SetMarkerCursorVisible(b, ScriptArgBool(v, 1, m)); });
}
SQInteger SetArrowVisible(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetArrowVisible";
    return MarkerRow(v, m, [&](QmBattle* b) { SetMarkerArrowVisible(b, ScriptArgBool(v, 1, m)); });
}
SQInteger SetArrowPos(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetArrowPos";
    return MarkerRow(v, m, [&](QmBattle* b) {
        float centre[3];
        b->CellCentre(Arg(v, 1, m), Arg(v, 3, m), centre);
        SetMarkerArrowPos(b, centre);
    });
}
SQInteger SetArrowDir(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetArrowDir";
    return MarkerRow(v, m, [&](QmBattle* b) { SetMarkerArrowDir(b, Arg(v, 1, m)); });
}
SQInteger SetRouteVisible(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetRouteVisible";
    return MarkerRow(v, m, [&](QmBattle* b) { SetMarkerRouteVisible(b, ScriptArgBool(v, 1, m)); });
}
SQInteger SetRoutePos(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetRoutePos";
    return MarkerRow(v, m, [&](QmBattle* b) {
        int32_t cells[kMaxRouteMarkerCells * 3];
        const int32_t count = b->field->GetRoute(Arg(v, 1, m), Arg(v, 2, m), cells, kMaxRouteMarkerCells);
        SetMarkerRoute(b, cells, count);
    });
}

SQInteger SetLighting(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetLighting";
    return MarkerRow(v, m, [&](QmBattle* b) { b->ambient = ArgF(v, 1, m), b->diffuse = ArgF(v, 2, m); });
}
SQInteger SetBgColor(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetBgColor";
    return MarkerRow(v, m, [&](QmBattle* b) {
        auto component = [&](SQInteger i) { return static_cast<uint32_t>(std::clamp(Arg(v, i, m), 0, 255)); };
        b->backgroundTop = MakeColor(component(1), component(2), component(3), 255);
        b->backgroundBottom = MakeColor(component(4), component(5), component(6), 255);
    });
}
SQInteger SetBrightness(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.SetBrightness";
    return MarkerRow(v, m, [&](QmBattle* b) { b->brightness = ArgF(v, 1, m); });
}
SQInteger GetBrightness(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.GetBrightness");
    return PushFloat(v, b != nullptr ? b->brightness : 0.0f);
}

SQInteger CameraMovePos(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.CameraMovePos";
    return MarkerRow(v, m, [&](QmBattle* b) {
        float point[3];
        WorldPoint(b, Arg(v, 2, m) + 0.5f, static_cast<float>(Arg(v, 3, m)), Arg(v, 4, m) + 0.5f, kCameraLift, point);
        b->camera.MoveTo(ArgFrames(v, 1, m), kCameraPower, point);
    });
}
SQInteger CameraMoveUnit(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.CameraMoveUnit";
    QmBattle* b = Self(v, m);
    QmUnit* unit = ScriptArgUnit(v, 2, m);
    if (b == nullptr || unit == nullptr) return 0;
    float point[3];
    WorldPoint(b, unit->gridX, unit->gridHeight, unit->gridZ, kCameraLift, point);
    b->camera.MoveTo(ArgFrames(v, 1, m), kCameraPower, point);
    return 0;
}
SQInteger CameraMoveBefore(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.CameraMoveBefore";
    return MarkerRow(v, m, [&](QmBattle* b) { b->camera.MoveBefore(ArgFrames(v, 1, m), kCameraPower); });
}
SQInteger CameraMoveCenter(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.CameraMoveCenter";
    return MarkerRow(v, m, [&](QmBattle* b) {
        const float offset[2] = {ArgF(v, 2, m), ArgF(v, 3, m)};
        b->camera.MoveCenter(ArgFrames(v, 1, m), kCameraPower, offset);
    });
}
SQInteger CameraRotate(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.CameraRotate";
    return MarkerRow(v, m, [&](QmBattle* b) {
        b->camera.Rotate(ArgFrames(v, 1, m), ArgF(v, 2, m), Arg(v, 3, m), Arg(v, 4, m));
    });
}
SQInteger CameraZoom(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.CameraZoom";
    return MarkerRow(v, m, [&](QmBattle* b) {
        const int32_t level = std::clamp(Arg(v, 3, m), -kMaxZoomLevel, kMaxZoomLevel);
        b->camera.Zoom(ArgFrames(v, 1, m), ArgF(v, 2, m), level);
    });
}
SQInteger CameraGetAngleY(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.CameraGetAngleY");
    return PushInt(v, b != nullptr ? b->camera.yawLevel : 0);
}
SQInteger CameraGetAngleX(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.CameraGetAngleX");
    return PushInt(v, b != nullptr ? b->camera.pitchLevel : 0);
}
SQInteger CameraIsMoving(HSQUIRRELVM v) {
    QmBattle* b = Self(v, "QmBattleInterface.CameraIsMoving");
    return PushBool(v, b != nullptr && b->camera.IsMoving());
}

// The world point of the cell centre of (x, z).
void CellCentreWorld(const QmBattle* b, int32_t x, int32_t z, float out[3]) {
    float centre[3];
    b->CellCentre(x, z, centre);
    b->field->CellToWorld(centre[0], centre[1], centre[2], out);
}

SQInteger EfcStart(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.EfcStart";
    QmBattle* b = Self(v, m);
    if (b == nullptr) return PushInt(v, -1);
    QmUnit* unit = ScriptArgUnit(v, 2, m);
    float from[3] = {0, 0, 0}, to[3];
    if (unit != nullptr) WorldPoint(b, unit->gridX, unit->gridHeight, unit->gridZ, kEffectLift, from);
    const int32_t x = Arg(v, 3, m), z = Arg(v, 4, m);
    CellCentreWorld(b, x, z, to);
    const int32_t flag = b->field->GetUnit(x, z) != nullptr ? 1 : 0;
    return PushInt(v, BattleEffectStart(Arg(v, 1, m), from, to, flag));
}
SQInteger EfcStop(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.EfcStop";
    return MarkerRow(v, m, [&](QmBattle*) { BattleEffectStop(Arg(v, 1, m)); });
}
SQInteger EfcSetParameter(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.EfcSetParameter";
    return MarkerRow(v, m, [&](QmBattle*) { BattleEffectSetParameter(Arg(v, 1, m), Arg(v, 2, m), ArgF(v, 3, m)); });
}
SQInteger EfcMoveTo(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.EfcMoveTo";
    return MarkerRow(v, m, [&](QmBattle* b) {
        float to[3];
        CellCentreWorld(b, Arg(v, 3, m), Arg(v, 4, m), to);
        BattleEffectMoveTo(Arg(v, 1, m), Arg(v, 2, m), to);
    });
}
SQInteger EfcIsEnd(HSQUIRRELVM v) {
    const char* m = "QmBattleInterface.EfcIsEnd";
    if (Self(v, m) == nullptr) return PushBool(v, true);
    return PushBool(v, BattleEffectIsEnd(Arg(v, 1, m)));
}

// No type masks: every native checks its own arguments.
const ScriptMethodRow kRows[] = {
    {"constructor", Constructor, 3, nullptr, false},
    {"GetCursorUnit", GetCursorUnit, 1, nullptr, false},
    {"AddUnit", AddUnit, 2, nullptr, false},
    {"RemoveUnit", RemoveUnit, 2, nullptr, false},
    {"FieldGetSizeX", FieldGetSizeX, 1, nullptr, false},
    {"FieldGetSizeZ", FieldGetSizeZ, 1, nullptr, false},
    {"FieldCheckPos", FieldCheckPos, 3, nullptr, false},
    {"FieldCheckEntryPos", FieldCheckEntryPos, 3, nullptr, false},
    {"FieldGetHeight", FieldGetHeight, 3, nullptr, false},
    {"FieldGetUnit", FieldGetUnit, 3, nullptr, false},
    {"FieldFindRange", FieldFindRange, 7, nullptr, false},
    {"FieldFindRangeArea", FieldFindRangeArea, 8, nullptr, false},
    {"FieldResetRange", FieldResetRange, 1, nullptr, false},
    {"FieldRangeEnable", FieldRangeEnable, 1, nullptr, false},
    {"FieldCheckRange", FieldCheckRange, 3, nullptr, false},
    {"FieldSetRange", FieldSetRange, 1, nullptr, false},
    {"FieldGetRange", FieldGetRange, 1, nullptr, false},
    {"FieldGetRangeUnit", FieldGetRangeUnit, 1, nullptr, false},
    {"FieldGetRoute", FieldGetRoute, 3, nullptr, false},
    {"FieldGetRouteCost", FieldGetRouteCost, 3, nullptr, false},
    {"FieldGetDirPos", FieldGetDirPos, 5, nullptr, false},
    {"FieldGetChip", FieldGetChip, 3, nullptr, false},
    {"FieldFindClearDir", FieldFindClearDir, 3, nullptr, false},
    {"UpdateCursor", UpdateCursor, 1, nullptr, false},
    {"GetCursorPosX", GetCursorPosX, 1, nullptr, false},
    {"GetCursorPosY", GetCursorPosY, 1, nullptr, false},
    {"GetCursorPosZ", GetCursorPosZ, 1, nullptr, false},
    {"SetCursorPos", SetCursorPos, 4, nullptr, false},
    {"SetCursorUnit", SetCursorUnit, 2, nullptr, false},
    {"SetCursorVisible", SetCursorVisible, 2, nullptr, false},
    {"SetArrowVisible", SetArrowVisible, 2, nullptr, false},
    {"SetArrowPos", SetArrowPos, 4, nullptr, false},
    {"SetArrowDir", SetArrowDir, 2, nullptr, false},
    {"SetRouteVisible", SetRouteVisible, 2, nullptr, false},
    {"SetRoutePos", SetRoutePos, 3, nullptr, false},
    {"SetLighting", SetLighting, 3, nullptr, false},
    {"SetBgColor", SetBgColor, 7, nullptr, false},
    {"SetBrightness", SetBrightness, 2, nullptr, false},
    {"GetBrightness", GetBrightness, 1, nullptr, false},
    {"CameraMovePos", CameraMovePos, 5, nullptr, false},
    {"CameraMoveUnit", CameraMoveUnit, 3, nullptr, false},
    {"CameraMoveBefore", CameraMoveBefore, 2, nullptr, false},
    {"CameraMoveCenter", CameraMoveCenter, 4, nullptr, false},
    {"CameraRotate", CameraRotate, 5, nullptr, false},
    {"CameraZoom", CameraZoom, 4, nullptr, false},
    {"CameraGetAngleY", CameraGetAngleY, 1, nullptr, false},
    {"CameraGetAngleX", CameraGetAngleX, 1, nullptr, false},
    {"CameraIsMoving", CameraIsMoving, 1, nullptr, false},
    {"EfcStart", EfcStart, 5, nullptr, false},
    {"EfcStop", EfcStop, 2, nullptr, false},
    {"EfcSetParameter", EfcSetParameter, 4, nullptr, false},
    {"EfcMoveTo", EfcMoveTo, 5, nullptr, false},
    {"EfcIsEnd", EfcIsEnd, 2, nullptr, false},
    // Picks a unit by the figure under the pointer, where the cell under it may be another unit's.
    {"GetPointerUnit", GetPointerUnit, 1, nullptr, false},
};
static_assert(sizeof kRows / sizeof kRows[0] == 54, "the battle class has 54 rows");

}  // namespace

void SetBattleReleasedHook(BattleReleasedHook hook) { gReleasedHook = hook; }

void RegisterQmBattleInterface() {
    RegisterTaggedScriptClass("QmBattleInterface", kRows, sizeof kRows / sizeof kRows[0],
                              ScriptClassId::kQmBattleInterface);
}
