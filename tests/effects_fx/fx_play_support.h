// Playing effects in tests: renderers that record every batch and instance
// they are asked to draw, and a fixture that plays built effects on the test
// manager with a scripted random function.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effect_builder.h"
#include "fx/fx_renderers.h"
#include "fx_test_support.h"

namespace FxTest {

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
    int ended = 0;
    int loaded = 0, removed = 0;
    void Clear() { instances.clear(), batches.clear(), ended = 0; }
    // FNV-1a over every recorded value, so a change anywhere shows.
    uint64_t Hash() const;
};

// Gives the manager one recording renderer of each kind.
void AttachRecorders(Fx::Manager& manager, Recording& recording);

class PlayFixture : public ::testing::Test {
protected:
    explicit PlayFixture(int poolSize = 256) : manager(poolSize) { AttachRecorders(manager, recording); }
    ~PlayFixture() override;
    // Loads the built effect (kept for the test) and plays it at `x`.
    Fx::Handle Play(const FxWriter::EffectBuilder& builder, float x = 0.0f) { return Play(builder.Build(), x); }
    Fx::Handle Play(const std::vector<uint8_t>& bytes, float x = 0.0f);
    // One update and one draw, with the recording cleared first.
    void Frame(int count = 1);

    RecordingLoader loader;  // for tests that load resources; outlives the effects
    Recording recording;     // outlives the manager, whose renderers write to it
    FakeManager manager;
    std::vector<Fx::Effect*> effects;
};

}  // namespace FxTest
