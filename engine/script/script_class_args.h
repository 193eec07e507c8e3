// What every native method of the engine's script classes stands on: the
// classes' type tags, the checked fetch of `this`, and argument getters that
// never leave a value unset. A missing or mistyped number becomes 0 (with a
// warning naming the method), and an object of the wrong class is a script
// error, so no script call can make a native read garbage.
#pragma once

#include <squirrel.h>

#include <cstddef>
#include <cstdint>

#include "script/script_bind.h"

// One type tag per engine script class, so an instance of one class is
// never taken for another.
enum class ScriptClassId : uintptr_t {
    kInputInterface = 1,
    kLayerInterface,
    kImageInterface,
    kFontInterface,
    kSoundPlayer,
    kDirMgr,
    kPackFileMgr,
    kPackMemMgr,
    kFile,
    kTextBoxInterface,
    kTextSpriteInterface,
    kTileInterface,
    kQmBattleInterface,
    kQmUnitInterface,
    kQmUnitLayer,
    kQmEfkLayer,
};

SQUserPointer ScriptClassTag(ScriptClassId id);

// RegisterScriptClass, then the class gets the id's type tag.
int RegisterTaggedScriptClass(const char* name, const ScriptMethodRow* rows, size_t count, ScriptClassId id);

// The native object of `this` (stack index 1) for a method of class `id`.
// Throws a script error naming `method` and returns null when `this` is not
// an instance of that class (or of a script class derived from it) or has no
// native object. The caller returns SQ_ERROR on null.
void* ScriptSelf(HSQUIRRELVM v, ScriptClassId id, const char* method);
// The same, but an instance without a native object gives null without an
// error; *ok tells whether `this` was of the class at all.
void* ScriptSelfOrNull(HSQUIRRELVM v, ScriptClassId id, const char* method, bool* ok);

// Whether the native constructor of `className` may bind a new object to
// `this`: false (with a script error) unless `this` is an instance of that
// class (registered with RegisterTaggedScriptClass) or of a class derived
// from it, still without a native object.
bool ScriptMayConstruct(HSQUIRRELVM v, const char* className);

// Argument `index` (1 = the first after `this`). Integers and floats are
// both numbers: an integer getter truncates floats, a float getter converts
// integers. Missing or other types give 0 with a warning.
SQInteger ScriptArgInteger(HSQUIRRELVM v, SQInteger index, const char* method);
int32_t ScriptArgInt32(HSQUIRRELVM v, SQInteger index, const char* method);
SQFloat ScriptArgFloat(HSQUIRRELVM v, SQInteger index, const char* method);
// Booleans, and numbers as booleans (non-zero is true).
bool ScriptArgBool(HSQUIRRELVM v, SQInteger index, const char* method);
// The native object of an instance of class `id`; null for a script null or
// a missing argument (with a warning). Another value throws a script error
// and sets *ok to false.
void* ScriptArgInstance(HSQUIRRELVM v, SQInteger index, ScriptClassId id, const char* method, bool* ok);

// Colours cross the script boundary as 0xRRGGBBAA integers and are kept as
// 0xAABBGGRR (the byte order of a vertex colour). Integers of a 64-bit VM
// are taken modulo 2^32 and pushed back zero-extended.
uint32_t ScriptArgColour(HSQUIRRELVM v, SQInteger index, const char* method);
uint32_t ReverseColourBytes(uint32_t colour);
void PushScriptColour(HSQUIRRELVM v, uint32_t stored);
