// SoundPlayer: the script face of a sound player. Setters change what the
// next start uses; a playing sound changes only after Update. The instance
// owns its player, whose release stops its voices at once. StartMemory
// copies the script's bytes, so the script may drop its userdata straight
// away; SetFsMgr keeps a reference to the manager instance it was given, so
// the manager outlives the player's use of it, and a sound already started
// keeps what it reads (a memory pack's bytes) however the manager goes. While
// the VM closes the player holds no reference any more: there is no VM to
// hand it back to.
#include <squirrel.h>

#include "core/allocator.h"
#include "media/sound_player.h"
#include "platform/debug_log.h"
#include "script/file_classes.h"
#include "script/script_class_args.h"
#include "script/script_host.h"
#include "script/sound_player_interface.h"

namespace {

struct ScriptSoundPlayer {
    SoundPlayer* player;
    HSQOBJECT fsMgrInstance;  // the DirMgr / PackFileMgr / PackMemMgr held, or null
};

void DropFsMgrInstance(ScriptSoundPlayer* self) {
    if (sq_isnull(self->fsMgrInstance)) return;
    if (HSQUIRRELVM v = GetScriptVM()) sq_release(v, &self->fsMgrInstance);
    sq_resetobject(&self->fsMgrInstance);
}

SQInteger ReleaseScriptSoundPlayer(SQUserPointer pointer, SQInteger) {
    auto* self = static_cast<ScriptSoundPlayer*>(pointer);
    SoundPlayer::Destroy(self->player);
    DropFsMgrInstance(self);
    Allocator::Free(self);
    return 1;
}

ScriptSoundPlayer* Self(HSQUIRRELVM v, const char* method) {
    return static_cast<ScriptSoundPlayer*>(ScriptSelf(v, ScriptClassId::kSoundPlayer, method));
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "SoundPlayer")) return SQ_ERROR;
    void* memory = Alloc(GetScriptObjectAllocator(), sizeof(ScriptSoundPlayer), 0);
    SoundPlayer* player = memory != nullptr ? SoundPlayer::Create(GetScriptObjectAllocator()) : nullptr;
    if (player == nullptr) {
        Allocator::Free(memory);
        return sq_throwerror(v, "SoundPlayer: out of memory");
    }
    auto* self = static_cast<ScriptSoundPlayer*>(memory);
    self->player = player;
    sq_resetobject(&self->fsMgrInstance);
    player->AttachFsMgr(GetCurrentFsMgr());
    sq_setinstanceup(v, 1, self);
    sq_setreleasehook(v, 1, ReleaseScriptSoundPlayer);
    return 0;
}

SQInteger SetFsMgr(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer.SetFsMgr");
    if (self == nullptr) return SQ_ERROR;
    const ScriptClassId kinds[] = {ScriptClassId::kDirMgr, ScriptClassId::kPackFileMgr, ScriptClassId::kPackMemMgr};
    SQUserPointer native = nullptr;
    bool found = false;
    for (ScriptClassId kind : kinds) {
        if (sq_gettop(v) >= 2 && sq_gettype(v, 2) == OT_INSTANCE &&
            SQ_SUCCEEDED(sq_getinstanceup(v, 2, &native, ScriptClassTag(kind)))) {
            found = true;
            break;
        }
    }
    if (!found) return sq_throwerror(v, "SoundPlayer.SetFsMgr: expects a DirMgr, PackFileMgr or PackMemMgr");
    HSQOBJECT instance;
    sq_getstackobj(v, 2, &instance);
    sq_addref(v, &instance);
    DropFsMgrInstance(self);
    self->fsMgrInstance = instance;
    // A manager that failed to open (no native object) means the system's files.
    self->player->AttachFsMgr(native != nullptr ? static_cast<FsMgrHandle*>(native)->fsMgr : nullptr);
    return 0;
}

SQInteger StartId(HSQUIRRELVM v) {
    if (Self(v, "SoundPlayer.StartId") == nullptr) return SQ_ERROR;
    ScriptArgInteger(v, 1, "SoundPlayer.StartId");  // no table maps ids to sounds
    return 0;
}

SQInteger StartFile(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer.StartFile");
    if (self == nullptr) return SQ_ERROR;
    const SQChar* name = nullptr;
    if (sq_gettop(v) < 2 || SQ_FAILED(sq_getstring(v, 2, &name))) {
        LogWarning("SoundPlayer.StartFile: expects a file name");
        return 0;
    }
    self->player->QueueFile(name);
    return 0;
}

