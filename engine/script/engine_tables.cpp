// The Sys and Utl tables. Script integers are 64-bit; the random functions
// keep the engine's 32-bit results (Rand is signed, so negative values occur)
// and read their bounds as 32-bit integers.
#include "script/engine_tables.h"

#include <cmath>
#include <cstdint>

#include "app/app_frame.h"
#include "core/easing.h"
#include "core/random.h"
#include "core/string_util.h"
#include "gfx/gl_state.h"
#include "script/script_bind.h"
#include "script/script_host.h"

namespace {

ScriptMovieHooks gMovie = DefaultScriptMovieHooks();

// Exit() ends with status 0, Exit(n) with n.
SQInteger SysExit(HSQUIRRELVM v) {
    SQInteger status = 0;
    if (sq_gettop(v) >= 2) sq_getinteger(v, 2, &status);
    PostQuit(ScriptIntegerToInt32(status));
    return 0;
}

SQInteger SysGetDate(HSQUIRRELVM v) {
    char date[64];
    FormatLocalTime(date, sizeof date, "%Y/%m/%d %H:%M:%S");
    sq_pushstring(v, date, -1);
    return 1;
}

SQInteger UtlRand(HSQUIRRELVM v) {
    sq_pushinteger(v, static_cast<int32_t>(Random(nullptr)));
    return 1;
}

SQInteger UtlRandRange(HSQUIRRELVM v) {
    SQInteger min = 0, max = 0;
    sq_getinteger(v, 2, &min);
    sq_getinteger(v, 3, &max);
    int32_t low = ScriptIntegerToInt32(min), high = ScriptIntegerToInt32(max);
    // An empty range has no value to draw; its lower bound is the only sane answer.
    sq_pushinteger(v, high <= low ? low : RandomRange(nullptr, low, high));
    return 1;
}

struct EasingArgs {
    bool ended;  // total is not positive: there is no curve, only the end value
    double x;    // t / total
    double power, from, to;
};

EasingArgs ReadEasingArgs(HSQUIRRELVM v) {
    SQInteger t = 0, total = 0;
    SQFloat power = 0, from = 0, to = 0;
    sq_getinteger(v, 2, &t);
    sq_getinteger(v, 3, &total);
    sq_getfloat(v, 4, &power);
    sq_getfloat(v, 5, &from);
    sq_getfloat(v, 6, &to);
    if (total <= 0) return EasingArgs{true, 1.0, power, from, to};
    return EasingArgs{false, static_cast<double>(t) / static_cast<double>(total), power, from, to};
}

SQInteger UtlEasingOut(HSQUIRRELVM v) {
    EasingArgs a = ReadEasingArgs(v);
    double eased = a.ended ? a.to : a.from + (a.to - a.from) * (1.0 - std::pow(1.0 - a.x, a.power));
    sq_pushfloat(v, static_cast<SQFloat>(eased));
    return 1;
}

SQInteger UtlEasingIn(HSQUIRRELVM v) {
    EasingArgs a = ReadEasingArgs(v);
    double eased = a.ended ? a.to : a.from + (a.to - a.from) * std::pow(a.x, a.power);
    sq_pushfloat(v, static_cast<SQFloat>(eased));
    return 1;
}

SQInteger UtlEasingInOut(HSQUIRRELVM v) {
    EasingArgs a = ReadEasingArgs(v);
    float eased = a.ended ? static_cast<float>(a.to)
                          : EaseInOut(static_cast<float>(a.x), static_cast<float>(a.power),
                                      static_cast<float>(a.from), static_cast<float>(a.to));
    sq_pushfloat(v, eased);
    return 1;
}

SQInteger UtlMoviePlay(HSQUIRRELVM v) {
    const SQChar* name = "";
    sq_getstring(v, 2, &name);
    if (gMovie.play) gMovie.play(name, GetCurrentFsMgr());
    return 0;
}

SQInteger UtlMovieStop(HSQUIRRELVM v) {
    SQInteger frames = 0;
    if (sq_gettop(v) >= 2) sq_getinteger(v, 2, &frames);
    if (gMovie.stop) gMovie.stop(ScriptIntegerToInt32(frames));
    return 0;
}

SQInteger UtlMovieIsPlaying(HSQUIRRELVM v) {
    sq_pushbool(v, gMovie.isPlaying && gMovie.isPlaying() ? SQTrue : SQFalse);
    return 1;
}

}  // namespace

void SetScriptMovieHooks(const ScriptMovieHooks& hooks) { gMovie = hooks; }

int RegisterSysTable() {
    HSQOBJECT sys;
    if (!NewScriptTable(nullptr, "Sys", &sys)) return 0;
    return SetScriptInteger(&sys, "ScreenWidth", GetScreenWidth()) &&
           SetScriptInteger(&sys, "ScreenHeight", GetScreenHeight()) &&
           SetScriptFloat(&sys, "ScreenAspect", static_cast<SQFloat>(GetScreenAspect())) &&
           RegisterScriptFunction(&sys, "Exit", SysExit, -1, ".n") &&
           RegisterScriptFunction(&sys, "GetDate", SysGetDate, 1, ".");
}

int RegisterUtlTable() {
    HSQOBJECT utl;
    if (!NewScriptTable(nullptr, "Utl", &utl)) return 0;
    return RegisterScriptFunction(&utl, "Rand", UtlRand, 1, ".") &&
           RegisterScriptFunction(&utl, "RandRange", UtlRandRange, 3, ".nn") &&
           RegisterScriptFunction(&utl, "EasingOut", UtlEasingOut, 6, ".nnnnn") &&
           RegisterScriptFunction(&utl, "EasingIn", UtlEasingIn, 6, ".nnnnn") &&
           RegisterScriptFunction(&utl, "EasingInOut", UtlEasingInOut, 6, ".nnnnn") &&
           RegisterScriptFunction(&utl, "MoviePlay", UtlMoviePlay, 3, ".sn") &&
           RegisterScriptFunction(&utl, "MovieStop", UtlMovieStop, -1, ".n") &&
           RegisterScriptFunction(&utl, "MovieIsPlaying", UtlMovieIsPlaying, 1, ".");
}
