#include "fx/manager_implemented.h"

#include <cassert>
#include <chrono>
#include <cstdlib>
#include <new>

#include "fx/default_effect_loader.h"
#include "fx/effect.h"
#include "fx/effect_node.h"
#include "fx/fx_renderers.h"
#include "fx/instance_container.h"
#include "fx/resource_loaders.h"
#include "fx/sound_player.h"
#include "platform/debug_log.h"

namespace Fx {

namespace {

void* HeapAllocate(unsigned int size) { return std::malloc(size); }
void HeapRelease(void* memory, unsigned int) { std::free(memory); }

int64_t NowMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// A play whose root has children that are done generating and whose sound
// has ended is finished once only the root instance is left.
bool RootChildrenDone(const EffectNode& root, float rootAge) {
    for (const auto& child : root.children) {
        if (LastGenerationEnd(child->common) > rootAge) return false;
    }
    return true;
}

}  // namespace

Manager* Manager::Create(int instanceMax, bool autoFlip) { return new ManagerImplemented(instanceMax, autoFlip); }

Instance* DrawSet::GetRootInstance() const { return global == nullptr ? nullptr : global->GetRootInstance(); }

ManagerImplemented::ManagerImplemented(int instanceMax, bool autoFlip)
    : autoFlip_(autoFlip),
      mallocFunc_(HeapAllocate),
      freeFunc_(HeapRelease),
      randFunc_(DefaultRandom),
      instanceMax_(instanceMax > 0 ? instanceMax : 0),
      bufferSize_((sizeof(Instance) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
                  alignof(std::max_align_t)),
      effectLoader_(new DefaultEffectLoader()) {
    renderingDrawSets_.reserve(64);
    pool_.reset(new unsigned char[bufferSize_ * static_cast<size_t>(instanceMax_)]);
    freeQueue_.resize(static_cast<size_t>(instanceMax_));
    for (int i = 0; i < instanceMax_; ++i) freeQueue_[static_cast<size_t>(i)] = pool_.get() + bufferSize_ * i;
    freeCount_ = instanceMax_;
}

ManagerImplemented::~ManagerImplemented() {
    CollectAll();
    effectLoader_.reset();
    textureLoader_.reset();
    spriteRenderer_.reset();
    ribbonRenderer_.reset();
    modelRenderer_.reset();
    ringRenderer_.reset();
    soundLoader_.reset();
    soundPlayer_.reset();
    modelLoader_.reset();
}

void ManagerImplemented::CollectAll() {
    StopAllEffects();
    RunPendingStops();
    for (int i = 0; i < 5; ++i) Collect(true);
}

void ManagerImplemented::Destroy() {
    CollectAll();
    Release();
}

int ManagerImplemented::AddRef() { return ++referenceCount_; }

int ManagerImplemented::Release() {
    int count = --referenceCount_;
    if (count == 0) delete this;
    return count;
}

void ManagerImplemented::SetSpriteRenderer(SpriteRenderer* renderer) { spriteRenderer_.reset(renderer); }
void ManagerImplemented::SetRibbonRenderer(RibbonRenderer* renderer) { ribbonRenderer_.reset(renderer); }
void ManagerImplemented::SetRingRenderer(RingRenderer* renderer) { ringRenderer_.reset(renderer); }
void ManagerImplemented::SetModelRenderer(ModelRenderer* renderer) { modelRenderer_.reset(renderer); }
void ManagerImplemented::SetEffectLoader(EffectLoader* loader) { effectLoader_.reset(loader); }
void ManagerImplemented::SetTextureLoader(TextureLoader* loader) { textureLoader_.reset(loader); }
void ManagerImplemented::SetSoundPlayer(SoundPlayer* player) { soundPlayer_.reset(player); }
void ManagerImplemented::SetSoundLoader(SoundLoader* loader) { soundLoader_.reset(loader); }
void ManagerImplemented::SetModelLoader(ModelLoader* loader) { modelLoader_.reset(loader); }

void* ManagerImplemented::PopFreeInstance() {
    if (freeCount_ == 0) {
        if (!shortageLogged_)
            LogWarning("Effect instance pool of %d is exhausted; instances are skipped.", instanceMax_);
        shortageLogged_ = true;
        return nullptr;
    }
    void* buffer = freeQueue_[static_cast<size_t>(freeHead_)];
    freeHead_ = (freeHead_ + 1) % instanceMax_;
    --freeCount_;
    return buffer;
}

void ManagerImplemented::PushFreeInstance(void* buffer) {
    freeQueue_[static_cast<size_t>((freeHead_ + freeCount_) % instanceMax_)] = buffer;
    ++freeCount_;
    shortageLogged_ = false;
}

InstanceContainer* ManagerImplemented::CreateContainerTree(EffectNode* node, InstanceGlobal* global, bool isRoot) {
    void* memory = mallocFunc_(sizeof(InstanceContainer));
    auto* container = new (memory) InstanceContainer(this, node, global);
    for (int i = 0; i < node->GetChildCount(); ++i)
        container->SetChild(i, CreateContainerTree(node->GetChild(i), global, false));
    if (isRoot) {
        InstanceGroup* group = container->CreateGroup();
        Instance* root = group->CreateInstance();
        root->Initialize(nullptr, 0);
        group->referencedByInstance = false;
    }
    return container;
}

void ManagerImplemented::DestroyContainerTree(InstanceContainer* container) {
    if (container == nullptr) return;
    container->RemoveForcibly(true);
    container->~InstanceContainer();
    freeFunc_(container, sizeof(InstanceContainer));
}

Handle ManagerImplemented::Play(Effect* effect, float x, float y, float z) {
    AssertOwnerThread();
    if (effect == nullptr || effect->GetRoot() == nullptr) return -1;
    DrawSet drawSet;
    drawSet.effect = effect;
    drawSet.global = new InstanceGlobal();
    drawSet.rootContainer = CreateContainerTree(effect->GetRoot(), drawSet.global, true);
    drawSet.global->SetRootContainer(drawSet.rootContainer);
    drawSet.baseMatrix.SetIdentity();
    Instance* root = drawSet.GetRootInstance();
    Matrix43 matrix = root->GetGlobalMatrix43();
    matrix.value[3][0] = x;
    matrix.value[3][1] = y;
    matrix.value[3][2] = z;
    root->SetGlobalMatrix43(matrix);
    drawSet.globalMatrix = matrix;
    effect->AddRef();

    Handle handle = nextHandle_;
    nextHandle_ = nextHandle_ == INT32_MAX ? 0 : nextHandle_ + 1;
    drawSets_[handle] = drawSet;
    return handle;
}

void ManagerImplemented::AssertOwnerThread() const { assert(std::this_thread::get_id() == ownerThread_); }

DrawSet* ManagerImplemented::FindLive(Handle handle) {
    AssertOwnerThread();
    auto found = drawSets_.find(handle);
    return found == drawSets_.end() ? nullptr : &found->second;
}

void ManagerImplemented::StopEffect(Handle handle) {
    if (DrawSet* drawSet = FindLive(handle)) drawSet->goingToStop = drawSet->removing = true;
}

void ManagerImplemented::StopAllEffects() {
    AssertOwnerThread();
    for (auto& entry : drawSets_) entry.second.goingToStop = entry.second.removing = true;
}

void ManagerImplemented::StopRoot(Effect* effect) {
    AssertOwnerThread();
    for (auto& entry : drawSets_)
        if (entry.second.effect == effect) entry.second.goingToStopRoot = true;
}

void ManagerImplemented::StopRoot(Handle handle) {
    if (DrawSet* drawSet = FindLive(handle)) drawSet->goingToStopRoot = true;
}

bool ManagerImplemented::Exists(Handle handle) {
    DrawSet* drawSet = FindLive(handle);
    return drawSet != nullptr && !drawSet->removing;
}

int32_t ManagerImplemented::GetInstanceCount(Handle handle) {
    DrawSet* drawSet = FindLive(handle);
    return drawSet == nullptr ? 0 : drawSet->global->GetInstanceCount();
}

Matrix43 ManagerImplemented::GetMatrix(Handle handle) {
    Matrix43 matrix{};
    DrawSet* drawSet = FindLive(handle);
    Instance* root = drawSet == nullptr ? nullptr : drawSet->GetRootInstance();
    if (root != nullptr) matrix = root->GetGlobalMatrix43();
    return matrix;
}

void ManagerImplemented::StoreRootMatrix(DrawSet& drawSet, const Matrix43& matrix) {
    if (Instance* root = drawSet.GetRootInstance()) root->SetGlobalMatrix43(matrix);
    drawSet.globalMatrix = matrix;
}

void ManagerImplemented::SetMatrix(Handle handle, const Matrix43& matrix) {
    if (DrawSet* drawSet = FindLive(handle)) StoreRootMatrix(*drawSet, matrix);
}

Vector3D ManagerImplemented::GetLocation(Handle handle) {
    Matrix43 matrix = GetMatrix(handle);
    return Vector3D(matrix.value[3][0], matrix.value[3][1], matrix.value[3][2]);
}

void ManagerImplemented::SetLocation(Handle handle, float x, float y, float z) {
    DrawSet* drawSet = FindLive(handle);
    if (drawSet == nullptr || drawSet->GetRootInstance() == nullptr) return;
    Matrix43 matrix = drawSet->GetRootInstance()->GetGlobalMatrix43();
    matrix.value[3][0] = x;
    matrix.value[3][1] = y;
    matrix.value[3][2] = z;
    StoreRootMatrix(*drawSet, matrix);
}

void ManagerImplemented::SetLocation(Handle handle, const Vector3D& location) {
    SetLocation(handle, location.x, location.y, location.z);
}

void ManagerImplemented::AddLocation(Handle handle, const Vector3D& location) {
    DrawSet* drawSet = FindLive(handle);
    if (drawSet == nullptr || drawSet->GetRootInstance() == nullptr) return;
    Matrix43 matrix = drawSet->GetRootInstance()->GetGlobalMatrix43();
    matrix.value[3][0] += location.x;
    matrix.value[3][1] += location.y;
    matrix.value[3][2] += location.z;
    StoreRootMatrix(*drawSet, matrix);
}

void ManagerImplemented::SetRotation(Handle handle, const Vector3D& axis, float angle) {
    DrawSet* drawSet = FindLive(handle);
    if (drawSet == nullptr || drawSet->GetRootInstance() == nullptr) return;
    Vector3D scale, translation;
    Matrix43 rotation, matrix;
    drawSet->GetRootInstance()->GetGlobalMatrix43().Decompose(scale, rotation, translation);
    rotation.SetRotationAxis(axis, angle);
    matrix.Compose(scale, rotation, translation);
    StoreRootMatrix(*drawSet, matrix);
}

void ManagerImplemented::SetRotation(Handle handle, float x, float y, float z) {
    DrawSet* drawSet = FindLive(handle);
    if (drawSet == nullptr || drawSet->GetRootInstance() == nullptr) return;
    Vector3D scale, translation;
    Matrix43 rotation, matrix;
    drawSet->GetRootInstance()->GetGlobalMatrix43().Decompose(scale, rotation, translation);
    rotation.SetRotationZXY(z, x, y);
    matrix.Compose(scale, rotation, translation);
    StoreRootMatrix(*drawSet, matrix);
}

void ManagerImplemented::SetScale(Handle handle, float x, float y, float z) {
    DrawSet* drawSet = FindLive(handle);
    if (drawSet == nullptr || drawSet->GetRootInstance() == nullptr) return;
    Vector3D scale, translation;
    Matrix43 rotation, matrix;
    drawSet->GetRootInstance()->GetGlobalMatrix43().Decompose(scale, rotation, translation);
    matrix.Compose(Vector3D(x, y, z), rotation, translation);
    StoreRootMatrix(*drawSet, matrix);
}

Matrix43 ManagerImplemented::GetBaseMatrix(Handle handle) {
    Matrix43 matrix{};
    if (DrawSet* drawSet = FindLive(handle)) matrix = drawSet->baseMatrix;
    return matrix;
}

void ManagerImplemented::SetBaseMatrix(Handle handle, const Matrix43& matrix) {
    if (DrawSet* drawSet = FindLive(handle)) {
        drawSet->baseMatrix = matrix;
        drawSet->useBaseMatrix = true;
    }
}

void ManagerImplemented::SetRemovingCallback(Handle handle, EffectRemovingCallback callback) {
    if (DrawSet* drawSet = FindLive(handle)) drawSet->removingCallback = callback;
}

void ManagerImplemented::SetShown(Handle handle, bool shown) {
    if (DrawSet* drawSet = FindLive(handle)) drawSet->shown = shown;
}

void ManagerImplemented::SetPaused(Handle handle, bool paused) {
    if (DrawSet* drawSet = FindLive(handle)) drawSet->paused = paused;
}

void ManagerImplemented::SetSpeed(Handle handle, float speed) {
    if (DrawSet* drawSet = FindLive(handle)) drawSet->speed = speed;
}

void ManagerImplemented::SetAutoDrawing(Handle handle, bool autoDraw) {
    if (DrawSet* drawSet = FindLive(handle)) drawSet->autoDrawing = autoDraw;
}

void ManagerImplemented::RunPendingStops() {
    for (auto& entry : drawSets_) {
        DrawSet& drawSet = entry.second;
        if (drawSet.goingToStop) {
            if (drawSet.rootContainer != nullptr) drawSet.rootContainer->KillAllInstances(true);
            drawSet.removing = true;
            if (GetSoundPlayer() != nullptr) GetSoundPlayer()->StopTag(drawSet.global);
        }
        if (drawSet.goingToStopRoot && drawSet.rootContainer != nullptr)
            drawSet.rootContainer->KillAllInstances(false);
    }
}

bool ManagerImplemented::IsFinished(const DrawSet& drawSet) const {
    if (drawSet.removing) return true;
    int32_t count = drawSet.global->GetInstanceCount();
    if (count == 0) return true;
    if (count != 1) return false;
    Instance* root = drawSet.GetRootInstance();
    if (root == nullptr || root->GetState() != kInstanceActive) return false;
    const EffectNode* rootNode = drawSet.effect->GetRoot();
    if (rootNode != nullptr && !RootChildrenDone(*rootNode, root->GetLivingTime())) return false;
    SoundPlayer* player = GetSoundPlayer();
    return player == nullptr || !player->CheckPlayingTag(drawSet.global);
}

void ManagerImplemented::FreeDrawSet(DrawSet& drawSet) {
    DestroyContainerTree(drawSet.rootContainer);
    drawSet.rootContainer = nullptr;
    drawSet.effect->Release();
    delete drawSet.global;
}

void ManagerImplemented::Collect(bool removingAll) {
    for (auto& entry : removingDrawSets_[1]) FreeDrawSet(entry.second);
    removingDrawSets_[1].clear();
    removingDrawSets_[1].swap(removingDrawSets_[0]);

    for (auto it = drawSets_.begin(); it != drawSets_.end();) {
        if (!IsFinished(it->second)) {
            ++it;
            continue;
        }
        Handle handle = it->first;
        StopEffect(handle);
        if (it->second.removingCallback != nullptr) it->second.removingCallback(this, handle, removingAll);
        removingDrawSets_[0].insert(*it);
        it = drawSets_.erase(it);
    }
}

void ManagerImplemented::Flip() {
    std::unique_lock<std::recursive_mutex> guard(lock_, std::defer_lock);
    if (!autoFlip_) guard.lock();
    RunPendingStops();
    Collect(false);
    renderingDrawSets_.clear();
    for (auto& entry : drawSets_) renderingDrawSets_.push_back(entry.second);
}

void ManagerImplemented::Update(float deltaFrame) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (autoFlip_) Flip();
    ++sequenceNumber_;
    int64_t start = NowMicroseconds();
    for (DrawSet& drawSet : renderingDrawSets_) {
        if (drawSet.paused || drawSet.rootContainer == nullptr) continue;
        float delta = deltaFrame * drawSet.speed;
        drawSet.rootContainer->Update(true, delta, drawSet.shown);
        if (drawSet.useBaseMatrix) drawSet.rootContainer->SetBaseMatrix(true, drawSet.baseMatrix);
        drawSet.global->AddUpdatedFrame(delta);
    }
    updateTime_ = static_cast<int>(NowMicroseconds() - start);
}

void ManagerImplemented::Draw() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    int64_t start = NowMicroseconds();
    for (DrawSet& drawSet : renderingDrawSets_)
        if (drawSet.shown && drawSet.autoDrawing && drawSet.rootContainer != nullptr)
            drawSet.rootContainer->Draw(true);
    drawTime_ = static_cast<int>(NowMicroseconds() - start);
}

