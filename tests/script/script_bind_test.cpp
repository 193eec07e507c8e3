// Native bindings: type masks checked before a native runs, class instances
// owning their objects, and the engine tables.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "core/random.h"
#include "gfx/gl_state.h"
#include "script/engine_tables.h"
#include "script/script_bind.h"
#include "script/script_host.h"
#include "tests/script/script_test_util.h"
#include "tests/support/log_capture.h"

namespace {

int nativeCalls = 0;

// Native objects live in their own allocator; every one must be gone with the VM.
class ScriptBindTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        SetScriptObjectAllocator(&objects);
        nativeCalls = 0;
    }
    void TearDown() override {
        ScriptTest::TearDown();
        SetScriptObjectAllocator(nullptr);
        EXPECT_TRUE(objects.live.empty()) << "a native object outlived the VM";
    }
    TrackingAllocator objects;
};

SQInteger CounterConstructor(HSQUIRRELVM v) {
    ++nativeCalls;
    SQInteger start = 0;
    sq_getinteger(v, 2, &start);
    auto* counter = static_cast<SQInteger*>(Alloc(GetScriptObjectAllocator(), sizeof(SQInteger), 0));
    if (counter == nullptr) return sq_throwerror(v, "out of memory");
    *counter = start;
    sq_setinstanceup(v, 1, counter);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger) -> SQInteger { Allocator::Free(pointer); return 1; });
    return 0;
}

SQInteger CounterGet(HSQUIRRELVM v) {
    SQUserPointer pointer = nullptr;
    sq_getinstanceup(v, 1, &pointer, nullptr);
    sq_pushinteger(v, *static_cast<SQInteger*>(pointer));
    return 1;
}

SQInteger AddInts(HSQUIRRELVM v) {
    ++nativeCalls;
    SQInteger a = 0, b = 0;
    sq_getinteger(v, 2, &a);
    sq_getinteger(v, 3, &b);
    sq_pushinteger(v, a + b);
    return 1;
}

TEST_F(ScriptBindTest, AFunctionWithATypeMaskIsCheckedBeforeItRuns) {
    ASSERT_EQ(RegisterScriptFunction(nullptr, "AddInts", AddInts, 3, ".ii"), 1);
    ASSERT_EQ(RegisterScriptFunction(nullptr, "AddAnything", AddInts, 3, nullptr), 1);
    EXPECT_EQ(Eval(v, "AddInts(2, 3)").integer, 5);
    EXPECT_EQ(nativeCalls, 1);
    {
        LogCapture log;
        EXPECT_FALSE(Eval(v, "AddInts(2, \"x\")").ok);
        EXPECT_FALSE(Eval(v, "AddInts(2)").ok);
        EXPECT_TRUE(log.Contains("parameter 2 has an invalid type"));
        EXPECT_TRUE(log.Contains("wrong number of parameters"));
    }
    EXPECT_EQ(nativeCalls, 1);
    // Without a mask nothing is checked, not even the count.
    EXPECT_EQ(Eval(v, "AddAnything(4, 5, 6, 7)").integer, 9);
    EXPECT_EQ(nativeCalls, 2);
    EXPECT_EQ(Eval(v, "AddInts.getinfos().name").text, "AddInts");
}

// The instance frees its object when it dies; a bad argument is refused before the constructor runs.
TEST_F(ScriptBindTest, AClassInstanceOwnsItsNativeObject) {
    const ScriptMethodRow rows[] = {{"constructor", CounterConstructor, 2, ".n", false},
                                    {"Get", CounterGet, 1, nullptr, false}};  // no mask: nothing checked
    ASSERT_EQ(RegisterScriptClass("Counter", rows, std::size(rows)), 1);
    EXPECT_EQ(Eval(v, "(function() { local c = Counter(5); return c.Get(\"ignored\", 2); })()").integer, 5);
    EXPECT_TRUE(objects.live.empty()) << "the instance died when the function returned";
    {
        LogCapture log;
        EXPECT_FALSE(Eval(v, "Counter(\"one\")").ok);
    }
    EXPECT_EQ(nativeCalls, 1) << "the constructor ran for the refused call";
    ASSERT_TRUE(RunSource(v, "kept <- [Counter(1), Counter(2)];").ok);
    EXPECT_EQ(objects.live.size(), 2u);  // TearDown checks that they go with the VM
}

class EngineTablesTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        SetScreenSize(1280, 720);
        RegisterScriptInterfaces();
    }
    void TearDown() override {
        SetScreenSize(0, 0);
        ScriptTest::TearDown();
    }
};

TEST_F(EngineTablesTest, RandRangeStaysInsideItsBounds) {
    RandomSeed(nullptr, 7);
    std::set<SQInteger> seen;
    ASSERT_TRUE(RunSource(v, "draws <- []; for (local i = 0; i < 400; i++) draws.append(Utl.RandRange(3, 7));").ok);
    for (SQInteger i = 0; i < 400; ++i) seen.insert(Eval(v, "draws[" + std::to_string(i) + "]").integer);
    EXPECT_EQ(seen, (std::set<SQInteger>{3, 4, 5, 6}));

    struct Case { const char* call; SQInteger low, high; };  // inclusive
    const Case cases[] = {
        {"Utl.RandRange(5, 5)", 5, 5},            // empty range: the lower bound, no division by zero
        {"Utl.RandRange(9, 2)", 9, 9},            // reversed range: the lower bound
        {"Utl.RandRange(3.9, 7.2)", 3, 6},        // bounds read as integers
        {"Utl.RandRange(0x100000003, 7)", 3, 6},  // only the low 32 bits of a bound count
        {"Utl.RandRange(-2147483648, 2147483647)", -2147483648LL, 2147483646},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 50; ++i) {
            EvalResult r = Eval(v, c.call);
            ASSERT_TRUE(r.ok) << c.call;
            ASSERT_GE(r.integer, c.low) << c.call;
            ASSERT_LE(r.integer, c.high) << c.call;
        }
    }
}

TEST_F(EngineTablesTest, WrongArgumentsAreRejectedBeforeTheNativeRuns) {
    const char* const calls[] = {"Utl.RandRange(1)", "Utl.RandRange(\"a\", 2)", "Utl.EasingOut(1, 2, 3, 4, \"x\")",
                                 "Utl.MovieStop(\"now\")", "Sys.Exit(\"3\")"};
    for (const char* call : calls) {
        LogCapture log;
        EXPECT_FALSE(Eval(v, call).ok) << call;
        EXPECT_GE(log.Count(), 1u) << call;
    }
}

}  // namespace
