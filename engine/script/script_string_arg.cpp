// The checked string argument of the engine's script classes.
#include "script/script_string_arg.h"

#include "platform/debug_log.h"

const char* ScriptArgString(HSQUIRRELVM v, SQInteger index, const char* method) {
    const SQInteger at = index + 1;  // `this` is at 1
    if (at > sq_gettop(v)) {
        LogWarning("%s: argument %lld is missing; no text is used", method, static_cast<long long>(index));
        return nullptr;
    }
    const SQChar* text = nullptr;
    if (sq_gettype(v, at) != OT_STRING || SQ_FAILED(sq_getstring(v, at, &text))) {
        LogWarning("%s: argument %lld is not a string; no text is used", method, static_cast<long long>(index));
        return nullptr;
    }
    return text;
}
