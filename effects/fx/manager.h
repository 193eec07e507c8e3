// The effect runtime's centre as the rest of the runtime and the engine's
// glue see it: plays effects and hands out a handle per play, advances and
// draws them, and holds the loaders, renderers and sound player through which
// effects reach files, textures, models and sounds, plus the random function
// every draw goes through. ManagerImplemented (manager_implemented.h) is the
// one implementation.
//
// Play, the stops and the setters take no lock: they belong to the thread
// that calls Update. Update, Draw, DrawHandle, Flip and the reload bracket
// hold the manager's recursive lock.
#pragma once

#include <cstdint>

#include "fx/fx_renderers.h"
#include "fx/matrix43.h"
#include "fx/vector3d.h"

namespace Fx {

class Effect;
class EffectLoader;
class TextureLoader;
class SoundLoader;
class ModelLoader;
class SoundPlayer;
class Manager;

using RandFunc = int (*)();
using MallocFunc = void* (*)(unsigned int size);
using FreeFunc = void (*)(void* memory, unsigned int size);
using Handle = int32_t;
// Called when a play is collected; `removingAll` is set while the manager is
// being destroyed.
using EffectRemovingCallback = void (*)(Manager* manager, Handle handle, bool removingAll);

// Coordinate-system values: 1 right-handed (the manager's start value), 0
// left-handed, for which loaded locations and rotations are mirrored.
constexpr int kCoordinateSystemLeftHanded = 0;
constexpr int kCoordinateSystemRightHanded = 1;

class Manager {
public:
    // Stops every play, collects them and gives back the creator's reference.
    virtual void Destroy() = 0;
    // An effect holds one reference to its manager for its whole life.
    virtual int AddRef() = 0;
    virtual int Release() = 0;

    virtual MallocFunc GetMallocFunc() const = 0;
    virtual void SetMallocFunc(MallocFunc func) = 0;
    virtual FreeFunc GetFreeFunc() const = 0;
    virtual void SetFreeFunc(FreeFunc func) = 0;
    virtual RandFunc GetRandFunc() const = 0;
    virtual void SetRandFunc(RandFunc func) = 0;
    virtual int GetRandMax() const = 0;
    virtual void SetRandMax(int max) = 0;
    virtual int GetCoordinateSystem() const = 0;
    virtual void SetCoordinateSystem(int coordinateSystem) = 0;

    // The setters take ownership and delete what they held before. Any of
    // them may be null.
    virtual SpriteRenderer* GetSpriteRenderer() const = 0;
    virtual void SetSpriteRenderer(SpriteRenderer* renderer) = 0;
    virtual RibbonRenderer* GetRibbonRenderer() const = 0;
    virtual void SetRibbonRenderer(RibbonRenderer* renderer) = 0;
    virtual RingRenderer* GetRingRenderer() const = 0;
    virtual void SetRingRenderer(RingRenderer* renderer) = 0;
    virtual ModelRenderer* GetModelRenderer() const = 0;
    virtual void SetModelRenderer(ModelRenderer* renderer) = 0;
    virtual EffectLoader* GetEffectLoader() const = 0;
    virtual void SetEffectLoader(EffectLoader* loader) = 0;
    virtual TextureLoader* GetTextureLoader() const = 0;
    virtual void SetTextureLoader(TextureLoader* loader) = 0;
    virtual SoundPlayer* GetSoundPlayer() const = 0;
    virtual void SetSoundPlayer(SoundPlayer* player) = 0;
    virtual SoundLoader* GetSoundLoader() const = 0;
    virtual void SetSoundLoader(SoundLoader* loader) = 0;
    virtual ModelLoader* GetModelLoader() const = 0;
    virtual void SetModelLoader(ModelLoader* loader) = 0;

    // Exists answers false from the stop on; the play is collected at the
    // next flip and freed two flips later.
    virtual void StopEffect(Handle handle) = 0;
    virtual void StopAllEffects() = 0;
    // Stops generating from the root; what is alive runs to its end.
    virtual void StopRoot(Effect* effect) = 0;
    virtual void StopRoot(Handle handle) = 0;
    virtual bool Exists(Handle handle) = 0;
    // The play's instances, root included; 0 when the handle is not live.
    virtual int32_t GetInstanceCount(Handle handle) = 0;

    // The root instance's world matrix; all zero when the handle is not live.
    virtual Matrix43 GetMatrix(Handle handle) = 0;
    virtual void SetMatrix(Handle handle, const Matrix43& matrix) = 0;
    virtual Vector3D GetLocation(Handle handle) = 0;
    virtual void SetLocation(Handle handle, float x, float y, float z) = 0;
    virtual void SetLocation(Handle handle, const Vector3D& location) = 0;
    virtual void AddLocation(Handle handle, const Vector3D& location) = 0;
    // Replaces the rotation, keeping scale and translation.
    virtual void SetRotation(Handle handle, const Vector3D& axis, float angle) = 0;
    virtual void SetRotation(Handle handle, float x, float y, float z) = 0;
    virtual void SetScale(Handle handle, float x, float y, float z) = 0;
    // Applied after every update to all but the root's instances.
    virtual Matrix43 GetBaseMatrix(Handle handle) = 0;
    virtual void SetBaseMatrix(Handle handle, const Matrix43& matrix) = 0;
    virtual void SetRemovingCallback(Handle handle, EffectRemovingCallback callback) = 0;
    virtual void SetShown(Handle handle, bool shown) = 0;
    virtual void SetPaused(Handle handle, bool paused) = 0;
    virtual void SetSpeed(Handle handle, float speed) = 0;
    virtual void SetAutoDrawing(Handle handle, bool autoDraw) = 0;

    virtual void Flip() = 0;
    // Advances every play by `deltaFrame` frames (times its speed).
    virtual void Update(float deltaFrame = 1.0f) = 0;
    virtual void Draw() = 0;
    // Draws one play now, whether or not it is auto drawn or flipped in yet.
    virtual void DrawHandle(Handle handle) = 0;
    // -1 when the effect is null or has no tree.
    virtual Handle Play(Effect* effect, float x, float y, float z) = 0;

    virtual int GetUpdateTime() const = 0;  // microseconds of the last Update
    virtual int GetDrawTime() const = 0;    // microseconds of the last Draw
    virtual int32_t GetRestInstancesCount() const = 0;

    // Bracket a reload of `effect`: the plays of it give up their instance
    // trees before the effect's contents change and are rebuilt after. The
    // manager's lock is held from the one to the other.
    virtual void BeginReloadEffect(Effect* effect) = 0;
    virtual void EndReloadEffect(Effect* effect) = 0;

    // A manager with a pool of `instanceMax` instances; with `autoFlip` each
    // Update flips first.
    static Manager* Create(int instanceMax, bool autoFlip = true);

protected:
    virtual ~Manager() = default;
};

// One draw r = rand / rand max, in [0, 1]: a random function that answers
// outside 0..max, or a maximum of 0, cannot push a drawn value outside its
// range.
float RandomUnit(const Manager& manager);

// The manager's own random function: 0..32767 from a 15-bit generator kept
// per thread, so the same seed replays the same effects.
constexpr int kDefaultRandMax = 32767;
int DefaultRandom();
void SeedDefaultRandom(uint32_t seed);

}  // namespace Fx
