// QmUnitInterface: the battle scripts' units. The instance owns its unit
// through a UnitHolder, so that unit layers showing it keep it alive; when
// the instance goes, the unit leaves its battle and its cell at once.
#include <cstdlib>
#include <new>
#include <type_traits>

#include "core/allocator.h"
#include "fs/fs_slots.h"
#include "game/battle_classes.h"
#include "game/field.h"
#include "game/unit.h"
#include "game/battle.h"
#include "gfx/quad.h"
#include "platform/debug_log.h"
#include "script/layer_interface.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

constexpr int32_t kId = static_cast<int32_t>(ScriptClassId::kQmUnitInterface);
constexpr int32_t kMaxRouteCells = 100;

QmUnit* Self(HSQUIRRELVM v, const char* method) {
    auto* holder = static_cast<UnitHolder*>(BattleClassSelf(v, kId, method));
    return holder != nullptr ? holder->unit : nullptr;
}

int32_t Arg(HSQUIRRELVM v, SQInteger index, const char* method) { return ScriptArgInt32(v, index, method); }

// Getter rows: read(unit) pushed as an integer, bool or float; `none` without a unit.
template <typename Result, typename Read>
SQInteger Get(HSQUIRRELVM v, const char* method, Result none, Read read) {
    QmUnit* unit = Self(v, method);
    const Result value = unit != nullptr ? read(unit) : none;
    if constexpr (std::is_same_v<Result, bool>) {
        sq_pushbool(v, value ? SQTrue : SQFalse);
    } else if constexpr (std::is_floating_point_v<Result>) {
        sq_pushfloat(v, value);
    } else {
        sq_pushinteger(v, value);
    }
    return 1;
}

template <typename Apply>
SQInteger Set(HSQUIRRELVM v, const char* method, Apply apply) {
    if (QmUnit* unit = Self(v, method)) apply(unit);
    return 0;
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "QmUnitInterface")) return SQ_ERROR;
    const char* method = "QmUnitInterface.constructor";
    const int32_t side = Arg(v, 1, method), type = Arg(v, 2, method);
    Allocator* allocator = GetScriptObjectAllocator();
    void* unitMemory = Alloc(allocator, sizeof(QmUnit), alignof(QmUnit));
    void* holderMemory = unitMemory != nullptr ? Alloc(allocator, sizeof(UnitHolder), alignof(UnitHolder)) : nullptr;
    if (holderMemory == nullptr) {
        Allocator::Free(unitMemory);
        return sq_throwerror(v, "QmUnitInterface: out of memory");
    }
    auto* unit = new (unitMemory) QmUnit();
    auto* holder = new (holderMemory) UnitHolder{unit, {}, 1};
    sq_getstackobj(v, 1, &holder->instance);  // weak: the instance owns the holder
    unit->owner = holder;
    unit->Init(side, type, GetFsMgrSlot(kSlotPack));
    sq_setinstanceup(v, 1, holder);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger) -> SQInteger {
        auto* dying = static_cast<UnitHolder*>(pointer);
        if (dying == nullptr) return 0;
        QmUnit* unit = dying->unit;
        // Gone from the scripts: out of the battle and off its cell now,
        // even while a layer still shows it.
        if (unit->battle != nullptr) unit->battle->RemoveUnit(unit);
        unit->LeaveCell();
        unit->field = nullptr;
        unit->battle = nullptr;
        sq_resetobject(&dying->instance);
        ReleaseUnit(unit);
        return 1;
    });
    return 0;
}

SQInteger Update(HSQUIRRELVM v) {
    return Set(v, "QmUnitInterface.Update", [](QmUnit* u) { u->Step(); });
}
SQInteger SetDir(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.SetDir";
    return Set(v, m, [&](QmUnit* u) { u->dir = Arg(v, 1, m); });
}
int32_t DirectionFromUnit(const QmUnit* u, int32_t x, int32_t z) {
    return QmField::DirectionTo(static_cast<int32_t>(u->gridX), static_cast<int32_t>(u->gridZ), x, z);
}
SQInteger SetDirPos(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.SetDirPos";
    return Set(v, m, [&](QmUnit* u) { u->dir = DirectionFromUnit(u, Arg(v, 1, m), Arg(v, 2, m)); });
}
SQInteger GetDir(HSQUIRRELVM v) {
    return Get(v, "QmUnitInterface.GetDir", int32_t{0}, [](QmUnit* u) { return u->dir; });
}
SQInteger GetDirPos(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.GetDirPos";
    return Get(v, m, int32_t{0}, [&](QmUnit* u) { return DirectionFromUnit(u, Arg(v, 1, m), Arg(v, 2, m)); });
}
SQInteger SetPos(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.SetPos";
    return Set(v, m, [&](QmUnit* u) { u->SetPos(Arg(v, 1, m), Arg(v, 2, m)); });
}
SQInteger GetPosX(HSQUIRRELVM v) {
    return Get(v, "QmUnitInterface.GetPosX", int32_t{0}, [](QmUnit* u) { return u->cellX; });
}
SQInteger GetPosZ(HSQUIRRELVM v) {
    return Get(v, "QmUnitInterface.GetPosZ", int32_t{0}, [](QmUnit* u) { return u->cellZ; });
}
SQInteger GetPosY(HSQUIRRELVM v) {
    return Get(v, "QmUnitInterface.GetPosY", int32_t{0}, [](QmUnit* u) { return TruncateToInt32(u->gridHeight); });
}
SQInteger GetScreenX(HSQUIRRELVM v) {
    return Get(v, "QmUnitInterface.GetScreenX", int32_t{0}, [](QmUnit* u) { return TruncateToInt32(u->screenX); });
}
SQInteger GetScreenY(HSQUIRRELVM v) {
    return Get(v, "QmUnitInterface.GetScreenY", int32_t{0}, [](QmUnit* u) { return TruncateToInt32(u->screenY); });
}

