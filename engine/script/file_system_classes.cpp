// DirMgr(path), PackFileMgr(path) and PackMemMgr(path): file-system managers
// for scripts, opened through the current manager. A pack that cannot be
// opened still gives an instance, one without a manager, which every user
// of managers treats as "none".
#include <squirrel.h>

#include <new>

#include "core/allocator.h"
#include "fs/dir_mgr.h"
#include "fs/file_loaders.h"
#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "fs/pack_mgr.h"
#include "fs/shared_bytes.h"
#include "platform/debug_log.h"
#include "script/file_classes.h"
#include "script/script_class_args.h"
#include "script/script_host.h"
#include "script/script_string_arg.h"

namespace {

constexpr ScriptClassId kManagerClasses[] = {ScriptClassId::kDirMgr, ScriptClassId::kPackFileMgr,
                                             ScriptClassId::kPackMemMgr};

// Binds a handle {fsMgr} to the instance; false when out of memory (the
// manager is then released here).
bool BindHandle(HSQUIRRELVM v, FsMgr* fsMgr) {
    void* block = Alloc(GetScriptObjectAllocator(), sizeof(FsMgrHandle), 0);
    if (block == nullptr) {
        FsMgr::Release(fsMgr);
        return false;
    }
    sq_setinstanceup(v, 1, new (block) FsMgrHandle{fsMgr});
    sq_setreleasehook(
        v, 1, [](SQUserPointer pointer, SQInteger size) -> SQInteger { return ReleaseFsMgrHandle(pointer, size); });
    return true;
}

SQInteger DirMgrConstructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "DirMgr")) return SQ_ERROR;
    const char* path = ScriptArgString(v, 1, "DirMgr.constructor");
    FsMgr* fsMgr = path != nullptr ? DirMgr(GetCurrentFsMgr(), path, GetScriptObjectAllocator()) : nullptr;
    return BindHandle(v, fsMgr) ? 0 : sq_throwerror(v, "DirMgr: out of memory");
}

SQInteger PackFileMgrConstructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "PackFileMgr")) return SQ_ERROR;
    const char* path = ScriptArgString(v, 1, "PackFileMgr.constructor");
    FsMgr* fsMgr = path != nullptr ? OpenPackFile(GetCurrentFsMgr(), path, GetScriptObjectAllocator()) : nullptr;
    return BindHandle(v, fsMgr) ? 0 : sq_throwerror(v, "PackFileMgr: out of memory");
}

SQInteger PackMemMgrConstructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "PackMemMgr")) return SQ_ERROR;
    const char* path = ScriptArgString(v, 1, "PackMemMgr.constructor");
    uint32_t size = 0;
    // From the default heap: a sound still playing an entry may let go of the
    // bytes last, on the mixer thread, after the script memory is gone.
    void* bytes = path != nullptr ? LoadWholeFile(GetCurrentFsMgr(), path, &size, nullptr) : nullptr;
    if (bytes == nullptr) {
        LogFailed("open \"%s\"", path != nullptr ? path : "");
        return 0;  // an instance without a manager
    }
    SharedBytes* shared = SharedBytes::Adopt(bytes, size);
    FsMgr* fsMgr = OpenPackShared(shared, GetScriptObjectAllocator());
    if (shared != nullptr) shared->Release();  // the pack and its streams hold their own
    return BindHandle(v, fsMgr) ? 0 : sq_throwerror(v, "PackMemMgr: out of memory");
}

const ScriptMethodRow kDirMgrRows[] = {{"constructor", DirMgrConstructor, 2, nullptr, false}};
const ScriptMethodRow kPackFileMgrRows[] = {{"constructor", PackFileMgrConstructor, 2, nullptr, false}};
const ScriptMethodRow kPackMemMgrRows[] = {{"constructor", PackMemMgrConstructor, 2, nullptr, false}};

}  // namespace

FsMgr* ResolveFsMgrArgument(HSQUIRRELVM v, SQInteger index) {
    const SQInteger at = index + 1;  // `this` is at 1
    const SQObjectType type = at <= sq_gettop(v) ? sq_gettype(v, at) : OT_NULL;
    if (type == OT_NULL) return GetCurrentFsMgr();
    if (type == OT_INTEGER) {
        SQInteger slot = -1;
        sq_getinteger(v, at, &slot);
        return slot >= 0 && slot < kFsSlotCount ? GetFsMgrSlot(static_cast<int>(slot)) : nullptr;
    }
    if (type != OT_INSTANCE) return nullptr;
    for (ScriptClassId id : kManagerClasses) {
        SQUserPointer handle = nullptr;
        if (SQ_SUCCEEDED(sq_getinstanceup(v, at, &handle, ScriptClassTag(id)))) {
            return handle != nullptr ? static_cast<FsMgrHandle*>(handle)->fsMgr : nullptr;
        }
    }
    return nullptr;
}

int64_t ReleaseFsMgrHandle(void* pointer, int64_t) {
    auto* handle = static_cast<FsMgrHandle*>(pointer);
    if (handle == nullptr) return 0;
    FsMgr::Release(handle->fsMgr);
    Allocator::Free(handle);
    return 1;
}

void RegisterFileSystemClasses() {
    RegisterTaggedScriptClass("DirMgr", kDirMgrRows, 1, ScriptClassId::kDirMgr);
    RegisterTaggedScriptClass("PackFileMgr", kPackFileMgrRows, 1, ScriptClassId::kPackFileMgr);
    RegisterTaggedScriptClass("PackMemMgr", kPackMemMgrRows, 1, ScriptClassId::kPackMemMgr);
}
