// What the battle's script classes share: the checked `this`, unit
// arguments and results, and the unit's reference-counted home.
#include "game/battle_classes.h"

#include <new>

#include "core/allocator.h"
#include "game/unit.h"
#include "platform/debug_log.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

void* BattleClassSelf(HSQUIRRELVM v, int32_t id, const char* method) {
    SQUserPointer self = nullptr;
    const SQUserPointer tag = ScriptClassTag(static_cast<ScriptClassId>(id));
    if (sq_gettype(v, 1) != OT_INSTANCE || SQ_FAILED(sq_getinstanceup(v, 1, &self, tag))) {
        LogWarning("%s: called on an object of another class; nothing done", method);
        return nullptr;
    }
    return self;
}

QmUnit* ScriptArgUnit(HSQUIRRELVM v, SQInteger index, const char* method) {
    const SQInteger at = index + 1;
    if (at > sq_gettop(v)) {
        LogWarning("%s: argument %lld is missing; null is used", method, static_cast<long long>(index));
        return nullptr;
    }
    if (sq_gettype(v, at) == OT_NULL) return nullptr;
    SQUserPointer holder = nullptr;
    const SQUserPointer tag = ScriptClassTag(ScriptClassId::kQmUnitInterface);
    if (sq_gettype(v, at) != OT_INSTANCE || SQ_FAILED(sq_getinstanceup(v, at, &holder, tag)) || holder == nullptr) {
        LogWarning("%s: argument %lld is not a unit; null is used", method, static_cast<long long>(index));
        return nullptr;
    }
    return static_cast<UnitHolder*>(holder)->unit;
}

void PushScriptUnit(HSQUIRRELVM v, const QmUnit* unit) {
    const auto* holder = unit != nullptr ? static_cast<const UnitHolder*>(unit->owner) : nullptr;
    if (holder == nullptr || sq_type(holder->instance) == OT_NULL) {
        sq_pushnull(v);
        return;
    }
    sq_pushobject(v, holder->instance);
}

void RetainUnit(QmUnit* unit) {
    if (unit != nullptr && unit->owner != nullptr) ++static_cast<UnitHolder*>(unit->owner)->references;
}

void ReleaseUnit(QmUnit* unit) {
    if (unit == nullptr || unit->owner == nullptr) return;
    auto* holder = static_cast<UnitHolder*>(unit->owner);
    if (--holder->references > 0) return;
    unit->Destroy();
    unit->~QmUnit();
    Allocator::Free(unit);
    Allocator::Free(holder);
}

void RegisterBattleClasses() {
    RegisterQmBattleInterface();
    RegisterQmUnitInterface();
    RegisterQmUnitLayer();
    RegisterQmEfkLayer();
}
