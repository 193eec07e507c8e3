// Slot helpers and native class registration on the one VM.
#include "script/script_bind.h"

#include "platform/debug_log.h"
#include "script/script_host.h"

namespace {

// Pushes the parent (null = root table) and returns the VM, or null without a
// VM. The caller restores `top`.
HSQUIRRELVM PushParent(const HSQOBJECT* parent, SQInteger* top) {
    HSQUIRRELVM v = GetScriptVM();
    if (v == nullptr) {
        LogError("script: no VM to register into");
        return nullptr;
    }
    *top = sq_gettop(v);
    if (parent) {
        sq_pushobject(v, *parent);
    } else {
        sq_pushroottable(v);
    }
    return v;
}

// Stack: parent, key, value. Makes the slot and restores the stack.
int FinishNewSlot(HSQUIRRELVM v, SQInteger top, const char* name) {
    bool made = SQ_SUCCEEDED(sq_newslot(v, -3, SQFalse));
    sq_settop(v, top);
    if (!made) LogError("script: slot \"%s\" could not be made", name);
    return made ? 1 : 0;
}

void PushNativeClosure(HSQUIRRELVM v, const char* name, SQFUNCTION function, SQInteger nparams,
                       const SQChar* typemask) {
    sq_newclosure(v, function, 0);
    if (typemask && SQ_FAILED(sq_setparamscheck(v, nparams, typemask))) {
        LogError("script: type mask \"%s\" of \"%s\" is invalid", typemask, name);
    }
    sq_setnativeclosurename(v, -1, name);
}

}  // namespace

int GetScriptSlot(const HSQOBJECT* parent, const char* name, HSQOBJECT* out) {
    SQInteger top = 0;
    HSQUIRRELVM v = PushParent(parent, &top);
    if (v == nullptr) return 0;
    sq_pushstring(v, name, -1);
    bool found = SQ_SUCCEEDED(sq_get(v, -2)) && SQ_SUCCEEDED(sq_getstackobj(v, -1, out));
    sq_settop(v, top);
    if (!found) LogError("script: slot \"%s\" does not exist", name);
    return found ? 1 : 0;
}

int SetScriptBool(const HSQOBJECT* parent, const char* name, bool value) {
    SQInteger top = 0;
    HSQUIRRELVM v = PushParent(parent, &top);
    if (v == nullptr) return 0;
    sq_pushstring(v, name, -1);
    sq_pushbool(v, value ? SQTrue : SQFalse);
    return FinishNewSlot(v, top, name);
}

int SetScriptInteger(const HSQOBJECT* parent, const char* name, SQInteger value) {
    SQInteger top = 0;
    HSQUIRRELVM v = PushParent(parent, &top);
    if (v == nullptr) return 0;
    sq_pushstring(v, name, -1);
    sq_pushinteger(v, value);
    return FinishNewSlot(v, top, name);
}

int SetScriptFloat(const HSQOBJECT* parent, const char* name, SQFloat value) {
    SQInteger top = 0;
    HSQUIRRELVM v = PushParent(parent, &top);
    if (v == nullptr) return 0;
    sq_pushstring(v, name, -1);
    sq_pushfloat(v, value);
    return FinishNewSlot(v, top, name);
}

int RegisterScriptFunction(const HSQOBJECT* parent, const char* name, SQFUNCTION function, SQInteger nparams,
                           const SQChar* typemask) {
    SQInteger top = 0;
    HSQUIRRELVM v = PushParent(parent, &top);
    if (v == nullptr) return 0;
    sq_pushstring(v, name, -1);
    PushNativeClosure(v, name, function, nparams, typemask);
    return FinishNewSlot(v, top, name);
}

int NewScriptTable(const HSQOBJECT* parent, const char* name, HSQOBJECT* out) {
    SQInteger top = 0;
    HSQUIRRELVM v = PushParent(parent, &top);
    if (v == nullptr) return 0;
    sq_pushstring(v, name, -1);
    sq_newtable(v);
    if (!FinishNewSlot(v, top, name)) return 0;
    return out ? GetScriptSlot(parent, name, out) : 1;
}

int RegisterScriptClass(const char* name, const ScriptMethodRow* rows, size_t count) {
    SQInteger top = 0;
    HSQUIRRELVM v = PushParent(nullptr, &top);
    if (v == nullptr) return 0;
    sq_pushstring(v, name, -1);
    if (SQ_FAILED(sq_newclass(v, SQFalse))) {
        sq_settop(v, top);
        LogError("script: class \"%s\" could not be made", name);
        return 0;
    }
    for (size_t i = 0; i < count; ++i) {
        const ScriptMethodRow& row = rows[i];
        sq_pushstring(v, row.name, -1);
        PushNativeClosure(v, row.name, row.function, row.nparams, row.typemask);
        if (SQ_FAILED(sq_newslot(v, -3, row.isStatic ? SQTrue : SQFalse))) {
            sq_settop(v, top);
            LogError("script: method \"%s\" of class \"%s\" could not be added", row.name, name);
            return 0;
        }
    }
    return FinishNewSlot(v, top, name);
}
