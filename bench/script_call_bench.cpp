// The cost of crossing the script boundary: one native->script call by name
// (what the game does every frame for AppUpdate) and one script->native call
// (what every engine API call costs), each beside a reference in the same run.
#include <benchmark/benchmark.h>

#include <string>

#include "script/script_bind.h"
#include "script/script_host.h"

namespace {

const char kScript[] =
    "function Tick() {}\n"
    "function Empty() {}\n"
    "function LoopEmpty(n) { for (local i = 0; i < n; i++) {} }\n"
    "function LoopNative(n) { for (local i = 0; i < n; i++) Native(); }\n"
    "function LoopChecked(n) { for (local i = 0; i < n; i++) Checked(i); }\n"
    "function LoopScript(n) { for (local i = 0; i < n; i++) Empty(); }\n";

constexpr SQInteger kCallsPerRun = 1000;

SQInteger NativeNothing(HSQUIRRELVM v) { return 0; }

HSQUIRRELVM MakeVM() {
    HSQUIRRELVM v = CreateScriptVM();
    RegisterScriptFunction(nullptr, "Native", NativeNothing, 1, nullptr);
    RegisterScriptFunction(nullptr, "Checked", NativeNothing, 2, ".n");
    sq_compilebuffer(v, kScript, sizeof kScript - 1, "bench.nut", SQTrue);
    sq_pushroottable(v);
    sq_call(v, 1, SQFalse, SQTrue);
    sq_settop(v, 0);
    return v;
}

void BM_CallScriptFunctionByName(benchmark::State& state) {
    HSQUIRRELVM v = MakeVM();
    for (auto _ : state) benchmark::DoNotOptimize(CallScriptFunction(v, "Tick"));
    CloseScriptVM();
}
BENCHMARK(BM_CallScriptFunctionByName);

// Reference: the same call through a closure handle kept from the start, no lookup.
void BM_CallKeptClosure(benchmark::State& state) {
    HSQUIRRELVM v = MakeVM();
    HSQOBJECT tick;
    sq_pushroottable(v);
    sq_pushstring(v, "Tick", -1);
    sq_get(v, -2);
    sq_getstackobj(v, -1, &tick);
    sq_addref(v, &tick);
    sq_settop(v, 0);
    for (auto _ : state) {
        sq_pushobject(v, tick);
        sq_pushroottable(v);
        benchmark::DoNotOptimize(sq_call(v, 1, SQFalse, SQTrue));
        sq_pop(v, 1);
    }
    sq_release(v, &tick);
    CloseScriptVM();
}
BENCHMARK(BM_CallKeptClosure);

// One run calls the script loop `name` with kCallsPerRun iterations; the
// counter gives the time per iteration, so the loop's own cost
// (BM_ScriptLoop/LoopEmpty) is subtracted by reading the two side by side.
void RunScriptLoop(benchmark::State& state, const char* name) {
    HSQUIRRELVM v = MakeVM();
    sq_pushroottable(v);
    sq_pushstring(v, name, -1);
    sq_get(v, -2);
    for (auto _ : state) {
        sq_push(v, -1);
        sq_pushroottable(v);
        sq_pushinteger(v, kCallsPerRun);
        benchmark::DoNotOptimize(sq_call(v, 2, SQFalse, SQTrue));
        sq_pop(v, 1);
    }
    sq_settop(v, 0);
    // Seconds per loop iteration, shown with an SI prefix ("42n" = 42 ns).
    state.counters["per_iteration"] = benchmark::Counter(static_cast<double>(state.iterations()) * kCallsPerRun,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    CloseScriptVM();
}

void BM_ScriptLoop(benchmark::State& state, const char* name) { RunScriptLoop(state, name); }
BENCHMARK_CAPTURE(BM_ScriptLoop, LoopEmpty, "LoopEmpty");
BENCHMARK_CAPTURE(BM_ScriptLoop, LoopNative, "LoopNative");
BENCHMARK_CAPTURE(BM_ScriptLoop, LoopChecked, "LoopChecked");
BENCHMARK_CAPTURE(BM_ScriptLoop, LoopScript, "LoopScript");

}  // namespace
