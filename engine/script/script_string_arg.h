// The string argument getter of the engine's script classes, in the manner of
// the number and object getters of script_class_args.h: a missing or
// non-string argument gives null with a warning naming the method.
#pragma once

#include <squirrel.h>

// Argument `index` (1 = the first after `this`) as the VM's own UTF-8 text,
// valid while the argument stays on the stack; null when it is missing or
// not a string.
const char* ScriptArgString(HSQUIRRELVM v, SQInteger index, const char* method);
