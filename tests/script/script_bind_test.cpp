// Slot helpers and native classes: values land where they should, the stack
// stays balanced, type masks stop bad calls before the native runs, and an
// instance's release hook frees its native object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/script_bind.h"
#include "script/script_host.h"
#include "tests/script/script_test_util.h"
#include "tests/support/log_capture.h"

namespace {

class ScriptBindTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        SetScriptObjectAllocator(&objects);
        nativeCalls = 0;
        released = 0;
    }
    void TearDown() override {
        ScriptTest::TearDown();
        SetScriptObjectAllocator(nullptr);
        EXPECT_EQ(objects.bytesInUse.load(), 0u) << "a native object outlived the VM";
    }

    TrackingAllocator objects;

public:
    static int nativeCalls;
    static int released;
};

int ScriptBindTest::nativeCalls = 0;
int ScriptBindTest::released = 0;

// The toy class: a counter whose native object lives in the script-object allocator.
struct CounterObject {
    SQInteger value;
};

SQInteger ReleaseCounter(SQUserPointer pointer, SQInteger size) {
    Allocator::Free(pointer);
    ++ScriptBindTest::released;
    return 1;
}

CounterObject* ThisCounter(HSQUIRRELVM v) {
    SQUserPointer pointer = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 1, &pointer, nullptr))) return nullptr;
    return static_cast<CounterObject*>(pointer);
}

SQInteger CounterConstructor(HSQUIRRELVM v) {
    SQInteger start = 0;
    sq_getinteger(v, 2, &start);
    auto* counter = static_cast<CounterObject*>(Alloc(GetScriptObjectAllocator(), sizeof(CounterObject), 0));
    if (counter == nullptr) return sq_throwerror(v, "out of memory");
    counter->value = start;
    sq_setinstanceup(v, 1, counter);
    sq_setreleasehook(v, 1, ReleaseCounter);
    return 0;
}

SQInteger CounterAdd(HSQUIRRELVM v) {
    ++ScriptBindTest::nativeCalls;
    SQInteger amount = 0;
    sq_getinteger(v, 2, &amount);
    ThisCounter(v)->value += amount;
    return 0;
}

SQInteger CounterGet(HSQUIRRELVM v) {
    ++ScriptBindTest::nativeCalls;
    sq_pushinteger(v, ThisCounter(v)->value);
    return 1;
}

SQInteger CounterKind(HSQUIRRELVM v) {
    sq_pushstring(v, "counter", -1);
    return 1;
}

const ScriptMethodRow kCounterRows[] = {
    {"constructor", CounterConstructor, 2, ".n", false},
    {"Add", CounterAdd, 2, ".n", false},
    {"Get", CounterGet, 1, nullptr, false},  // no mask: neither count nor types are checked
    {"Kind", CounterKind, 1, ".", true},
};

SQInteger AddInts(HSQUIRRELVM v) {
    ++ScriptBindTest::nativeCalls;
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

TEST_F(ScriptBindTest, AClassInstanceOwnsItsNativeObject) {
    ASSERT_EQ(RegisterScriptClass("Counter", kCounterRows, std::size(kCounterRows)), 1);
    EXPECT_EQ(sq_gettop(v), 0);

    EXPECT_EQ(Eval(v, "(function() { local c = Counter(5); c.Add(3); return c.Get(); })()").integer, 8);
    // The instance died when the function returned.
    EXPECT_EQ(released, 1);
    EXPECT_EQ(objects.bytesInUse.load(), 0u);

    EXPECT_EQ(Eval(v, "Counter.Kind()").text, "counter");
    EXPECT_EQ(Eval(v, "Counter(1).Get(\"ignored\", 2)").integer, 1);
    EXPECT_EQ(released, 2);

    ASSERT_TRUE(RunSource(v, "kept <- [Counter(1), Counter(2), Counter(3)];").ok);
    EXPECT_GT(objects.bytesInUse.load(), 0u);
    CloseScriptVM();
    EXPECT_EQ(released, 5);
    EXPECT_EQ(objects.bytesInUse.load(), 0u);
}

TEST_F(ScriptBindTest, ABadArgumentIsRejectedBeforeTheMethodRuns) {
    ASSERT_EQ(RegisterScriptClass("Counter", kCounterRows, std::size(kCounterRows)), 1);
    int before = nativeCalls;
    LogCapture log;
    EXPECT_FALSE(Eval(v, "Counter(1).Add(\"three\")").ok);
    EXPECT_FALSE(Eval(v, "Counter(\"one\")").ok);
    EXPECT_EQ(nativeCalls, before);
    EXPECT_TRUE(log.Contains("parameter 1 has an invalid type"));
    EXPECT_EQ(released, 1);  // only the instance that was made
    EXPECT_EQ(objects.bytesInUse.load(), 0u);
}

}  // namespace
