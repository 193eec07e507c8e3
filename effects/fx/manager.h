// The side of the manager that loading an effect and evaluating its values
// rely on: the random function every draw goes through, the coordinate
// system the loaded values are mirrored for, the loaders that turn resource
// paths into textures, sounds and models, and the reload bracket. The manager
// that plays effects implements it.
#pragma once

namespace Fx {

class Effect;
class EffectLoader;
class TextureLoader;
class SoundLoader;
class ModelLoader;
class SoundPlayer;

using RandFunc = int (*)();

// Coordinate-system values: 1 right-handed (the manager's start value), 0
// left-handed, for which loaded locations and rotations are mirrored.
constexpr int kCoordinateSystemLeftHanded = 0;
constexpr int kCoordinateSystemRightHanded = 1;

class Manager {
public:
    // An effect holds one reference to its manager for its whole life.
    virtual int AddRef() = 0;
    virtual int Release() = 0;

    virtual RandFunc GetRandFunc() const = 0;
    virtual int GetRandMax() const = 0;
    virtual int GetCoordinateSystem() const = 0;

    // Any of them may be null.
    virtual EffectLoader* GetEffectLoader() const = 0;
    virtual TextureLoader* GetTextureLoader() const = 0;
    virtual SoundLoader* GetSoundLoader() const = 0;
    virtual ModelLoader* GetModelLoader() const = 0;
    virtual SoundPlayer* GetSoundPlayer() const = 0;

    // Bracket a reload of `effect`: the plays of it give up their instance
    // trees before the effect's contents change and are rebuilt after.
    virtual void BeginReloadEffect(Effect* effect) = 0;
    virtual void EndReloadEffect(Effect* effect) = 0;

protected:
    virtual ~Manager() = default;
};

// One draw r = rand / rand max, in [0, 1]: a random function that answers
// outside 0..max, or a maximum of 0, cannot push a drawn value outside its
// range.
float RandomUnit(const Manager& manager);

}  // namespace Fx
