// The battle's one front door to every effect: effect ids and handles, the
// built-in screen effects (arrows, focus lines, rain), the move-to tweens
// that glide a particle effect to a point, the per-frame update and the
// three draw passes. Ids 0..255 name the particle effects of the effect
// list and are played by whatever EfcFxBackend is installed; without one
// they start nothing and say so. Main thread only.
#pragma once

#include <cstdint>

class QmEfc;
class QmField;
struct CameraParams;
struct FsMgr;

// -1 = none; 0 and above = a particle-effect handle; -1024..-1026 = a
// built-in (minus its id); any other negative value names nothing.
using EfcHandle = int32_t;

constexpr EfcHandle kEfcNone = -1;
constexpr int32_t kEfcArrowId = 1024;
constexpr int32_t kEfcFocusLinesId = 1025;
constexpr int32_t kEfcRainId = 1026;
constexpr int32_t kEfcBuiltInCount = 3;
constexpr int32_t kEfcTweenSlots = 16;

// The particle-effect system as the framework sees it.
class EfcFxBackend {
public:
    // A handle of 0 and above, or -1 (with its own log line for a bad id).
    virtual int32_t Play(int32_t id, const float from[3], const float to[3], int32_t flag) = 0;
    virtual void Stop(int32_t handle) = 0;
    // 1 when the handle no longer plays.
    virtual int32_t IsEnd(int32_t handle) = 0;
    virtual void GetLocation(int32_t handle, float out[3]) = 0;
    virtual void SetLocation(int32_t handle, const float point[3]) = 0;
    virtual void Update() = 0;
    virtual void Draw(const CameraParams* camera) = 0;
    virtual void OnLostDevice() = 0;
    virtual void OnResetDevice() = 0;

protected:
    ~EfcFxBackend() = default;
};

// A running move of a particle effect; handle -1 = a free slot.
struct EffectTween {
    int32_t handle;
    int32_t frame;
    int32_t frames;
    float from[3];
    float to[3];
};

// Not owned; null removes it. Installed after EfcInitialize by the effect system.
void EfcSetFxBackend(EfcFxBackend* backend);

// Makes the three built-ins, loading their files through `pack`; `reserved` is ignored.
void EfcInitialize(FsMgr* pack, int32_t reserved);
// Deletes the built-ins and frees every tween slot.
void EfcFinalize();
void EfcOnLostDevice();
void EfcOnResetDevice();

// The running built-ins, then one step of each busy tween, then the particle effects.
void EfcUpdate();
// The 3D pass (inside the field's polygon offset), the pass inside the
// field's object-model pass (material shader bound) and the 2D pass (Std2d
// bound). A null camera means the context's camera.
void EfcDraw(const CameraParams* camera);
void EfcDrawModels(const CameraParams* camera);
void EfcDrawScreen();

EfcHandle EfcStartEffect(int32_t id, const float from[3], const float to[3], int32_t flag);
void EfcStopEffect(EfcHandle handle);
// Built-in handles only.
void EfcSetEffectParameter(EfcHandle handle, int32_t index, float value);
// Particle-effect handles only; dropped when all 16 tween slots are busy.
void EfcMoveEffectTo(EfcHandle handle, int32_t frames, const float to[3]);
// 1 for handles that name nothing.
int32_t EfcIsEffectEnd(EfcHandle handle);

// The battle's field and camera; both null outside battles. Neither is owned.
void EfcSetContext(QmField* field, const CameraParams* camera);

// The built-in of `id` (1024..1026), or null; for the battle's tools and tests.
QmEfc* EfcGetBuiltIn(int32_t id);
const EffectTween* EfcGetTweens();
