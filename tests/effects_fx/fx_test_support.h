// The real manager with scripted random values, recording loaders and sound player, and a fixture with recording renderers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effect_builder.h"
#include "fx/effect.h"
#include "fx/fx_renderers.h"
#include "fx/manager_implemented.h"
#include "fx/model.h"
#include "fx/resource_loaders.h"
#include "fx/sound_player.h"

namespace FxTest {

constexpr int kRandMax = 1000;

// The random function answers these values in order, then `constant` forever.
void ScriptRandom(std::vector<int> values, int constant = 0);

// Loads copies of `model`, so model emitters have vertices and faces to pick.
struct ModelCopies : Fx::ModelLoader {
    void* Load(const char*) override { return new Fx::Model(*model); }
    void Unload(void* loaded) override { delete static_cast<Fx::Model*>(loaded); }
    const Fx::Model* model = nullptr;
};

// Answers handle i + 1 for the i-th path, null for paths with "missing"; records loads and unloads.
class RecordingLoader : public Fx::TextureLoader, public Fx::SoundLoader, public Fx::ModelLoader {
public:
    void* Load(const char* path) override;
    void Unload(void* handle) override { unloaded.push_back(handle); }
    std::vector<std::string> loaded;
    std::vector<void*> unloaded;
};

struct Recording;

// Its sound player records what it is asked to play and does nothing else; with a recording, so do its
// renderers (one of each kind), and the recording must outlive it.
class FakeManager : public Fx::ManagerImplemented, public Fx::SoundPlayer {
public:
    explicit FakeManager(int instanceMax = 256, Recording* recording = nullptr);
    ~FakeManager() override { Destroy(); }  // collects the plays while this object is still whole
    using ManagerImplemented::Play;
    int AddRef() override { return ++references; }
    int Release() override { return --references; }
    Fx::EffectLoader* GetEffectLoader() const override { return effectLoader; }
    Fx::TextureLoader* GetTextureLoader() const override { return textureLoader; }
    Fx::SoundLoader* GetSoundLoader() const override { return soundLoader; }
    Fx::ModelLoader* GetModelLoader() const override { return modelLoader; }
    Fx::SoundPlayer* GetSoundPlayer() const override {
        return hasSoundPlayer ? const_cast<FakeManager*>(this) : nullptr;
    }
    void BeginReloadEffect(Fx::Effect* effect) override { ++reloadsBegun, ManagerImplemented::BeginReloadEffect(effect); }
    void EndReloadEffect(Fx::Effect* effect) override { ++reloadsEnded, ManagerImplemented::EndReloadEffect(effect); }
    Fx::SoundHandle Play(Fx::SoundTag tag, const Fx::SoundParameter& parameter) override {
        played.push_back({tag, parameter});
        return nullptr;
    }
    void Stop(Fx::SoundHandle, Fx::SoundTag) override {}
    void Pause(Fx::SoundHandle, Fx::SoundTag, bool) override {}
    bool CheckPlaying(Fx::SoundHandle, Fx::SoundTag) override { return false; }
    void StopTag(Fx::SoundTag tag) override { stoppedTags.push_back(tag); }
    void PauseTag(Fx::SoundTag, bool) override {}
    bool CheckPlayingTag(Fx::SoundTag) override { return false; }
    void StopAll() override {}

    int references = 1;
    Fx::EffectLoader* effectLoader = nullptr;
    Fx::TextureLoader* textureLoader = nullptr;
    Fx::SoundLoader* soundLoader = nullptr;
    Fx::ModelLoader* modelLoader = nullptr;
    bool hasSoundPlayer = false;
    int reloadsBegun = 0, reloadsEnded = 0;
    std::vector<std::pair<Fx::SoundTag, Fx::SoundParameter>> played;
    std::vector<Fx::SoundTag> stoppedTags;
};

Fx::Effect* Load(FakeManager& manager, const std::vector<uint8_t>& bytes);

// Evaluates what each node's instances would (curves to the ends of int32, ranges, colours, fades, resources).
float ExerciseEffect(const Fx::Effect& effect, const Fx::Manager& manager);

struct DrawnInstance {
    Fx::NodeType type;
    Fx::Matrix43 matrix;
    Fx::Color colors[4];  // sprite corners; ribbon left, right; ring outer, centre, inner; model colour
    Fx::TextureRect uv;
    int32_t index = 0, count = 0;  // ribbon point and points in its group
    float values[4] = {};          // ring: arc angle, outer radius, inner radius, centre ratio
};

struct Recording {
    std::vector<DrawnInstance> instances;
    std::vector<int32_t> batches;  // the count of each begun batch
    int ended = 0, loaded = 0;
    void Clear() { instances.clear(), batches.clear(), ended = 0; }
    // FNV-1a over every recorded value, so a change anywhere shows.
    uint64_t Hash() const;
};

// Plays built effects on a manager with one recording renderer of each kind.
class PlayFixture : public ::testing::Test {
protected:
    ~PlayFixture() override;
    Fx::Handle Play(const FxWriter::EffectBuilder& builder, float x = 0.0f) { return Play(builder.Build(), x); }
    Fx::Handle Play(const std::vector<uint8_t>& bytes, float x = 0.0f);
    // Each an update and a draw into a cleared recording.
    void Frame(int count = 1);

    RecordingLoader loader;  // for tests that load resources; outlives the effects
    Recording recording;     // outlives the manager, whose renderers write to it
    FakeManager manager{256, &recording};
    std::vector<Fx::Effect*> effects;
};

}  // namespace FxTest
