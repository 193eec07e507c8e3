// Tracking allocator, VM fixture and evaluation helpers for the script tests.
#include "tests/script/script_test_util.h"

#include "script/script_host.h"

static bool Compile(HSQUIRRELVM v, const std::string& source, const std::string& sourceName) {
    return SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), SQInteger(source.size()), sourceName.c_str(), SQTrue));
}

size_t LiveBytes(const CountingAllocator& allocator) {
    size_t bytes = 0;
    for (const auto& block : allocator.live) bytes += block.second;
    return bytes;
}

EvalResult RunSource(HSQUIRRELVM v, const std::string& source, const std::string& sourceName) {
    EvalResult result;
    SQInteger top = sq_gettop(v);
    if (Compile(v, source, sourceName)) {
        sq_pushroottable(v);
        result.ok = SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue));
    }
    result.type = result.ok ? sq_gettype(v, -1) : OT_NULL;
    SQBool boolean = SQFalse;
    const SQChar* text = nullptr;
    switch (result.type) {
        case OT_INTEGER: sq_getinteger(v, -1, &result.integer); break;
        case OT_FLOAT: sq_getfloat(v, -1, &result.real); break;
        case OT_BOOL: result.boolean = SQ_SUCCEEDED(sq_getbool(v, -1, &boolean)) && boolean != SQFalse; break;
        case OT_STRING: sq_getstring(v, -1, &text), result.text.assign(text, size_t(sq_getsize(v, -1))); break;
        case OT_INSTANCE: sq_getinstanceup(v, -1, &result.instance, nullptr); break;
        default: break;
    }
    sq_settop(v, top);
    return result;
}

EvalResult Eval(HSQUIRRELVM v, const std::string& expression) {
    return RunSource(v, "return " + expression + ";", "eval.nut");
}

std::string CompileToCnut(HSQUIRRELVM v, const std::string& source, const std::string& sourceName) {
    std::string bytes;
    SQInteger top = sq_gettop(v);
    auto append = [](SQUserPointer user, SQUserPointer data, SQInteger size) -> SQInteger {
        return static_cast<std::string*>(user)->append(static_cast<const char*>(data), size_t(size)), size;
    };
    if (Compile(v, source, sourceName)) sq_writeclosure(v, append, &bytes);
    sq_settop(v, top);
    return bytes;
}

void ScriptTest::SetUp() {
    SetScriptVMAllocator(&vmAllocator);
    v = CreateScriptVM();
    ASSERT_NE(v, nullptr);
}

void ScriptTest::TearDown() {
    CloseScriptVM();
    SetScriptVMAllocator(nullptr);
    EXPECT_TRUE(vmAllocator.live.empty()) << LiveBytes(vmAllocator) << " bytes the VM did not give back";
    EXPECT_EQ(vmAllocator.badFrees, 0u);
}
