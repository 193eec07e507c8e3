// Type tags, the checked `this` and the argument getters of the engine's
// script classes.
#include "script/script_class_args.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>

#include "platform/debug_log.h"
#include "script/script_host.h"

namespace {

// The VM copies the message, so a local buffer serves.
__attribute__((format(printf, 2, 3))) SQInteger ThrowError(HSQUIRRELVM v, const char* format, ...) {
    char message[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    return sq_throwerror(v, message);
}

bool IsNumber(SQObjectType type) { return type == OT_INTEGER || type == OT_FLOAT; }

// Index of argument `index` on the stack, or 0 when the call did not pass it.
SQInteger StackIndex(HSQUIRRELVM v, SQInteger index) {
    SQInteger at = index + 1;  // `this` is at 1
    return at <= sq_gettop(v) ? at : 0;
}

void WarnArgument(HSQUIRRELVM v, SQInteger index, const char* method, const char* what) {
    SQInteger at = StackIndex(v, index);
    if (at == 0) {
        LogWarning("%s: argument %lld is missing; %s is used", method, static_cast<long long>(index), what);
    } else {
        LogWarning("%s: argument %lld has the wrong type; %s is used", method, static_cast<long long>(index), what);
    }
}

// The class id each tagged class was registered under, by name, so that a
// constructor knows its own class even after a script rebinds the global.
std::map<std::string, ScriptClassId>& RegisteredClassIds() {
    static std::map<std::string, ScriptClassId> ids;
    return ids;
}

// The name a class id was registered under, for messages that say which
// class was expected.
const char* ClassName(ScriptClassId id) {
    for (const auto& entry : RegisteredClassIds()) {
        if (entry.second == id) return entry.first.c_str();
    }
    return "?";
}

}  // namespace

SQUserPointer ScriptClassTag(ScriptClassId id) { return reinterpret_cast<SQUserPointer>(static_cast<uintptr_t>(id)); }

int RegisterTaggedScriptClass(const char* name, const ScriptMethodRow* rows, size_t count, ScriptClassId id) {
    if (!RegisterScriptClass(name, rows, count)) return 0;
    HSQOBJECT classObject;
    if (!GetScriptSlot(nullptr, name, &classObject)) return 0;
    HSQUIRRELVM v = GetScriptVM();
    sq_pushobject(v, classObject);
    bool tagged = SQ_SUCCEEDED(sq_settypetag(v, -1, ScriptClassTag(id)));
    sq_pop(v, 1);
    if (!tagged) {
        LogError("script: class \"%s\" could not be tagged", name);
        return 0;
    }
    RegisteredClassIds()[name] = id;
    return 1;
}

void* ScriptSelfOrNull(HSQUIRRELVM v, ScriptClassId id, const char* method, bool* ok) {
    SQUserPointer self = nullptr;
    // The VM fills the pointer before it checks the tag, so a failure is reset.
    if (sq_gettype(v, 1) != OT_INSTANCE || SQ_FAILED(sq_getinstanceup(v, 1, &self, ScriptClassTag(id)))) {
        ThrowError(v, "%s: called on an object of another class", method);
        *ok = false;
        return nullptr;
    }
    *ok = true;
    return self;
}

void* ScriptSelf(HSQUIRRELVM v, ScriptClassId id, const char* method) {
    bool ok = false;
    void* self = ScriptSelfOrNull(v, id, method, &ok);
    if (ok && self == nullptr) ThrowError(v, "%s: the instance was never constructed", method);
    return self;
}

bool ScriptMayConstruct(HSQUIRRELVM v, const char* className) {
    auto registered = RegisteredClassIds().find(className);
    if (registered == RegisteredClassIds().end()) {
        LogError("script: %s was not registered with a type tag", className);
        ThrowError(v, "%s: constructor of an unregistered class", className);
        return false;
    }
    // The instance must be of this class or derive from it: the VM walks the
    // class chain for the tag. Any other instance would get a native object
    // that its own class's methods would read as something else.
    SQUserPointer existing = nullptr;
    SQUserPointer tag = ScriptClassTag(registered->second);
    if (sq_gettype(v, 1) != OT_INSTANCE || SQ_FAILED(sq_getinstanceup(v, 1, &existing, tag))) {
        ThrowError(v, "%s: constructor called on an instance of another class", className);
        return false;
    }
    if (existing == nullptr) return true;
    ThrowError(v, "%s: constructor called on a constructed instance", className);
    return false;
}

SQInteger ScriptArgInteger(HSQUIRRELVM v, SQInteger index, const char* method) {
    SQInteger at = StackIndex(v, index);
    SQInteger value = 0;
    if (at != 0 && IsNumber(sq_gettype(v, at)) && SQ_SUCCEEDED(sq_getinteger(v, at, &value))) return value;
    WarnArgument(v, index, method, "0");
    return 0;
}

int32_t ScriptArgInt32(HSQUIRRELVM v, SQInteger index, const char* method) {
    return ScriptIntegerToInt32(ScriptArgInteger(v, index, method));
}

SQFloat ScriptArgFloat(HSQUIRRELVM v, SQInteger index, const char* method) {
    SQInteger at = StackIndex(v, index);
    SQFloat value = 0;
    if (at != 0 && IsNumber(sq_gettype(v, at)) && SQ_SUCCEEDED(sq_getfloat(v, at, &value))) return value;
    WarnArgument(v, index, method, "0");
    return 0;
}

bool ScriptArgBool(HSQUIRRELVM v, SQInteger index, const char* method) {
    SQInteger at = StackIndex(v, index);
    if (at != 0) {
        SQObjectType type = sq_gettype(v, at);
        SQBool flag = SQFalse;
        if (type == OT_BOOL && SQ_SUCCEEDED(sq_getbool(v, at, &flag))) return flag != SQFalse;
        SQFloat number = 0;
        if (IsNumber(type) && SQ_SUCCEEDED(sq_getfloat(v, at, &number))) return number != 0;
    }
    WarnArgument(v, index, method, "false");
    return false;
}

void* ScriptArgInstance(HSQUIRRELVM v, SQInteger index, ScriptClassId id, const char* method, bool* ok) {
    *ok = true;
    SQInteger at = StackIndex(v, index);
    if (at == 0) {
        WarnArgument(v, index, method, "null");
        return nullptr;
    }
    SQObjectType type = sq_gettype(v, at);
    if (type == OT_NULL) return nullptr;
    SQUserPointer object = nullptr;
    if (type != OT_INSTANCE || SQ_FAILED(sq_getinstanceup(v, at, &object, ScriptClassTag(id)))) {
        *ok = false;
        ThrowError(v, "%s: argument %lld is not of the expected class %s", method, static_cast<long long>(index),
                   ClassName(id));
        return nullptr;
    }
    return object;
}

uint32_t ReverseColourBytes(uint32_t colour) {
    return (colour >> 24) | ((colour >> 8) & 0xFF00u) | ((colour << 8) & 0xFF0000u) | (colour << 24);
}

uint32_t ScriptArgColour(HSQUIRRELVM v, SQInteger index, const char* method) {
    return ReverseColourBytes(static_cast<uint32_t>(ScriptArgInteger(v, index, method)));
}

void PushScriptColour(HSQUIRRELVM v, uint32_t stored) { sq_pushinteger(v, static_cast<SQInteger>(stored)); }
