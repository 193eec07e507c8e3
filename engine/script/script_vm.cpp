// The VM itself: its memory functions, creation and closing, the print and
// error output, and the host's globals. The memory functions live in this
// file together with CreateScriptVM so that every program that makes a VM
// also carries them; the library then calls ours instead of its own.
#include "script/script_host.h"

#include <sqstdmath.h>
#include <sqstdstring.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <atomic>
#include <thread>

#include "core/allocator.h"
#include "platform/debug_log.h"

namespace {

HSQUIRRELVM gVM = nullptr;
// Written and read by any thread that logs, so it is atomic; gVM itself is
// read only on the VM's thread.
std::atomic<std::thread::id> gVMThread;
Allocator* gVMAllocator = nullptr;
Allocator* gObjectAllocator = nullptr;
FsMgr* gCurrentFs = nullptr;

// Deep recursion would otherwise flood the log with identical lines.
constexpr SQInteger kMaxLoggedFrames = 16;

// Runs for every error that script code does not catch and logs it with the
// call stack; the error itself still goes back to whoever made the call.
SQInteger LogScriptError(HSQUIRRELVM v) {
    const SQChar* message = "(unknown error)";
    if (sq_gettop(v) >= 2 && SQ_SUCCEEDED(sq_tostring(v, 2))) sq_getstring(v, -1, &message);
    // The call stack below says where; the line carries no place of its own.
    DebugPrint("Error: script: %s", message);
    SQStackInfos info;
    // Level 0 is this handler.
    for (SQInteger level = 1; level <= kMaxLoggedFrames && SQ_SUCCEEDED(sq_stackinfos(v, level, &info));
         ++level) {
        DebugPrint("  at %s (%s:%lld)", info.funcname ? info.funcname : "unknown",
                   info.source ? info.source : "unknown", static_cast<long long>(info.line));
    }
    return 0;
}

// The innermost script function on the VM's stack, so that an error or a
// warning a native raises for a script call says which line made the call.
bool ScriptLogPlace(char* out, size_t size) {
    if (gVMThread.load() != std::this_thread::get_id() || gVM == nullptr) return false;
    SQStackInfos info;
    for (SQInteger level = 0; level <= kMaxLoggedFrames && SQ_SUCCEEDED(sq_stackinfos(gVM, level, &info)); ++level) {
        if (info.line <= 0 || info.source == nullptr || strcmp(info.source, "NATIVE") == 0) continue;
        snprintf(out, size, "%s:%lld", info.source, static_cast<long long>(info.line));
        return true;
    }
    return false;
}

}  // namespace

void* sq_vm_malloc(SQUnsignedInteger size) { return Alloc(gVMAllocator, size, 0); }

void* sq_vm_realloc(void* pointer, SQUnsignedInteger oldSize, SQUnsignedInteger size) {
    if (pointer == nullptr) return sq_vm_malloc(size);
    void* resized = Allocator::Realloc(pointer, size);
    if (resized) return resized;
    void* moved = sq_vm_malloc(size);
    if (moved == nullptr) return nullptr;
    memcpy(moved, pointer, oldSize < size ? oldSize : size);
    Allocator::Free(pointer);
    return moved;
}

void sq_vm_free(void* pointer, SQUnsignedInteger size) { Allocator::Free(pointer); }

HSQUIRRELVM CreateScriptVM() {
    if (gVM) return gVM;
    HSQUIRRELVM v = sq_open(1024);
    if (v == nullptr) {
        LogError("the script VM could not be created");
        return nullptr;
    }
    sq_setprintfunc(v, ScriptPrint, ScriptPrint);
    sq_newclosure(v, LogScriptError, 0);
    sq_seterrorhandler(v);

    sq_pushroottable(v);
    sq_pushstring(v, "std", -1);
    sq_newtable(v);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "std", -1);
    sq_get(v, -2);
    sqstd_register_stringlib(v);
    sqstd_register_mathlib(v);
    sq_pop(v, 2);

    gVM = v;
    gVMThread = std::this_thread::get_id();
    SetLogPlace(ScriptLogPlace);
    return v;
}

void CloseScriptVM() {
    if (gVM == nullptr) return;
    // Instances held only by a reference cycle are released inside sq_close,
    // when the VM is half gone: their release hooks must find no VM to use.
    HSQUIRRELVM v = gVM;
    gVM = nullptr;
    SetLogPlace(nullptr);
    gVMThread.store(std::thread::id());
    sq_close(v);
}

HSQUIRRELVM GetScriptVM() { return gVM; }

void ScriptPrint(HSQUIRRELVM v, const SQChar* format, ...) {
    // 1023 characters, the newline and the terminator.
    char line[1025];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, 1024, format, args);
    va_end(args);
    if (length < 0) length = 0;
    if (length > 1023) length = 1023;
    line[length] = '\n';
    line[length + 1] = '\0';
    DebugOutput(line);
}

void ScriptCompileError(HSQUIRRELVM v, const SQChar* description, const SQChar* source, SQInteger line,
                        SQInteger column) {
    DebugPrint("Compile Error:\n  %s (%lld)\n  %s", source ? source : "", static_cast<long long>(line),
               description ? description : "");
}

void SetScriptVMAllocator(Allocator* allocator) { gVMAllocator = allocator; }
Allocator* GetScriptVMAllocator() { return gVMAllocator; }
void SetScriptObjectAllocator(Allocator* allocator) { gObjectAllocator = allocator; }
Allocator* GetScriptObjectAllocator() { return gObjectAllocator; }
void SetCurrentFsMgr(FsMgr* fs) { gCurrentFs = fs; }
FsMgr* GetCurrentFsMgr() { return gCurrentFs; }
