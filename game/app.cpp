// The App object's life: start-up, the per-frame update and drawing, and the
// tear-down. Work that later parts of the game take over (the battle, the
// screen effects, the field shaders, the post dialog) has its one call site
// here, marked where it goes.
#include "game/app.h"

#include <GLES2/gl2.h>

#include <string>

#include "app/app_frame.h"
#include "app/input.h"
#include "core/allocator.h"
#include "core/random.h"
#include "effects/game/efc.h"
#include "effects/game/effect_system.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "game/app_config.h"
#include "game/app_script_table.h"
#include "game/battle.h"
#include "game/battle_classes.h"
#include "game/battle_files.h"
#include "game/field_renderer.h"
#include "game/unit.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/std2d.h"
#include "media/sound_manager.h"
#include "net/post_dialog.h"
#include "platform/debug_log.h"
#include "platform/message_box.h"
#include "platform/threads.h"
#include "script/engine_tables.h"
#include "script/layer_interface.h"
#include "script/script_bind.h"
#include "script/script_host.h"

namespace {

App* gApp = nullptr;

constexpr size_t kSmallBlockSize = 80;
constexpr uint32_t kSmallBlockCount = 16000;
constexpr size_t kLargeBlockSize = 160;
constexpr uint32_t kLargeBlockCount = 4000;
constexpr size_t kPoolAlignment = 4;

constexpr char kPackName[] = "Quillmoor.dat";
constexpr char kPuppetNameFile[] = "puppet_name.txt";
constexpr char kFirstScript[] = "system.cnut";

// The field renderer's programs from "shader/" in the pack. A game without
// battles ships none, so a missing file is named only when a battle is made.
void LoadFieldShaders(App* app) {
    // The launcher's shadow option picks the static shadow map and the "_hq"
    // programs; the unit drawing code takes the "unit" program's attributes.
    GetFieldShaderSet()->Reload(
        [app](const char* name) { return FieldProgramFilesThere(app->pack, name) ? LoadShaderProgram(app, name) : -1; },
        GetAppConfig().optionShadowDrawing != 0,
        [](int32_t unit) {
            GetUnitAttribs() = UnitAttribs{};  // none without the program
            if (unit > 0) GetUnitAttribs().Lookup(static_cast<uint32_t>(unit));
        });
}

}  // namespace

App* GetApp() { return gApp; }

App::App() {
    appTable._type = OT_NULL;
    appTable._unVal.raw = 0;
    names.count = 0;
    gApp = this;
}

App::~App() {
    if (gApp == this) gApp = nullptr;
}

void App::Initialize() {
    battle = nullptr;
    events.Clear();
    dragReported = 0;

    smallBlockPool = PoolAllocator(nullptr, kSmallBlockSize, kSmallBlockCount, kPoolAlignment, false);
    largeBlockPool = PoolAllocator(nullptr, kLargeBlockSize, kLargeBlockCount, kPoolAlignment, false);
    // Small blocks overflow into large ones, large ones into the heap; a pool
    // that could not be made is left out of the chain.
    if (smallBlockPool != nullptr) {
        Allocator::SetFallback(smallBlockPool, largeBlockPool != nullptr ? largeBlockPool : GetDefaultAllocator());
    }
    if (largeBlockPool != nullptr) Allocator::SetFallback(largeBlockPool, GetDefaultAllocator());
    Allocator* scriptMemory = smallBlockPool != nullptr ? smallBlockPool : largeBlockPool;
    SetScriptVMAllocator(scriptMemory);
    SetScriptObjectAllocator(scriptMemory);

    // Category volumes from the config slots; category 4 (voices) plays one
    // at a time, the newest replacing the oldest, and ducks category 1 (music).
    for (int32_t slot : {kConfigSoundVolBgm, kConfigSoundVolSe, kConfigSoundVolVoice}) {
        SetConfigValue(slot, GetConfigValue(slot));
    }
    SetCategoryParams(4, 1, 0);
    SetCategoryDucking(1, 4, 0.65f, 100, 1000);
    oggVoices = CreateOggVoicePool(3, 2, nullptr);
    adpcmVoices = CreateAdpcmVoicePool(16, 2, nullptr);

    pack = OpenPackFile(GetFsMgrSlot(kSlotWorkingFolder), kPackName, nullptr);
    if (pack == nullptr) {
        ShowMessageBox("Failed to load data files", "Initializing Error", kMessageBoxError);
        PostQuit(1);
        return;
    }
    SetFsMgrSlot(kSlotPack, pack);
    scriptFolder = DirMgr(pack, "script", nullptr);
    ForgetMissingBattleFiles();

    // The effect system starts here on the pack, and the field renderer loads its shaders.
    EfcInitialize(pack, 0);
    EffectSystem::Create(pack);
    LoadFieldShaders(this);

    LoadPuppetNames();
    StartScript();
    initialised = 1;
}

void App::LoadPuppetNames() {
    names.count = 0;
    Stream* stream = FsMgr::OpenStream(pack, kPuppetNameFile, 0, 0, kOpenRead, nullptr);
    if (stream == nullptr) return;
    ReadPuppetNames(stream, &names);
    stream->Release();
}

