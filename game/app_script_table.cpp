// The natives of the script table App.
#include "game/app_script_table.h"

#include <cstring>

#include "core/path_util.h"
#include "core/random.h"
#include "game/app.h"
#include "platform/debug_log.h"
#include "script/script_bind.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

App* AppOf(HSQUIRRELVM v) { return static_cast<App*>(sq_getforeignptr(v)); }

// A VM without its App is a fault of the host; the script gets an error, not a crash.
SQInteger NoApp(HSQUIRRELVM v) { return sq_throwerror(v, "App: no application object"); }

SQInteger BeginBattle(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    SQUserPointer battle = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 2, &battle, QmBattleTypeTag())) || battle == nullptr) {
        LogWarning("App.BeginBattle: the argument is not a battle; ignored");
        return 0;
    }
    app->battle = static_cast<QmBattle*>(battle);
    return 0;
}

SQInteger EndBattle(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    app->battle = nullptr;
    return 0;
}

SQInteger EnqueueEvent(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    SQInteger value = 0;
    sq_getinteger(v, 2, &value);
    app->PushEvent(ScriptIntegerToInt32(value), 0);
    return 0;
}

SQInteger DequeueEvent(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    int32_t word = 0;
    if (app->events.Pop(&word)) {
        sq_pushinteger(v, word);
    } else {
        sq_pushnull(v);
    }
    return 1;
}

SQInteger GenCharaName(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    // Without names there is nothing to draw from; the empty name keeps scripts going.
    if (app->names.count == 0) {
        sq_pushstring(v, "", 0);
        return 1;
    }
    int32_t index = RandomRange(nullptr, 0, static_cast<int32_t>(app->names.count));
    sq_pushstring(v, app->names.names[index], -1);
    return 1;
}

SQInteger LoadScript(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    const SQChar* name = "";
    sq_getstring(v, 2, &name);
    std::string file;
    // On success the closure is on top of what LoadScriptFile pushed; on
    // failure the script gets null, never a stray value.
    if (MakeScriptFileName(name, &file) && LoadScriptFile(v, file.c_str(), app->scriptFolder, nullptr)) return 1;
    sq_pushnull(v);
    return 1;
}

SQInteger DoScript(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    const SQChar* name = "";
    sq_getstring(v, 2, &name);
    std::string file;
    if (!MakeScriptFileName(name, &file) || !LoadScriptFile(v, file.c_str(), app->scriptFolder, nullptr)) {
        sq_pushbool(v, SQFalse);
        return 1;
    }
    // The file was loaded, so the answer is true whatever its top level does;
    // the host's error handler has logged a throw.
    SQInteger top = sq_gettop(v);
    sq_pushroottable(v);
    sq_call(v, 1, SQFalse, SQTrue);
    sq_settop(v, top);
    sq_pushbool(v, SQTrue);
    return 1;
}

SQInteger SetConfig(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    SQInteger slot = 0, value = 0;
    sq_getinteger(v, 2, &slot);
    sq_getinteger(v, 3, &value);
    if (slot < 0 || slot >= kConfigSlotCount) return 0;
    app->SetConfigValue(static_cast<int32_t>(slot), ScriptIntegerToInt32(value));
    return 0;
}

SQInteger GetConfig(HSQUIRRELVM v) {
    App* app = AppOf(v);
    if (app == nullptr) return NoApp(v);
    SQInteger slot = 0;
    sq_getinteger(v, 2, &slot);
    sq_pushinteger(v, slot >= 0 && slot < kConfigSlotCount ? app->GetConfigValue(static_cast<int32_t>(slot)) : 0);
    return 1;
}

struct NativeRow {
    const char* name;
    SQFUNCTION function;
    SQInteger nparams;
    const SQChar* typemask;
};

}  // namespace

SQUserPointer QmBattleTypeTag() { return ScriptClassTag(ScriptClassId::kQmBattleInterface); }

bool MakeScriptFileName(const char* name, std::string* file) {
    if (name == nullptr) name = "";
    size_t length = strlen(name);
    if (length > kMaxScriptNameLength) {
        LogError("script name \"%.32s...\" has %zu characters, more than %zu", name, length, kMaxScriptNameLength);
        return false;
    }
    *file = name;
    if (GetFileExtension(name) == nullptr) *file += ".cnut";
    return true;
}

int RegisterAppScriptTable(App* app) {
    HSQUIRRELVM v = GetScriptVM();
    if (v == nullptr) {
        LogError("App: no script VM for the App table");
        return 0;
    }
    sq_setforeignptr(v, app);
    HSQOBJECT table;
    if (!NewScriptTable(nullptr, "App", &table)) return 0;
    app->appTable = table;
    const NativeRow before[] = {
        {"BeginBattle", BeginBattle, 2, ".x"},   {"EndBattle", EndBattle, 1, "."},
        {"EnqueueEvent", EnqueueEvent, 2, ".i"}, {"DequeueEvent", DequeueEvent, 1, "."},
        {"GenCharaName", GenCharaName, 1, "."},  {"LoadScript", LoadScript, 2, ".s"},
        {"DoScript", DoScript, 2, ".s"},
    };
    for (const NativeRow& row : before) {
        if (!RegisterScriptFunction(&table, row.name, row.function, row.nparams, row.typemask)) return 0;
    }
    for (const char* flag : {"DevelopMode", "WaitSkip", "AutoBattle", "InfinityMove"}) {
        if (!SetScriptBool(&table, flag, false)) return 0;
    }
    return RegisterScriptFunction(&table, "SetConfig", SetConfig, 3, ".nn") &&
           RegisterScriptFunction(&table, "GetConfig", GetConfig, 2, ".n");
}
