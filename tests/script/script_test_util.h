// Shared pieces of the script tests: a recording allocator, a fixture owning
// a fresh VM, and helpers to run source text and read back what it returned.
#pragma once

#include <squirrel.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/core/counting_allocator.h"

using TrackingAllocator = CountingAllocator;
// The bytes `allocator` has handed out and not yet had back.
size_t LiveBytes(const CountingAllocator& allocator);

// What a piece of script returned.
struct EvalResult {
    bool ok = false;
    SQObjectType type = OT_NULL;
    SQInteger integer = 0;
    SQFloat real = 0;
    bool boolean = false;
    std::string text;
    SQUserPointer instance = nullptr;  // the native object of an instance
};

// Compiles `source` and calls it with the root table as `this`; the stack is left as it was.
EvalResult RunSource(HSQUIRRELVM v, const std::string& source, const std::string& sourceName = "test.nut");
// RunSource of "return <expression>".
EvalResult Eval(HSQUIRRELVM v, const std::string& expression);
// The closure stream for `source`, as sq_writeclosure writes it.
std::string CompileToCnut(HSQUIRRELVM v, const std::string& source, const std::string& sourceName);

// A fresh VM on a TrackingAllocator; every block must be back when the VM closes.
class ScriptTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TrackingAllocator vmAllocator;
    HSQUIRRELVM v = nullptr;
};
