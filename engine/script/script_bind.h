// Putting native values, functions, tables and classes into the scripts'
// tables. Every function works on the one VM (GetScriptVM), takes the parent
// table as a script object handle (null = the root table) and leaves the VM
// stack as it found it. Results are 1 on success and 0 on failure.
//
// A native object bound to a script instance belongs to that instance: the
// class's "constructor" allocates it from GetScriptObjectAllocator(), binds it
// with sq_setinstanceup(v, 1, object) and sets a release hook with
// sq_setreleasehook(v, 1, hook); the VM runs the hook when the instance dies.
#pragma once

#include <squirrel.h>

#include <cstddef>

// One method of a native script class. Tables of rows are static constants.
struct ScriptMethodRow {
    const SQChar* name;      // "constructor" for the constructor
    SQFUNCTION function;     // returns the count of values pushed (0 or 1), or a negative error
    SQInteger nparams;       // `this` included; negative = at least that many
    const SQChar* typemask;  // such as ".nn"; null = no check at all, not even of the count
    bool isStatic;
};

// Fetches the slot `name` of `parent` into `out`. The handle is not
// referenced: it stays valid while the parent holds the value.
int GetScriptSlot(const HSQOBJECT* parent, const char* name, HSQOBJECT* out);

// New non-static slots holding a value.
int SetScriptBool(const HSQOBJECT* parent, const char* name, bool value);
int SetScriptInteger(const HSQOBJECT* parent, const char* name, SQInteger value);
int SetScriptFloat(const HSQOBJECT* parent, const char* name, SQFloat value);

// A native closure named `name` in a new non-static slot; with a type mask
// the VM checks the argument count and types before the native runs.
int RegisterScriptFunction(const HSQOBJECT* parent, const char* name, SQFUNCTION function, SQInteger nparams,
                           const SQChar* typemask);

// A new empty table in a new slot; `out` (optional) receives it.
int NewScriptTable(const HSQOBJECT* parent, const char* name, HSQOBJECT* out);

// A class `name` in the root table with one member per row, in row order.
int RegisterScriptClass(const char* name, const ScriptMethodRow* rows, size_t count);
