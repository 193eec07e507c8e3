// Tracking allocator, VM fixture and evaluation helpers for the script tests.
#include "tests/script/script_test_util.h"

#include "script/script_host.h"

namespace {

SQInteger WriteToString(SQUserPointer user, SQUserPointer data, SQInteger size) {
    static_cast<std::string*>(user)->append(static_cast<const char*>(data), static_cast<size_t>(size));
    return size;
}

}  // namespace

size_t LiveBytes(const CountingAllocator& allocator) {
    size_t bytes = 0;
    for (const auto& block : allocator.live) bytes += block.second;
    return bytes;
}
EvalResult RunSource(HSQUIRRELVM v, const std::string& source, const std::string& sourceName) {
    EvalResult result;
    SQInteger top = sq_gettop(v);
    bool ran = SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()),
                                             sourceName.c_str(), SQTrue));
    if (ran) sq_pushroottable(v);
    if (!ran || SQ_FAILED(sq_call(v, 1, SQTrue, SQTrue))) {
        sq_settop(v, top);
        return result;
    }
    result.ok = true;
    result.type = sq_gettype(v, -1);
    switch (result.type) {
        case OT_INTEGER: sq_getinteger(v, -1, &result.integer); break;
        case OT_FLOAT: sq_getfloat(v, -1, &result.real); break;
        case OT_BOOL: {
            SQBool b = SQFalse;
            result.boolean = SQ_SUCCEEDED(sq_getbool(v, -1, &b)) && b != SQFalse;
            break;
        }
        case OT_STRING: {
            const SQChar* text = nullptr;
            sq_getstring(v, -1, &text);
            result.text.assign(text, static_cast<size_t>(sq_getsize(v, -1)));
            break;
        }
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
    if (SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()),
                                      sourceName.c_str(), SQTrue))) {
        sq_writeclosure(v, WriteToString, &bytes);
    }
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
