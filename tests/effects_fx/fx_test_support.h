// The real manager set up for effect tests: scripted random values, a
// settable coordinate system, recording loaders and sound player, reload
// counts, and references counted without deleting (it lives on the stack).
#pragma once

#include <string>
#include <vector>

#include "fx/effect.h"
#include "fx/manager_implemented.h"
#include "fx/resource_loaders.h"
#include "fx/sound_player.h"

namespace FxTest {

constexpr int kRandMax = 1000;

// The random function answers these values in order, then `constant` forever.
void ScriptRandom(std::vector<int> values, int constant = 0);

// Answers handle i + 1 for the i-th path it is asked for, or null for paths
// that contain "missing"; records every load and unload.
class RecordingLoader : public Fx::TextureLoader, public Fx::SoundLoader, public Fx::ModelLoader {
public:
    void* Load(const char* path) override;
    void Unload(void* handle) override { unloaded.push_back(handle); }
    std::vector<std::string> loaded;
    std::vector<void*> unloaded;
};

// Its sound player records what it is asked to play and does nothing else.
class FakeManager : public Fx::ManagerImplemented, public Fx::SoundPlayer {
public:
    explicit FakeManager(int instanceMax = 256);
    // Collects the plays while this object is still whole.
    ~FakeManager() override { Destroy(); }
    using ManagerImplemented::Play;
    int AddRef() override { return ++references; }
    int Release() override { return --references; }
    int GetCoordinateSystem() const override { return coordinateSystem; }
    Fx::EffectLoader* GetEffectLoader() const override { return effectLoader; }
    Fx::TextureLoader* GetTextureLoader() const override { return textureLoader; }
    Fx::SoundLoader* GetSoundLoader() const override { return soundLoader; }
    Fx::ModelLoader* GetModelLoader() const override { return modelLoader; }
    Fx::SoundPlayer* GetSoundPlayer() const override {
        return hasSoundPlayer ? const_cast<FakeManager*>(this) : nullptr;
    }
    void BeginReloadEffect(Fx::Effect* effect) override {
        ++reloadsBegun;
        ManagerImplemented::BeginReloadEffect(effect);
    }
    void EndReloadEffect(Fx::Effect* effect) override {
        ++reloadsEnded;
        ManagerImplemented::EndReloadEffect(effect);
    }

    int references = 1;
    int coordinateSystem = Fx::kCoordinateSystemRightHanded;
    Fx::EffectLoader* effectLoader = nullptr;
    Fx::TextureLoader* textureLoader = nullptr;
    Fx::SoundLoader* soundLoader = nullptr;
    Fx::ModelLoader* modelLoader = nullptr;
    bool hasSoundPlayer = false;
    int reloadsBegun = 0, reloadsEnded = 0;

    Fx::SoundHandle Play(Fx::SoundTag tag, const Fx::SoundParameter& parameter) override {
        played.push_back({tag, parameter});
        return nullptr;
    }
    void Stop(Fx::SoundHandle, Fx::SoundTag) override {}
    void Pause(Fx::SoundHandle, Fx::SoundTag, bool) override {}
    bool CheckPlaying(Fx::SoundHandle, Fx::SoundTag) override { return false; }
    void StopTag(Fx::SoundTag tag) override { stoppedTags.push_back(tag); }
    void PauseTag(Fx::SoundTag, bool) override {}
    bool CheckPlayingTag(Fx::SoundTag tag) override { return tag == playingTag; }
    void StopAll() override {}
    std::vector<std::pair<Fx::SoundTag, Fx::SoundParameter>> played;
    std::vector<Fx::SoundTag> stoppedTags;
    Fx::SoundTag playingTag = nullptr;  // the tag CheckPlayingTag answers true for
};

Fx::Effect* Load(FakeManager& manager, const std::vector<uint8_t>& bytes);

// Evaluates everything an instance of each node would: curves over a span of
// frames and at the ends of int32, ranges, colours, the fade and the
// resource indexes the nodes name. Returns a sum so nothing is optimised out.
float ExerciseEffect(const Fx::Effect& effect, const Fx::Manager& manager);

void PatchIntAt(std::vector<uint8_t>& bytes, size_t offset, int32_t value);

}  // namespace FxTest
