// The script classes of file access: DirMgr, PackFileMgr and PackMemMgr
// (a folder, a pack read on demand, a pack loaded into memory, each wrapping
// a file-system manager that scripts pass to other classes) and File (a
// stream on a file of a mount slot, with optional descrambling and zlib
// layers, and the static Exist and LoadFile). The scripts' saves go through
// File in slot 1, where writing replaces a file only once it is complete.
#pragma once

#include <squirrel.h>

#include <cstdint>

struct FsMgr;

// The native object of DirMgr, PackFileMgr and PackMemMgr instances. A
// memory pack owns its image together with the streams opened on it, so a
// stream may outlive the instance.
struct FsMgrHandle {
    FsMgr* fsMgr;  // owned; null when the folder or pack could not be opened
};

// RegisterScriptInterfaces calls these in this order.
void RegisterFileSystemClasses();
void RegisterFileClass();

// The manager a file-system argument names: a missing argument or null is the
// current manager, an integer 0..7 that mount slot's manager, a DirMgr,
// PackFileMgr or PackMemMgr instance its manager. Anything else, and an
// instance whose pack failed to open, names no manager: null, meaning the
// operating system's own files.
FsMgr* ResolveFsMgrArgument(HSQUIRRELVM v, SQInteger index);

// The release hooks.
int64_t ReleaseFsMgrHandle(void* handle, int64_t size);
int64_t ReleaseFileStream(void* file, int64_t size);
