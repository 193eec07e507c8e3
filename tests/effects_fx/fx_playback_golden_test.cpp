// A regression snapshot of whole-effect playback: a sample effect with every
// node type and drawn ranges, played with the manager's own random generator
// from a fixed seed; every value drawn in 90 frames is folded into one hash.
#include <gtest/gtest.h>

#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"
#include "fx_play_support.h"

namespace {

void Ranges(Fx::EffectNode& node, int32_t count, float interval) {
    node.common.maxGeneration = count;
    node.common.generationInterval = interval;
    node.common.life = {40, 10};
    node.common.locationBind = Fx::kBindAlways;
    node.location.kind = Fx::kLocationPva;
    node.location.pva.velocity = {{1, 2, 0.5f}, {-1, 0.5f, -0.5f}};
    node.location.pva.acceleration = {{0, -0.1f, 0}, {0, -0.2f, 0}};
    node.rotation.kind = Fx::kRotationPva;
    node.rotation.pva.velocity = {{0.1f, 0.2f, 0.3f}, {0, 0, 0}};
    node.scale.kind = Fx::kScaleSingleEasing;
    node.scale.singleEasing = {{2, 1}, {0.5f, 0.1f}, 0, 1, 0};
    node.gravity = {Fx::kGravityOn, {0, -0.05f, 0}};
    node.generationPoint.kind = Fx::kGenerationSphere;
    node.generationPoint.radius = {3, 1};
    node.generationPoint.rotationX = {3, -3};
    node.rendererCommon.fadeOutKind = Fx::kFadeOn;
    node.rendererCommon.fadeOut = {8, 0, 0, 1};
    node.rendererCommon.uvKind = Fx::kUvAnimation;
    node.rendererCommon.uv = {0, 0, 0.25f, 0.5f};
    node.rendererCommon.animation = {3, 4, 2, 2};
}

std::vector<uint8_t> SampleEffect() {
    FxWriter::EffectBuilder builder;
    auto& sprite = builder.Add<Fx::EffectNodeSprite>();
    Ranges(sprite, 30, 2);
    sprite.allColor.kind = Fx::kAllColorRandom;
    sprite.allColor.random = {Fx::kColorModeHsv, {252, 255, 255, 255}, {0, 100, 200, 128}};
    auto& trail = builder.Add(builder.root);
    Ranges(trail, 4, 10);
    auto& ribbon = builder.Add<Fx::EffectNodeRibbon>(trail);
    Ranges(ribbon, 12, 1);
    ribbon.colorKind = Fx::kRibbonColorEasing;
    ribbon.easingColor = {{Fx::kColorModeRgb, {255, 255, 0, 255}, {200, 100, 0, 255}}, {}, 0, 0.5f, 0.5f};
    auto& ring = builder.Add<Fx::EffectNodeRing>();
    Ranges(ring, 5, 7);
    ring.arcAngle.kind = Fx::kRingValueEasing;
    ring.arcAngle.easing = {{360, 180}, {90, 0}, 0, 0, 1};
    ring.outerLocation.kind = Fx::kRingPointPva;
    ring.outerLocation.velocity = {{0.5f, 0.1f}, {0.1f, 0}};
    auto& model = builder.Add<Fx::EffectNodeModel>();
    Ranges(model, 6, 4);
    return builder.Build();
}

class PlaybackGolden : public FxTest::PlayFixture {};

TEST_F(PlaybackGolden, SampleEffectWithTheDefaultGenerator) {
    manager.SetRandFunc(Fx::DefaultRandom);
    manager.SetRandMax(Fx::kDefaultRandMax);
    Fx::SeedDefaultRandom(20261206u);
    Fx::Handle handle = Play(SampleEffect(), 5.0f);
    manager.SetRotation(handle, 0.0f, 0.5f, 0.0f);
    uint64_t hash = 0;
    size_t drawn = 0;
    for (int frame = 0; frame < 90; ++frame) {
        Frame();
        hash = hash * 31 + recording.Hash();
        drawn += recording.instances.size();
    }
    EXPECT_GT(drawn, 1000u);
    EXPECT_EQ(recording.loaded, 4);  // each drawn node set its renderer up once
    EXPECT_EQ(hash, 8990455655982988370ull);
}

}  // namespace