void ManagerImplemented::DrawHandle(Handle handle) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    auto found = drawSets_.find(handle);
    DrawSet* drawSet = found == drawSets_.end() ? nullptr : &found->second;
    if (drawSet != nullptr && drawSet->shown && drawSet->rootContainer != nullptr)
        drawSet->rootContainer->Draw(true);
}

void ManagerImplemented::BeginReloadEffect(Effect* effect) {
    lock_.lock();
    for (auto& entry : drawSets_) {
        DrawSet& drawSet = entry.second;
        if (drawSet.effect != effect) continue;
        DestroyContainerTree(drawSet.rootContainer);
        drawSet.rootContainer = nullptr;
        drawSet.global->SetRootContainer(nullptr);
    }
}

void ManagerImplemented::EndReloadEffect(Effect* effect) {
    for (auto& entry : drawSets_) {
        DrawSet& drawSet = entry.second;
        if (drawSet.effect != effect || effect->GetRoot() == nullptr) continue;
        drawSet.rootContainer = CreateContainerTree(effect->GetRoot(), drawSet.global, true);
        drawSet.global->SetRootContainer(drawSet.rootContainer);
        drawSet.GetRootInstance()->SetGlobalMatrix43(drawSet.globalMatrix);
        float frames = drawSet.global->GetUpdatedFrame() - 1.0f;
        // Each step counts as an update of its own, or the instances would
        // keep the matrices of the first.
        for (float t = 0.0f; t < frames; t += 1.0f) {
            ++sequenceNumber_;
            drawSet.rootContainer->Update(true, 1.0f, false);
        }
        ++sequenceNumber_;
        drawSet.rootContainer->Update(true, 1.0f, drawSet.shown);
    }
    // The rendering list's copies still point at the trees just replaced; a
    // Draw before the next flip must not walk them.
    for (DrawSet& copy : renderingDrawSets_) {
        if (copy.effect != effect) continue;
        copy.rootContainer = copy.global->GetRootContainer();
    }
    lock_.unlock();
}

}  // namespace Fx
