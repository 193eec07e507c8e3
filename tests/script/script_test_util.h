// Shared pieces of the script tests: an allocator that counts what the VM
// and the script classes take from it, a fixture owning a fresh VM, and small
// helpers to run source text and read back what it returned.
#pragma once

#include <squirrel.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/allocator.h"

// Counts calls and bytes; refuses raw blocks above `refuseAbove`.
struct TrackingAllocator : Allocator {
    TrackingAllocator();
    size_t allocCalls = 0;
    size_t reallocCalls = 0;
    size_t freeCalls = 0;
    size_t refuseAbove = SIZE_MAX;
};

// What a piece of script returned.
struct EvalResult {
    bool ok = false;
    SQObjectType type = OT_NULL;
    SQInteger integer = 0;
    SQFloat real = 0;
    bool boolean = false;
    std::string text;
};

// Compiles `source` under `sourceName` and calls it with the root table as
// `this`; the stack is left as it was.
EvalResult RunSource(HSQUIRRELVM v, const std::string& source, const std::string& sourceName = "test.nut");
// RunSource of "return <expression>".
EvalResult Eval(HSQUIRRELVM v, const std::string& expression);
// The closure stream for `source`, as sq_writeclosure writes it.
std::string CompileToCnut(HSQUIRRELVM v, const std::string& source, const std::string& sourceName);

// A fresh VM on a TrackingAllocator for every test; every byte must be back
// when the VM closes.
class ScriptTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TrackingAllocator vmAllocator;
    HSQUIRRELVM v = nullptr;
};
