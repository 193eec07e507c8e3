// The script host: the one Squirrel VM of the process, its memory, loading
// compiled (".cnut") or source scripts from a file-system manager, running
// them and calling root-table functions by name. Main thread only.
//
// Script integers are 64-bit here; natives that keep 32-bit engine values
// truncate on the way in and sign-extend on the way out.
#pragma once

#include <squirrel.h>

#include <cstdint>

struct Allocator;
struct FsMgr;

// A script integer as one of the engine's 32-bit values: its low 32 bits, so
// 0xFFFFFFFF and -1 give the same word.
inline int32_t ScriptIntegerToInt32(SQInteger value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// The VM's memory functions. The Squirrel library calls these through its own
// exported symbols, which the program's definitions replace, so the exact
// C++ signatures matter: any other form silently leaves the library on malloc.
void* sq_vm_malloc(SQUnsignedInteger size);
// On failure returns null and the old block stays valid.
void* sq_vm_realloc(void* pointer, SQUnsignedInteger oldSize, SQUnsignedInteger size);
void sq_vm_free(void* pointer, SQUnsignedInteger size);

// Opens the VM with the standard string and math libraries in the root slot
// "std", the print function and a runtime error handler that logs the call
// stack. Returns the VM (an existing one when called twice), null on failure.
HSQUIRRELVM CreateScriptVM();
// Closes the VM, running every pending release hook. Safe without a VM.
void CloseScriptVM();
// Null without a VM and while it closes: a release hook that finds none
// must leave the VM's objects alone.
HSQUIRRELVM GetScriptVM();

// print() and error() of the scripts: one debug-log line per call, cut at
// 1023 characters.
void ScriptPrint(HSQUIRRELVM v, const SQChar* format, ...) __attribute__((format(printf, 2, 3)));
// "Compile Error:\n  <source> (<line>)\n  <description>" as one log entry.
void ScriptCompileError(HSQUIRRELVM v, const SQChar* description, const SQChar* source, SQInteger line,
                        SQInteger column);

// Where the VM's memory comes from (null = the default allocator). Set it
// before CreateScriptVM; blocks already handed out stay with their allocator.
void SetScriptVMAllocator(Allocator* allocator);
Allocator* GetScriptVMAllocator();
// Where the engine's script classes allocate their native objects.
void SetScriptObjectAllocator(Allocator* allocator);
Allocator* GetScriptObjectAllocator();
// The manager from which script-made objects open files by default.
void SetCurrentFsMgr(FsMgr* fs);
FsMgr* GetCurrentFsMgr();

// Loads `name` through `fs` (null = the operating system's files): a name
// whose extension is exactly "cnut" is read as a compiled closure, anything
// else is compiled as source. On success the stack holds the root table and
// above it the closure, and the result is 1. On failure one log line names
// the file, the stack is as it was and the result is 0. Null `v` = the VM.
int LoadScriptFile(HSQUIRRELVM v, const char* name, FsMgr* fs, Allocator* allocator);
// Loads and runs the file with the root table as `this`. 1 when it loaded and
// its top level ran to the end; 0 when it could not be loaded or it threw (the
// error handler has logged the error). The stack is left as it was.
int DoScriptFile(HSQUIRRELVM v, const char* name, FsMgr* fs, Allocator* allocator);
// Calls the root-table function `name` with no arguments. 1 when it exists
// and returned normally; 0 when it is missing, not callable or threw. The
// stack is left as it was.
int CallScriptFunction(HSQUIRRELVM v, const char* name);
