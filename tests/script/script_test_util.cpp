// Tracking allocator, VM fixture and evaluation helpers for the script tests.
#include "tests/script/script_test_util.h"

#include <cstdlib>
#include <cstring>

#include "script/script_host.h"

namespace {

size_t RoundUp16(size_t size) { return (size + 15) & ~size_t{15}; }

void* TrackAlloc(Allocator* self, size_t size) {
    auto* tracking = static_cast<TrackingAllocator*>(self);
    ++tracking->allocCalls;
    if (size > tracking->refuseAbove) return nullptr;
    void* block = aligned_alloc(16, RoundUp16(size));
    if (block) tracking->bytesInUse += size;
    return block;
}

void* TrackRealloc(Allocator* self, void* block, size_t oldSize, size_t newSize) {
    auto* tracking = static_cast<TrackingAllocator*>(self);
    ++tracking->reallocCalls;
    if (newSize > tracking->refuseAbove) return nullptr;
    void* moved = aligned_alloc(16, RoundUp16(newSize));
    if (moved == nullptr) return nullptr;
    memcpy(moved, block, oldSize < newSize ? oldSize : newSize);
    free(block);
    tracking->bytesInUse += newSize;
    tracking->bytesInUse -= oldSize;
    return moved;
}

void TrackFree(Allocator* self, void* block, size_t size) {
    auto* tracking = static_cast<TrackingAllocator*>(self);
    ++tracking->freeCalls;
    tracking->bytesInUse -= size;
    free(block);
}

constexpr AllocatorOps kTrackingOps = {nullptr, TrackAlloc, TrackRealloc, TrackFree};

SQInteger WriteToString(SQUserPointer user, SQUserPointer data, SQInteger size) {
    static_cast<std::string*>(user)->append(static_cast<const char*>(data), static_cast<size_t>(size));
    return size;
}

}  // namespace

TrackingAllocator::TrackingAllocator() : Allocator(&kTrackingOps) {}

EvalResult RunSource(HSQUIRRELVM v, const std::string& source, const std::string& sourceName) {
    EvalResult result;
    SQInteger top = sq_gettop(v);
    if (SQ_FAILED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()), sourceName.c_str(),
                                   SQTrue))) {
        sq_settop(v, top);
        return result;
    }
    sq_pushroottable(v);
    if (SQ_FAILED(sq_call(v, 1, SQTrue, SQTrue))) {
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
            sq_getbool(v, -1, &b);
            result.boolean = b != SQFalse;
            break;
        }
        case OT_STRING: {
            const SQChar* text = nullptr;
            sq_getstring(v, -1, &text);
            result.text.assign(text, static_cast<size_t>(sq_getsize(v, -1)));
            break;
        }
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
    EXPECT_EQ(vmAllocator.bytesInUse.load(), 0u) << "the VM did not give back all its memory";
}