SQInteger GetRoute(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.GetRoute";
    QmUnit* u = Self(v, m);
    int32_t cells[kMaxRouteCells * 3];
    const bool onField = u != nullptr && u->field != nullptr;
    const int32_t count = onField ? u->field->GetRoute(Arg(v, 1, m), Arg(v, 2, m), cells, kMaxRouteCells) : -1;
    if (count < 0) {
        sq_pushnull(v);
        return 1;
    }
    // Target first, origin last in `cells`: the steps from the first after the origin to the target.
    const int32_t steps = count > 0 ? count - 1 : 0;
    sq_newarray(v, steps);
    for (int32_t i = 0; i < steps; ++i) {
        const int32_t* cell = cells + 3 * (count - 2 - i);
        sq_pushinteger(v, i);
        sq_pushinteger(v, cell[2] * 100 + cell[0]);
        sq_set(v, -3);
    }
    return 1;
}

SQInteger Move(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.Move";
    return Set(v, m, [&](QmUnit* u) {
        u->gridX = ScriptArgFloat(v, 1, m);
        const float y = ScriptArgFloat(v, 2, m);
        if (y >= 0) u->gridHeight = y;
        u->gridZ = ScriptArgFloat(v, 3, m);
    });
}
SQInteger SetAnim(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.SetAnim";
    return Set(v, m, [&](QmUnit* u) { u->SetAnim(Arg(v, 1, m), Arg(v, 2, m), ScriptArgBool(v, 3, m)); });
}
SQInteger GetAnim(HSQUIRRELVM v) {
    return Get(v, "QmUnitInterface.GetAnim", int32_t{0}, [](QmUnit* u) { return u->GetAnim(); });
}
SQInteger EndOfAnim(HSQUIRRELVM v) {
    return Get(v, "QmUnitInterface.EndOfAnim", false, [](QmUnit* u) { return u->ended != 0; });
}
SQInteger FieldGetHeight(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.FieldGetHeight";
    return Get(v, m, -1.0f, [&](QmUnit* u) {
        return u->field != nullptr ? u->field->GetSurfaceHeight(ScriptArgFloat(v, 1, m), ScriptArgFloat(v, 2, m))
                                   : -1.0f;
    });
}
SQInteger FieldCheckRamp(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.FieldCheckRamp";
    return Get(v, m, false, [&](QmUnit* u) {
        return u->field != nullptr &&
               u->field->CheckRamp(Arg(v, 1, m), Arg(v, 2, m), Arg(v, 3, m), Arg(v, 4, m)) != 0;
    });
}
SQInteger GetDistUnit(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.GetDistUnit";
    QmUnit* other = ScriptArgUnit(v, 1, m);
    return Get(v, m, int32_t{0}, [&](QmUnit* u) {
        if (other == nullptr) return int32_t{0};
        return std::abs(TruncateToInt32(other->gridX - u->gridX)) + std::abs(TruncateToInt32(other->gridZ - u->gridZ));
    });
}
SQInteger SetColor(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.SetColor";
    return Set(v, m, [&](QmUnit* u) { u->colour = static_cast<uint32_t>(ScriptArgInteger(v, 1, m)); });
}
SQInteger SetAlpha(HSQUIRRELVM v) {
    const char* m = "QmUnitInterface.SetAlpha";
    return Set(v, m, [&](QmUnit* u) {
        u->colour = (u->colour & 0x00FFFFFFu) | ClampAlphaByte(ScriptArgFloat(v, 1, m) * 255.0f) << 24;
    });
}

const ScriptMethodRow kRows[] = {
    {"constructor", Constructor, 3, nullptr, false},
    {"Update", Update, 1, nullptr, false},
    {"SetDir", SetDir, 2, nullptr, false},
    {"SetDirPos", SetDirPos, 3, nullptr, false},
    {"GetDir", GetDir, 1, nullptr, false},
    {"GetDirPos", GetDirPos, 3, nullptr, false},
    {"SetPos", SetPos, 3, nullptr, false},
    {"GetPosX", GetPosX, 1, nullptr, false},
    {"GetPosZ", GetPosZ, 1, nullptr, false},
    {"GetPosY", GetPosY, 1, nullptr, false},
    {"GetScreenX", GetScreenX, 1, nullptr, false},
    {"GetScreenY", GetScreenY, 1, nullptr, false},
    {"GetRoute", GetRoute, 3, nullptr, false},
    {"Move", Move, 4, nullptr, false},
    {"SetAnim", SetAnim, 4, nullptr, false},
    {"GetAnim", GetAnim, 1, nullptr, false},
    {"EndOfAnim", EndOfAnim, 1, nullptr, false},
    {"FieldGetHeight", FieldGetHeight, 3, nullptr, false},
    {"FieldCheckRamp", FieldCheckRamp, 5, nullptr, false},
    {"GetDistUnit", GetDistUnit, 2, nullptr, false},
    {"SetColor", SetColor, 2, nullptr, false},
    {"SetAlpha", SetAlpha, 2, nullptr, false},
};
static_assert(sizeof kRows / sizeof kRows[0] == 22, "the unit class has 22 rows");

}  // namespace

void RegisterQmUnitInterface() {
    RegisterTaggedScriptClass("QmUnitInterface", kRows, sizeof kRows / sizeof kRows[0],
                              ScriptClassId::kQmUnitInterface);
}
