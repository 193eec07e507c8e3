// Instances played frame by frame with scripted random values, against
// values worked out by hand: generation timelines, death and release timing,
// motion, binds, texture animation, emitters, sounds, colours and the node
// types' drawing values as the recording renderers receive them.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_sprite.h"
#include "fx/model.h"
#include "fx_play_support.h"
#include "model_writer.h"

namespace {

using FxTest::PlayFixture;
using FxWriter::EffectBuilder;

void SetRange(Fx::RandomVector3D& range, float x, float y, float z) { range.min = range.max = Fx::Vector3D(x, y, z); }

Fx::EffectNodeSprite& AddSprite(EffectBuilder& builder, Fx::EffectNode& parent, int32_t count = 1,
                                float interval = 1.0f, int32_t life = 1000) {
    auto& node = builder.Add<Fx::EffectNodeSprite>(parent);
    node.common.maxGeneration = count;
    node.common.generationInterval = interval;
    node.common.life.min = node.common.life.max = life;
    return node;
}

Fx::EffectNode& AddPlain(EffectBuilder& builder, int32_t count = 1, int32_t life = 1000) {
    auto& node = builder.Add(builder.root);
    node.common.maxGeneration = count;
    node.common.life.min = node.common.life.max = life;
    return node;
}

float X(const FxTest::DrawnInstance& drawn) { return drawn.matrix.value[3][0]; }

class InstancePlay : public PlayFixture {};

TEST_F(InstancePlay, GenerationFollowsIntervalOffsetAndCount) {
    struct Case {
        float interval, offset;
        int32_t max;
        std::vector<std::pair<int, int>> countAfterUpdate;
    } cases[] = {
        {10.0f, 0.0f, 3, {{1, 1}, {2, 2}, {11, 2}, {12, 3}, {21, 3}, {22, 4}, {40, 4}}},
        {0.5f, 0.0f, 100, {{1, 1}, {2, 3}, {3, 5}}},
        {1.0f, 2.5f, 2, {{4, 1}, {5, 2}, {6, 3}, {9, 3}}},
        {0.0f, 0.0f, 5, {{1, 1}, {5, 0}}},  // generates nothing; the play ends
        {1e-30f, 0.0f, INT32_MAX, {{3, 257}}},  // a hostile count stops at the pool
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        EffectBuilder builder;
        AddSprite(builder, builder.root, c.max, c.interval).common.generationOffset = c.offset;
        Fx::Handle handle = Play(builder);
        int updates = 0;
        for (const auto& [update, count] : c.countAfterUpdate) {
            Frame(update - updates);
            updates = update;
            EXPECT_EQ(manager.GetInstanceCount(handle), count) << "after update " << update;
        }
        manager.StopEffect(handle);
        Frame(3);
        EXPECT_EQ(manager.GetRestInstancesCount(), 256);  // the pool is whole again
    }
}

TEST_F(InstancePlay, DeadInstanceIsReleasedTwoUpdatesLaterAndThePlayEnds) {
    EffectBuilder builder;
    AddSprite(builder, builder.root, 1, 1.0f, 1);
    Fx::Handle handle = Play(builder);
    const int drawn[] = {0, 1, 1, 0, 0, 0};
    const int counted[] = {1, 2, 2, 2, 2, 1};
    for (int update = 1; update <= 6; ++update) {
        Frame();
        EXPECT_EQ(static_cast<int>(recording.instances.size()), drawn[update - 1]) << update;
        EXPECT_EQ(manager.GetInstanceCount(handle), counted[update - 1]) << update;
    }
    EXPECT_TRUE(manager.Exists(handle));
    Frame();
    EXPECT_FALSE(manager.Exists(handle));
}

TEST_F(InstancePlay, RemoveWhenChildrenFinishedWithoutChildrenDiesInFirstUpdate) {
    EffectBuilder builder;
    auto& node = AddSprite(builder, builder.root);
    node.common.removeWhenChildrenDone = 1;
    node.common.removeOnLifeEnd = 0;
    Play(builder);
    Frame(2);
    EXPECT_TRUE(recording.instances.empty());
    EXPECT_EQ(recording.ended, 0);  // no batch for a node without live instances
}

TEST_F(InstancePlay, PvaLocationAndGravity) {
    EffectBuilder builder;
    auto& node = AddSprite(builder, builder.root);
    node.location.kind = Fx::kLocationPva;
    SetRange(node.location.pva.position, 1, 2, 3);
    SetRange(node.location.pva.velocity, 1, 0, 0);
    SetRange(node.location.pva.acceleration, 2, 0, 0);
    node.gravity.kind = Fx::kGravityOn;
    node.gravity.value = Fx::Vector3D(0, -2, 0);
    Play(builder);
    Frame();
    // Drawn at T = 0 (created), 0 (first step), 1, 2: x = 1 + T + T^2, y = 2 - T^2.
    const float expectX[] = {1, 1, 3, 7}, expectY[] = {2, 2, 1, -2};
    for (int i = 0; i < 4; ++i) {
        Frame();
        ASSERT_EQ(recording.instances.size(), 1u);
        const Fx::Matrix43& m = recording.instances[0].matrix;
        EXPECT_FLOAT_EQ(m.value[3][0], expectX[i]) << i;
        EXPECT_FLOAT_EQ(m.value[3][1], expectY[i]) << i;
        EXPECT_FLOAT_EQ(m.value[3][2], 3.0f);
    }
}

TEST_F(InstancePlay, LocationBindKinds) {
    // The parent moves +1 a frame after the root; the root moves to 60
    // after the child is made at 50.
    const float expected[] = {0.0f, 50.0f, 63.0f, 60.0f};
    for (int32_t bind = 0; bind < 4; ++bind) {
        SCOPED_TRACE(bind);
        EffectBuilder builder;
        auto& parent = AddPlain(builder);
        parent.common.locationBind = parent.common.rotationBind = parent.common.scaleBind = Fx::kBindAlways;
        parent.location.kind = Fx::kLocationPva;
        SetRange(parent.location.pva.velocity, 1, 0, 0);
        AddSprite(builder, parent).common.locationBind = bind;
        Fx::Handle handle = Play(builder, 50.0f);
        Frame(3);
        manager.SetLocation(handle, 60.0f, 0.0f, 0.0f);
        Frame(3);
        ASSERT_EQ(recording.instances.size(), 1u);
        EXPECT_FLOAT_EQ(X(recording.instances[0]), expected[bind]);
        manager.StopEffect(handle);
    }
}

TEST_F(InstancePlay, ZeroAxisRotatesAboutY) {
    EffectBuilder builder;
    auto& node = AddSprite(builder, builder.root);
    node.rotation.kind = Fx::kRotationAxisPva;
    node.rotation.axisPva.angle.min = node.rotation.axisPva.angle.max = 1.5707964f;
    Play(builder);
    Frame(2);
    EXPECT_NEAR(recording.instances.at(0).matrix.value[0][2], -1.0f, 1e-6f);
    EXPECT_NEAR(recording.instances.at(0).matrix.value[1][1], 1.0f, 1e-6f);
}

TEST_F(InstancePlay, TextureAnimationModes) {
    struct Case {
        int32_t loop, perPicture, across;
        std::vector<int> pictures;  // at ages 0, 1, 2 ...
    } cases[] = {
        {2, 1, 2, {0, 1, 2, 3, 3, 2, 1, 0, 0, 1}},
        {1, 2, 2, {0, 0, 1, 1, 2, 2, 3, 3, 0, 0}},
        {0, 1, 2, {0, 1, 2, 3, 3, 3}},
        {1, 0, 2, {-1, -1}},  // no frames per picture: the whole texture
        {1, 1, 0, {-1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loop * 100 + c.perPicture * 10 + c.across);
        EffectBuilder builder;
        auto& node = AddSprite(builder, builder.root);
        node.rendererCommon.uvKind = Fx::kUvAnimation;
        node.rendererCommon.uv = {0.0f, 0.0f, 0.5f, 0.5f};
        node.rendererCommon.animation = {c.perPicture, c.across, 2, c.loop};
        Fx::Handle handle = Play(builder);
        Frame();
        for (int picture : c.pictures) {
            Frame();
            ASSERT_EQ(recording.instances.size(), 1u);
            const Fx::TextureRect& uv = recording.instances[0].uv;
            int shown = uv.width == 1.0f ? -1
                                          : static_cast<int>(uv.x / 0.5f + 0.5f) + 2 * static_cast<int>(uv.y / 0.5f + 0.5f);
            EXPECT_EQ(shown, picture);
        }
        manager.StopEffect(handle);
    }
}

class ModelLoader : public Fx::ModelLoader {
public:
    explicit ModelLoader(const Fx::Model& model) : bytes_(FxWriter::WriteModel(model)) {}
    void* Load(const char*) override { return Fx::Model::Load(bytes_.data(), bytes_.size()).release(); }
    void Unload(void* model) override { delete static_cast<Fx::Model*>(model); }

private:
    std::vector<uint8_t> bytes_;
};

TEST_F(InstancePlay, ModelEmitterPicksFacesInOrderAndAnEmptyModelGivesTheOrigin) {
    Fx::Model model, empty;
    for (int face = 0; face < 3; ++face) {
        for (int k = 0; k < 3; ++k) {
            Fx::ModelVertex vertex;
            vertex.position = Fx::Vector3D(3.0f * face, k == 1 ? 3.0f : 0.0f, k == 2 ? 3.0f : 0.0f);
            model.vertices.push_back(vertex);
        }
        model.faces.push_back({{3 * face, 3 * face + 1, 3 * face + 2}});
    }
    for (const Fx::Model* source : {&model, &empty}) {
        for (int32_t mode = 0; mode <= 4; ++mode) {
            SCOPED_TRACE(mode);
            static std::vector<std::unique_ptr<ModelLoader>> loaders;  // outlive the effects
            loaders.push_back(std::make_unique<ModelLoader>(*source));
            manager.modelLoader = loaders.back().get();
            EffectBuilder builder;
            builder.header.modelPaths = {"emitter.mdl"};
            auto& node = AddSprite(builder, builder.root, 4);
            node.generationPoint.kind = Fx::kGenerationModel;
            node.generationPoint.pickMode = mode;
            Fx::Handle handle = Play(builder);
            Frame(5);
            ASSERT_EQ(recording.instances.size(), 4u);
            for (int i = 0; i < 4; ++i) {
                float x = X(recording.instances[static_cast<size_t>(i)]);
                if (source == &empty) {
                    EXPECT_EQ(x, 0.0f);
                } else if (mode == Fx::kPickFaceCenter) {
                    EXPECT_FLOAT_EQ(x, 3.0f * (i % 3));
                    EXPECT_FLOAT_EQ(recording.instances[static_cast<size_t>(i)].matrix.value[3][1], 1.0f);
                }
            }
            manager.StopEffect(handle);
        }
    }
}

TEST_F(InstancePlay, SoundWithDelayZeroPlaysInTheSecondUpdate) {
    manager.soundLoader = &loader;
    manager.hasSoundPlayer = true;
    EffectBuilder builder;
    builder.header.soundPaths = {"boom.wav"};
    auto& node = AddSprite(builder, builder.root);
    node.sound.kind = Fx::kSoundOn;
    node.sound.waveIndex = 0;
    Play(builder);
    const size_t played[] = {0, 0, 1, 1, 1};
    for (size_t expected : played) {
        Frame();
        EXPECT_EQ(manager.played.size(), expected);
    }
}

TEST_F(InstancePlay, EasedColourFadesIn) {
    EffectBuilder builder;
    auto& node = AddSprite(builder, builder.root, 1, 1.0f, 10);
    node.allColor.kind = Fx::kAllColorEasing;
    node.allColor.easing.start.min = node.allColor.easing.start.max = Fx::Color(0, 0, 0, 255);
    node.allColor.easing.end.min = node.allColor.easing.end.max = Fx::Color(200, 100, 40, 255);
    node.allColor.easing.c = 1.0f;
    node.rendererCommon.fadeInKind = Fx::kFadeOn;
    node.rendererCommon.fadeIn = {10.0f, 0.0f, 0.0f, 1.0f};
    Play(builder);
    Frame(8);  // coloured at T = 5 of 10, drawn at living time 6
    ASSERT_EQ(recording.instances.size(), 1u);
    for (const Fx::Color& corner : recording.instances[0].colors) EXPECT_EQ(corner, Fx::Color(100, 50, 20, 153));
}

TEST_F(InstancePlay, DrawOrderAndRibbonPointsPerGroup) {
    for (int32_t order : {0, 1}) {
        EffectBuilder builder;
        auto& node = AddSprite(builder, builder.root, 3);
        node.drawOrder = order;
        node.location.kind = Fx::kLocationPva;
        SetRange(node.location.pva.velocity, 1, 0, 0);
        Fx::Handle handle = Play(builder);
        Frame(5);
        ASSERT_EQ(recording.instances.size(), 3u);
        EXPECT_EQ(X(recording.instances[0]) > X(recording.instances[2]), order == 0);
        manager.StopEffect(handle);
    }
    EffectBuilder builder;
    auto& ribbon = builder.Add<Fx::EffectNodeRibbon>(AddPlain(builder, 2));
    ribbon.common.maxGeneration = 3;
    ribbon.common.life.min = ribbon.common.life.max = 1000;
    ribbon.vertexColorKind = Fx::kVertexColorFixed;
    ribbon.vertexColors[0] = Fx::Color(128, 255, 255, 255);  // left: the white ribbon colour times this
    Play(builder);
    Frame(6);
    ASSERT_EQ(recording.instances.size(), 6u);
    EXPECT_EQ(recording.batches.back(), 6);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(recording.instances[i].index, static_cast<int32_t>(i % 3));
        EXPECT_EQ(recording.instances[i].count, 3);
        EXPECT_EQ(recording.instances[i].colors[0].r, 128);
        EXPECT_EQ(recording.instances[i].colors[1].r, 255);
    }
}

TEST_F(InstancePlay, RotationAndScaleBindsSplitTheParentMatrix) {
    // The parent is scaled by 2 and turned a quarter about z: its x axis is (0, 2, 0).
    struct Case {
        int32_t rotation, scale;
        float x, y;  // the child's x axis
    } cases[] = {{2, 0, 0, 1}, {0, 2, 2, 0}, {2, 2, 0, 2}, {1, 1, 0, 2}, {1, 0, 0, 1}, {0, 1, 2, 0}, {0, 0, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotation * 10 + c.scale);
        EffectBuilder builder;
        auto& parent = AddPlain(builder);
        parent.rotation.kind = Fx::kRotationFixed;
        parent.rotation.fixed = Fx::Vector3D(0, 0, 1.5707964f);
        parent.scale.kind = Fx::kScaleFixed;
        parent.scale.fixed = Fx::Vector3D(2, 2, 2);
        auto& child = AddSprite(builder, parent);
        child.common.rotationBind = c.rotation;
        child.common.scaleBind = c.scale;
        Fx::Handle handle = Play(builder);
        Frame(3);
        ASSERT_EQ(recording.instances.size(), 1u);
        EXPECT_NEAR(recording.instances[0].matrix.value[0][0], c.x, 1e-5f);
        EXPECT_NEAR(recording.instances[0].matrix.value[0][1], c.y, 1e-5f);
        manager.StopEffect(handle);
    }
}

TEST_F(InstancePlay, ChildrenLeaveWithTheirParentOrKeepItsLastMatrix) {
    for (int32_t removeWithParent : {1, 0}) {
        EffectBuilder builder;
        auto& parent = AddPlain(builder, 1, 3);
        parent.common.locationBind = Fx::kBindAlways;
        parent.location.kind = Fx::kLocationPva;
        parent.location.pva.velocity.min = parent.location.pva.velocity.max = Fx::Vector3D(1, 0, 0);
        auto& child = AddSprite(builder, parent);
        child.common.removeWithParent = removeWithParent;
        child.common.locationBind = Fx::kBindAlways;
        Fx::Handle handle = Play(builder);
        Frame(8);  // the parent died at update 6 at x = 3
        ASSERT_EQ(recording.instances.size(), static_cast<size_t>(1 - removeWithParent));
        if (removeWithParent == 0) {
            EXPECT_FLOAT_EQ(X(recording.instances[0]), 3.0f);
        }
        manager.StopEffect(handle);
    }
}

}  // namespace
