// The battle's script classes: QmBattleInterface (owns a QmBattle),
// QmUnitInterface (owns a QmUnit) and QmUnitLayer (shows a unit's frame in
// the 2D layer list), and what their natives share. Every native checks the
// class of `this` and of its unit arguments by type tag: a wrong instance is
// taken as null and a missing argument as 0, so a faulty call gives 0, 0.0,
// false or null with one log line, never a crash.
#pragma once

#include <squirrel.h>

#include <cstdint>

class QmBattle;
struct QmUnit;

// Registers QmBattleInterface, QmUnitInterface, QmUnitLayer and QmEfkLayer, in this order.
void RegisterBattleClasses();

// Called with the battle whose script instance is being released, before
// it is deleted: the App forgets it when it was the current one.
using BattleReleasedHook = void (*)(QmBattle* battle);
void SetBattleReleasedHook(BattleReleasedHook hook);

// The native object of `this`, or null (with a log line naming `method`)
// when `this` is not an instance of class `id`.
void* BattleClassSelf(HSQUIRRELVM v, int32_t id, const char* method);
// Argument `index` (1 = first after `this`) as a unit: null for null, a
// missing argument or an instance of another class (logged).
QmUnit* ScriptArgUnit(HSQUIRRELVM v, SQInteger index, const char* method);
// Pushes the unit's own script instance, or null.
void PushScriptUnit(HSQUIRRELVM v, const QmUnit* unit);

// A unit's native home: the unit, its instance (not referenced) and the
// references to it (the instance's and every layer's showing it). The unit
// leaves its battle and cell when its instance goes, and is freed with the
// last reference.
struct UnitHolder {
    QmUnit* unit;
    HSQOBJECT instance;
    int32_t references;
};
void RetainUnit(QmUnit* unit);
void ReleaseUnit(QmUnit* unit);

void RegisterQmBattleInterface();
void RegisterQmUnitInterface();
void RegisterQmUnitLayer();
void RegisterQmEfkLayer();