SQInteger StartMemory(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer.StartMemory");
    if (self == nullptr) return SQ_ERROR;
    SQUserPointer data = nullptr;
    if (sq_gettop(v) < 2 || sq_gettype(v, 2) != OT_USERDATA || SQ_FAILED(sq_getuserdata(v, 2, &data, nullptr))) {
        LogWarning("SoundPlayer.StartMemory: expects the userdata of File.LoadFile");
        return 0;
    }
    SQInteger size = sq_getsize(v, 2);
    self->player->QueueMemory(data, size > 0 && size <= 0x7fffffff ? static_cast<uint32_t>(size) : 0);
    return 0;
}

template <void (*Action)(SoundPlayer*)>
SQInteger NoArgument(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer");
    if (self == nullptr) return SQ_ERROR;
    Action(self->player);
    return 0;
}

void Stop(SoundPlayer* player) { player->MarkStop(); }
void ResetParameters(SoundPlayer* player) { player->StoreDefaults(); }
void Update(SoundPlayer* player) { player->MarkUpdate(); }

template <void (SoundPlayer::*Store)(int32_t)>
SQInteger IntegerSetter(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer");
    if (self == nullptr) return SQ_ERROR;
    (self->player->*Store)(ScriptArgInt32(v, 1, "SoundPlayer setter"));
    return 0;
}

template <void (SoundPlayer::*Store)(float)>
SQInteger FloatSetter(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer");
    if (self == nullptr) return SQ_ERROR;
    (self->player->*Store)(static_cast<float>(ScriptArgFloat(v, 1, "SoundPlayer setter")));
    return 0;
}

SQInteger Pause(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer.Pause");
    if (self == nullptr) return SQ_ERROR;
    self->player->StorePaused(ScriptArgInteger(v, 1, "SoundPlayer.Pause") != 0 ? 1 : 0);
    return 0;
}

SQInteger IsPaused(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer.IsPaused");
    if (self == nullptr) return SQ_ERROR;
    sq_pushbool(v, self->player->GetPausedFlag() != 0);
    return 1;
}

SQInteger IsPlaying(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer.IsPlaying");
    if (self == nullptr) return SQ_ERROR;
    int32_t state = self->player->GetState();
    sq_pushbool(v, state == kPlayerQueued || state == kPlayerPlaying);
    return 1;
}

SQInteger GetTime(HSQUIRRELVM v) {
    ScriptSoundPlayer* self = Self(v, "SoundPlayer.GetTime");
    if (self == nullptr) return SQ_ERROR;
    sq_pushinteger(v, static_cast<SQInteger>(self->player->GetPlayPosition()));
    return 1;
}

const ScriptMethodRow kSoundPlayerRows[] = {
    {"constructor", Constructor, 1, nullptr, false},
    {"SetFsMgr", SetFsMgr, 2, nullptr, false},
    {"StartId", StartId, 2, nullptr, false},
    {"StartFile", StartFile, 2, nullptr, false},
    {"StartMemory", StartMemory, 2, nullptr, false},
    {"Stop", NoArgument<Stop>, 1, nullptr, false},
    {"Pause", Pause, 2, nullptr, false},
    {"IsPaused", IsPaused, 1, nullptr, false},
    {"IsPlaying", IsPlaying, 1, nullptr, false},
    {"GetTime", GetTime, 1, nullptr, false},
    {"SetLoop", IntegerSetter<&SoundPlayer::StoreLoop>, 2, nullptr, false},
    {"SetVolume", FloatSetter<&SoundPlayer::StoreVolume>, 2, nullptr, false},
    {"SetPitch", FloatSetter<&SoundPlayer::StorePitch>, 2, nullptr, false},
    {"SetPan", FloatSetter<&SoundPlayer::StorePan>, 2, nullptr, false},
    {"SetCategory", IntegerSetter<&SoundPlayer::StoreCategory>, 2, nullptr, false},
    {"SetPriority", IntegerSetter<&SoundPlayer::StorePriority>, 2, nullptr, false},
    {"ResetParameters", NoArgument<ResetParameters>, 1, nullptr, false},
    {"Update", NoArgument<Update>, 1, nullptr, false},
};

}  // namespace

void RegisterSoundPlayerClass() {
    RegisterTaggedScriptClass("SoundPlayer", kSoundPlayerRows, sizeof kSoundPlayerRows / sizeof kSoundPlayerRows[0],
                              ScriptClassId::kSoundPlayer);
}
