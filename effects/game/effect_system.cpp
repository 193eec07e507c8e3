// The particle-effect system: the manager, the renderer and the loaders it
// is given, the effect list, the battle and layer placement of a play, and
// the camera and screen passes.
#include "effects/game/effect_system.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "core/mat4.h"
#include "core/string_util.h"
#include "effects/game/effect_loaders.h"
#include "fs/dir_mgr.h"
#include "fs/file_loaders.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "fx/effect.h"
#include "fx/effect_node.h"
#include "fx/gl/model_loader.h"
#include "fx/gl/renderer.h"
#include "fx/manager.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "platform/debug_log.h"

namespace {

EffectSystem* gSystem = nullptr;

constexpr char kEffectFolder[] = "effect";
constexpr char kListName[] = "list.txt";
constexpr float kBattleScale = 32.0f;
constexpr float kBattleLift = 32.0f;
constexpr float kLayerScale = 56.0f;
constexpr float kLayerTilt = -1.5707964f;  // the effect's ground plane faces the screen
constexpr int kRandomMax = 0x7fffffff;

Fx::Matrix44 ToFxMatrix(const Mat4& m) {
    // Column-major GL matrices are row-vector matrices as they lie in memory.
    Fx::Matrix44 out;
    memcpy(out.value, m.m, sizeof m.m);
    return out;
}

int32_t CountNodes(const Fx::EffectNode* node) {
    if (node == nullptr) return 0;
    int32_t count = 1;
    for (const auto& child : node->children) count += CountNodes(child.get());
    return count;
}

}  // namespace

EffectSystem* EffectSystem::Get() { return gSystem; }

EffectSystem* EffectSystem::Create(FsMgr* pack) {
    if (gSystem != nullptr) Destroy();
    FsMgr* folder = DirMgr(pack, kEffectFolder, nullptr);
    if (folder == nullptr) {
        LogFailed("open the effect folder");
        return nullptr;
    }
    auto* system = new EffectSystem();
    system->folder_ = folder;
    system->fileInterface_ = new QmFxFileInterface(folder);
    system->manager_ = Fx::Manager::Create(kEffectInstanceCount, true);
    system->CreateRenderer();
    system->manager_->SetSoundPlayer(new QmSoundPlayer(folder));
    system->textureLoader_ = new QmTextureLoader(folder);
    system->manager_->SetTextureLoader(system->textureLoader_);
    system->manager_->SetSoundLoader(new QmSoundLoader());
    system->manager_->SetModelLoader(new FxRenderer::ModelLoader(system->fileInterface_));
    RandomSeed(&system->random_, 0);
    gSystem = system;
    system->manager_->SetRandFunc(&EffectSystem::RandomCallback);
    system->manager_->SetRandMax(kRandomMax);
    system->LoadList();
    EfcSetFxBackend(system);
    return system;
}

void EffectSystem::Destroy() {
    if (gSystem == nullptr) return;
    EfcSetFxBackend(nullptr);
    delete gSystem;
    gSystem = nullptr;
}

EffectSystem::~EffectSystem() {
    ReleaseEffectsAndRenderers();
    manager_->Destroy();  // with the loaders and the sound player it holds
    delete fileInterface_;
    FsMgr::Release(folder_);
}

int EffectSystem::RandomCallback() {
    return gSystem != nullptr ? static_cast<int>(Random(&gSystem->random_) >> 1) : 0;
}

void EffectSystem::CreateRenderer() {
    renderer_ = FxRenderer::Renderer::Create(kEffectSquareCount);
    if (renderer_ == nullptr) return;
    manager_->SetSpriteRenderer(renderer_->CreateSpriteRenderer());
    manager_->SetRibbonRenderer(renderer_->CreateRibbonRenderer());
    manager_->SetRingRenderer(renderer_->CreateRingRenderer());
    manager_->SetModelRenderer(renderer_->CreateModelRenderer());
}

void EffectSystem::ReleaseEffectsAndRenderers() {
    manager_->StopAllEffects();
    for (Fx::Effect*& effect : effects_) {
        if (effect != nullptr) effect->Release();
        effect = nullptr;
    }
    manager_->SetModelRenderer(nullptr);
    manager_->SetRingRenderer(nullptr);
    manager_->SetRibbonRenderer(nullptr);
    manager_->SetSpriteRenderer(nullptr);
    if (renderer_ != nullptr) renderer_->Release();
    renderer_ = nullptr;
}

