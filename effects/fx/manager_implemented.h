// The manager: a draw set per play keyed by handle, a fixed pool of instance
// buffers handed out first in, first out, and the renderers, loaders and
// sound player it owns. A play is live (Exists) -> removing (stopped, still
// updated and drawn until the next flip) -> collection stage 0 -> stage 1 ->
// freed, so the copies of the rendering list never point at freed memory.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "fx/instance.h"
#include "fx/manager.h"

namespace Fx {

class InstanceContainer;
class InstanceGlobal;

struct DrawSet {
    Effect* effect = nullptr;  // one reference held
    InstanceContainer* rootContainer = nullptr;
    InstanceGlobal* global = nullptr;  // owned; also the play's sound tag
    bool paused = false;
    bool shown = true;
    bool autoDrawing = true;
    bool removing = false;
    bool useBaseMatrix = false;
    bool goingToStop = false;
    bool goingToStopRoot = false;
    EffectRemovingCallback removingCallback = nullptr;
    Matrix43 baseMatrix;
    Matrix43 globalMatrix;
    float speed = 1.0f;

    Instance* GetRootInstance() const;
};

class ManagerImplemented : public Manager {
public:
    ManagerImplemented(int instanceMax, bool autoFlip);

    void Destroy() override;
    int AddRef() override;
    int Release() override;

    MallocFunc GetMallocFunc() const override { return mallocFunc_; }
    void SetMallocFunc(MallocFunc func) override { mallocFunc_ = func; }
    FreeFunc GetFreeFunc() const override { return freeFunc_; }
    void SetFreeFunc(FreeFunc func) override { freeFunc_ = func; }
    RandFunc GetRandFunc() const override { return randFunc_; }
    void SetRandFunc(RandFunc func) override { randFunc_ = func; }
    int GetRandMax() const override { return randMax_; }
    void SetRandMax(int max) override { randMax_ = max; }
    int GetCoordinateSystem() const override { return coordinateSystem_; }
    void SetCoordinateSystem(int coordinateSystem) override { coordinateSystem_ = coordinateSystem; }

    SpriteRenderer* GetSpriteRenderer() const override { return spriteRenderer_.get(); }
    void SetSpriteRenderer(SpriteRenderer* renderer) override;
    RibbonRenderer* GetRibbonRenderer() const override { return ribbonRenderer_.get(); }
    void SetRibbonRenderer(RibbonRenderer* renderer) override;
    RingRenderer* GetRingRenderer() const override { return ringRenderer_.get(); }
    void SetRingRenderer(RingRenderer* renderer) override;
    ModelRenderer* GetModelRenderer() const override { return modelRenderer_.get(); }
    void SetModelRenderer(ModelRenderer* renderer) override;
    EffectLoader* GetEffectLoader() const override { return effectLoader_.get(); }
    void SetEffectLoader(EffectLoader* loader) override;
    TextureLoader* GetTextureLoader() const override { return textureLoader_.get(); }
    void SetTextureLoader(TextureLoader* loader) override;
    SoundPlayer* GetSoundPlayer() const override { return soundPlayer_.get(); }
    void SetSoundPlayer(SoundPlayer* player) override;
    SoundLoader* GetSoundLoader() const override { return soundLoader_.get(); }
    void SetSoundLoader(SoundLoader* loader) override;
    ModelLoader* GetModelLoader() const override { return modelLoader_.get(); }
    void SetModelLoader(ModelLoader* loader) override;

    void StopEffect(Handle handle) override;
    void StopAllEffects() override;
    void StopRoot(Effect* effect) override;
    void StopRoot(Handle handle) override;
    bool Exists(Handle handle) override;
    int32_t GetInstanceCount(Handle handle) override;
    Matrix43 GetMatrix(Handle handle) override;
    void SetMatrix(Handle handle, const Matrix43& matrix) override;
    Vector3D GetLocation(Handle handle) override;
    void SetLocation(Handle handle, float x, float y, float z) override;
    void SetLocation(Handle handle, const Vector3D& location) override;
    void AddLocation(Handle handle, const Vector3D& location) override;
    void SetRotation(Handle handle, const Vector3D& axis, float angle) override;
    void SetRotation(Handle handle, float x, float y, float z) override;
    void SetScale(Handle handle, float x, float y, float z) override;
    Matrix43 GetBaseMatrix(Handle handle) override;
    void SetBaseMatrix(Handle handle, const Matrix43& matrix) override;
    void SetRemovingCallback(Handle handle, EffectRemovingCallback callback) override;
    void SetShown(Handle handle, bool shown) override;
    void SetPaused(Handle handle, bool paused) override;
    void SetSpeed(Handle handle, float speed) override;
    void SetAutoDrawing(Handle handle, bool autoDraw) override;

