// Script test pieces: a recording allocator, a fixture owning a fresh VM, and helpers to run source text.
#pragma once
#include <gtest/gtest.h>
#include <squirrel.h>
#include <string>
#include "tests/core/counting_allocator.h"

using TrackingAllocator = CountingAllocator;
size_t LiveBytes(const CountingAllocator& allocator);

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
EvalResult Eval(HSQUIRRELVM v, const std::string& expression);
std::string CompileToCnut(HSQUIRRELVM v, const std::string& source, const std::string& sourceName);

// A fresh VM on a TrackingAllocator; every block must be back when the VM closes.
class ScriptTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TrackingAllocator vmAllocator;
    HSQUIRRELVM v = nullptr;
};