void App::StartScript() {
    RandomSeed(nullptr, fixedSeed ? seed : static_cast<uint32_t>(GetTimeMicros()));
    HSQUIRRELVM v = CreateScriptVM();
    if (v == nullptr) {
        scriptStopped = 1;
        return;
    }
    scriptStarted_ = true;
    RegisterScriptInterfaces();
    sq_setforeignptr(v, this);
    SetCurrentFsMgr(pack);
    RegisterBattleClasses();
    // A battle dropped by the scripts without App.EndBattle stops being current.
    SetBattleReleasedHook([](QmBattle* dying) {
        if (App* app = GetApp(); app != nullptr && app->battle == dying) app->battle = nullptr;
    });
    RegisterAppScriptTable(this);
    if (autoBattle) SetScriptBool(&appTable, "AutoBattle", true);
    DoScriptFile(v, kFirstScript, scriptFolder, nullptr);
    scriptStopped = CallScriptFunction(v, "AppInitialize") ? 0 : 1;
}

void App::Update() {
    PollInput();
    if (battle != nullptr) {
        const PointerState* pointer = GetPointerState(0);
        battle->Update(pointer->history[0][0], pointer->history[0][1]);
    }
    EfcUpdate();
    if (scriptStopped == 0 && !CallScriptFunction(GetScriptVM(), "AppUpdate")) scriptStopped = 1;
}

void App::PollInput() {
    const PointerState* left = GetPointerState(0);
    const PointerState* right = GetPointerState(1);
    const PointerState* wheel = GetPointerState(2);
    const ControllerState* keys = GetControllerState(0);
    QueueInputEvents(*left, *right, *wheel, *keys, &dragReported, &events);
}

void App::PushEvent(int32_t code, int32_t argument) { events.Push(code, argument); }

void App::Draw() {
    GlState::SetCullMode(kCullBack);
    GlState::SetDepthFunc(GL_LESS);
    if (battle != nullptr) {
        battle->Draw();
    } else {
        const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        GlClearColorBuffer(black);
        GlClearDepthBuffer(1.0f);
    }
    glFlush();
}

void App::Draw2D() {
    RebindStd2dProgram();
    if (battle != nullptr) EfcDrawScreen();  // the screen effects lie under the layers
    DrawGlobalLayerList();
    UnbindStd2dProgram();
    glFlush();
}

void App::Finalize() {
    if (scriptStarted_) {
        CallScriptFunction(GetScriptVM(), "AppFinalize");
        CloseScriptVM();
        ShutdownScriptInterfaces();
        SetCurrentFsMgr(nullptr);
        scriptStarted_ = false;
    }
    battle = nullptr;
    // The field shaders are released and the effect system stops here.
    EffectSystem::Destroy();
    GetFieldShaderSet()->Release();
    EfcFinalize();

    FsMgr::Release(scriptFolder);
    scriptFolder = nullptr;
    if (pack != nullptr && GetFsMgrSlot(kSlotPack) == pack) SetFsMgrSlot(kSlotPack, nullptr);
    FsMgr::Release(pack);
    pack = nullptr;

    // After the scripts: their players have stopped and given their voices back.
    DestroyVoicePool(adpcmVoices);
    adpcmVoices = nullptr;
    DestroyVoicePool(oggVoices);
    oggVoices = nullptr;
    Allocator* scriptMemory = smallBlockPool != nullptr ? smallBlockPool : largeBlockPool;
    if (scriptMemory != nullptr && GetScriptVMAllocator() == scriptMemory) SetScriptVMAllocator(nullptr);
    if (scriptMemory != nullptr && GetScriptObjectAllocator() == scriptMemory) SetScriptObjectAllocator(nullptr);
    DestroyAllocator(largeBlockPool);
    largeBlockPool = nullptr;
    DestroyAllocator(smallBlockPool);
    smallBlockPool = nullptr;
    initialised = 0;
}

void App::OnLostDevice() {
    if (battle != nullptr) {
        battle->OnLostDevice();
    }
    // The field shaders are released and the effects drop their GL objects here.
    GetFieldShaderSet()->Release();
    EfcOnLostDevice();
}

void App::OnResetDevice() {
    // The effects rebuild their GL objects and the field shaders reload here.
    EfcOnResetDevice();
    LoadFieldShaders(this);
    if (battle != nullptr) {
        battle->RestoreDevice();
    }
}

void App::OnNotify(int key, int down) {
    // F1 opens the micro-blog post dialog when the account is linked.
    if (key == 1 && down != 0) PostDialog::Show();
}

void App::SetConfigValue(int32_t slot, int32_t value) {
    int32_t* setting = AppConfigSlot(&GetAppConfig(), slot);
    if (setting == nullptr) return;
    *setting = value;
    int32_t categories[2];
    int count = SoundCategoriesOfConfigSlot(slot, categories);
    for (int i = 0; i < count; ++i) {
        SetCategoryVolume(categories[i], static_cast<float>(value) * 0.01f);
    }
}

int32_t App::GetConfigValue(int32_t slot) const {
    const int32_t* setting = AppConfigSlot(&GetAppConfig(), slot);
    return setting != nullptr ? *setting : 0;
}

int32_t LoadShaderProgram(App* app, const char* name) {
    if (name == nullptr) name = "";
    DebugPrint("Load Shader: %s", name);
    if (app == nullptr || app->pack == nullptr) {
        LogError("shader \"%s\": no pack to load it from", name);
        return -1;
    }
    std::string vertexPath = std::string("shader/") + name + ".vs";
    std::string fragmentPath = std::string("shader/") + name + ".fs";
    return BuildShaderProgramFromFiles(name, vertexPath.c_str(), fragmentPath.c_str(), app->pack, nullptr);
}