void EffectSystem::LoadList() {
    Stream* list = FsMgr::OpenStream(folder_, kListName, 0, 0, kOpenRead, nullptr);
    if (list == nullptr) {
        LogFailed("open %s", kListName);
        return;
    }
    char line[kEffectListLineSize];
    std::map<std::string, Fx::Effect*> loaded;  // by the name as the list writes it
    uint64_t bytesRead = 0;
    int32_t nodes = 0;
    for (int32_t id = 0; id < kEffectIdCount && list->State() == kStreamHasData; ++id) {
        // The rest of a line longer than the buffer is dropped, so later ids keep their line numbers.
        list->ReadLine(line, kEffectListLineSize, true);
        char* pieces[2] = {line, nullptr};
        const size_t count = SplitString(line, ',', pieces, 2);
        const char* name = count > 0 ? pieces[0] : "";
        auto keep = [&](Fx::Effect* effect) {
            if (effects_[id] != nullptr) effects_[id]->Release();
            effects_[id] = effect;
            flags_[id] = static_cast<uint8_t>(count > 1 ? atoi(pieces[1]) : 0);
        };
        const auto same = loaded.find(name);
        if (same != loaded.end()) {
            same->second->AddRef();
            keep(same->second);
            continue;
        }
        const int64_t size = EffectPathFits(name) ? FsMgr::GetFileSize(folder_, name) : -1;
        if (size > int64_t{kMaxEffectFileBytes}) {
            LogError("effect \"%s\": %lld bytes, more than the %u allowed", name, static_cast<long long>(size),
                     kMaxEffectFileBytes);
            continue;
        }
        if (size > 0 && bytesRead + static_cast<uint64_t>(size) > kEffectListBytes) {
            LogError("effect \"%s\": the list's %llu bytes of effect files are used up", name,
                     static_cast<unsigned long long>(kEffectListBytes));
            continue;
        }
        fileBuffer_.resize(size > 0 ? static_cast<size_t>(size) : 0);
        const uint32_t got =
            size > 0 ? LoadFileInto(folder_, name, fileBuffer_.data(), static_cast<uint32_t>(size), nullptr) : 0;
        if (got == 0) {
            LogFailed("open \"%s\".", name);
            continue;
        }
        bytesRead += got;
        Fx::Effect* effect = Fx::Effect::Create(manager_, fileBuffer_.data(), got, nullptr);
        const int32_t effectNodes = effect != nullptr ? CountNodes(effect->GetRoot()) : 0;
        if (effectNodes > kEffectListNodes - nodes) {
            LogError("effect \"%s\": its %d nodes do not fit the list's %d", name, effectNodes, kEffectListNodes);
            effect->Release();
            continue;
        }
        nodes += effectNodes;
        if (effect != nullptr) loaded[name] = effect;
        keep(effect);
    }
    list->Release();
    fileBuffer_.clear();
    fileBuffer_.shrink_to_fit();
}

Fx::Effect* EffectSystem::GetEffect(int32_t id) const {
    return id >= 0 && id < kEffectIdCount ? effects_[id] : nullptr;
}

uint8_t EffectSystem::GetFlag(int32_t id) const { return id >= 0 && id < kEffectIdCount ? flags_[id] : 0; }

Fx::Effect* EffectSystem::EffectOfId(int32_t id) const {
    Fx::Effect* effect = GetEffect(id);
    if (effect == nullptr) LogError("Invalid effect ID: %d", id);
    return effect;
}

int32_t EffectSystem::Play(int32_t id, const float from[3], const float to[3], int32_t flag) {
    Fx::Effect* effect = EffectOfId(id);
    if (effect == nullptr) return -1;
    const uint8_t lineFlag = flags_[id];
    float at[3] = {to[0], to[1], to[2]};
    if ((lineFlag & kEffectFromSource) != 0) at[0] = from[0], at[1] = from[1] - kBattleLift, at[2] = from[2];
    if (flag != 0 && (lineFlag & kEffectNeverRaise) == 0) at[1] += kBattleLift;
    const int32_t handle = manager_->Play(effect, at[0], at[1], at[2]);
    if (handle < 0) return -1;
    const float dx = to[0] - from[0], dz = to[2] - from[2];
    if (dx != 0.0f || dz != 0.0f) manager_->SetRotation(handle, Fx::Vector3D(0, 1, 0), -std::atan2(dz, dx));
    manager_->SetScale(handle, kBattleScale, kBattleScale, kBattleScale);
    return handle;
}

int32_t EffectSystem::PlayLayer(int32_t id, const float position[3]) {
    Fx::Effect* effect = EffectOfId(id);
    if (effect == nullptr) return -1;
    const int32_t handle = manager_->Play(effect, position[0], position[1], position[2]);
    if (handle < 0) return -1;
    manager_->SetScale(handle, kLayerScale, kLayerScale, kLayerScale);
    manager_->SetRotation(handle, Fx::Vector3D(1, 0, 0), kLayerTilt);
    // Drawn by its layer alone: the battle camera would draw its pixels as world units.
    manager_->SetAutoDrawing(handle, false);
    return handle;
}

void EffectSystem::DrawHandle(int32_t handle) {
    if (renderer_ == nullptr || !manager_->Exists(handle)) return;
    Mat4 projection;
    Mat4::Ortho(&projection, 0.0f, static_cast<float>(GetScreenWidth()), static_cast<float>(GetScreenHeight()), 0.0f,
                -1.0f, 1.0f);
    renderer_->SetCameraMatrix(Fx::Matrix44());
    renderer_->SetProjectionMatrix(ToFxMatrix(projection));
    renderer_->BeginRendering();
    manager_->DrawHandle(handle);
    renderer_->EndRendering();
}

void EffectSystem::Draw(const CameraParams* camera) {
    if (renderer_ == nullptr || camera == nullptr) return;
    Mat4 view, projection;
    Mat4::LookAt(&view, camera->eye, camera->target, camera->up);
    Mat4::Perspective(&projection, camera->fovy, camera->aspect, camera->nearZ, camera->farZ);
    renderer_->SetCameraMatrix(ToFxMatrix(view));
    renderer_->SetProjectionMatrix(ToFxMatrix(projection));
    renderer_->BeginRendering();
    manager_->Draw();
    renderer_->EndRendering();
}

void EffectSystem::Update() { manager_->Update(1.0f); }
void EffectSystem::Stop(int32_t handle) { manager_->StopEffect(handle); }
int32_t EffectSystem::IsEnd(int32_t handle) { return manager_->Exists(handle) ? 0 : 1; }

void EffectSystem::GetLocation(int32_t handle, float out[3]) {
    const Fx::Vector3D at = manager_->GetLocation(handle);
    out[0] = at.x, out[1] = at.y, out[2] = at.z;
}

void EffectSystem::SetLocation(int32_t handle, const float point[3]) {
    manager_->SetLocation(handle, point[0], point[1], point[2]);
}

void EffectSystem::OnLostDevice() { ReleaseEffectsAndRenderers(); }

void EffectSystem::OnResetDevice() {
    CreateRenderer();
    LoadList();
}