    void Flip() override;
    void Update(float deltaFrame = 1.0f) override;
    void Draw() override;
    void DrawHandle(Handle handle) override;
    Handle Play(Effect* effect, float x, float y, float z) override;

    int GetUpdateTime() const override { return updateTime_; }
    int GetDrawTime() const override { return drawTime_; }
    int32_t GetRestInstancesCount() const override { return freeCount_; }

    void BeginReloadEffect(Effect* effect) override;
    void EndReloadEffect(Effect* effect) override;

    // The instance pool; null when it is empty (logged once per shortage).
    void* PopFreeInstance();
    void PushFreeInstance(void* buffer);
    // The number of Update calls so far; instances build their matrices once
    // per value.
    int32_t GetSequenceNumber() const { return sequenceNumber_; }
    // The lock the manager holds around update, draw, flip and reload; the
    // engine's glue may take it too, as it is recursive.
    std::recursive_mutex& GetLock() { return lock_; }

protected:
    // Destroy (or the last Release) ends a manager.
    ~ManagerImplemented() override;

private:
    InstanceContainer* CreateContainerTree(EffectNode* node, InstanceGlobal* global, bool isRoot);
    void DestroyContainerTree(InstanceContainer* container);
    void RunPendingStops();
    void Collect(bool removingAll);
    void FreeDrawSet(DrawSet& drawSet);
    void CollectAll();
    // For the unlocked calls (play, stops, setters): the thread that made
    // the manager is the only one allowed them; checked in debug builds.
    DrawSet* FindLive(Handle handle);
    void AssertOwnerThread() const;
    // Rewrites the root instance's matrix and keeps the draw set's copy.
    void StoreRootMatrix(DrawSet& drawSet, const Matrix43& matrix);
    bool IsFinished(const DrawSet& drawSet) const;

    int referenceCount_ = 1;
    bool autoFlip_;
    Handle nextHandle_ = 0;
    MallocFunc mallocFunc_;
    FreeFunc freeFunc_;
    RandFunc randFunc_;
    int randMax_ = kDefaultRandMax;
    int coordinateSystem_ = kCoordinateSystemRightHanded;

    int instanceMax_;
    std::unique_ptr<unsigned char[]> pool_;
    size_t bufferSize_;
    std::vector<void*> freeQueue_;  // a ring of instanceMax_ slots
    int32_t freeHead_ = 0, freeCount_ = 0;
    bool shortageLogged_ = false;

    std::map<Handle, DrawSet> drawSets_;
    std::map<Handle, DrawSet> removingDrawSets_[2];
    std::vector<DrawSet> renderingDrawSets_;
    std::recursive_mutex lock_;

    std::unique_ptr<SpriteRenderer> spriteRenderer_;
    std::unique_ptr<RibbonRenderer> ribbonRenderer_;
    std::unique_ptr<RingRenderer> ringRenderer_;
    std::unique_ptr<ModelRenderer> modelRenderer_;
    std::unique_ptr<EffectLoader> effectLoader_;
    std::unique_ptr<TextureLoader> textureLoader_;
    std::unique_ptr<SoundPlayer> soundPlayer_;
    std::unique_ptr<SoundLoader> soundLoader_;
    std::unique_ptr<ModelLoader> modelLoader_;

    int updateTime_ = 0;
    int drawTime_ = 0;
    int32_t sequenceNumber_ = 0;
    std::thread::id ownerThread_ = std::this_thread::get_id();
};

}  // namespace Fx
