// Playback with scripted random values against hand-worked values, the manager's handles, stages, flags, reloads and lock, and a whole-playback hash.
#include <cstdlib>
#include <thread>

#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"
#include "fx/model.h"
#include "fx_test_support.h"

namespace {

using FxWriter::EffectBuilder;

void SetRange(Fx::RandomVector3D& range, float x, float y, float z) { range.min = range.max = Fx::Vector3D(x, y, z); }

template <typename Node = Fx::EffectNodeSprite>
Node& AddNode(EffectBuilder& builder, Fx::EffectNode& parent, int32_t count = 1, float interval = 1.0f,
              int32_t life = 1000) {
    auto& node = builder.Add<Node>(parent);
    node.common.maxGeneration = count;
    node.common.generationInterval = interval;
    node.common.life.min = node.common.life.max = life;
    return node;
}

// `count` sprites moving by (0..1, 0..2, 0..3) a frame.
Fx::EffectNode& Moving(EffectBuilder& builder, int32_t count) {
    auto& node = AddNode(builder, builder.root, count);
    node.location.kind = Fx::kLocationPva;
    node.location.pva.velocity.max = Fx::Vector3D(1, 2, 3);
    return node;
}

std::vector<uint8_t> Sprites(int32_t count, int32_t removeWithParent = 1) {
    EffectBuilder builder;
    Moving(builder, count).common.removeWithParent = removeWithParent;
    return builder.Build();
}

class FxPlay : public FxTest::PlayFixture {
protected:
    size_t Drawn() const { return recording.instances.size(); }
    const Fx::Matrix43& Matrix(size_t i = 0) const { return recording.instances.at(i).matrix; }
    float X(size_t i = 0) const { return Matrix(i).value[3][0]; }
};

// Whole-frame intervals and the count limit are in the playback hash.
TEST_F(FxPlay, GenerationFollowsIntervalOffsetAndCount) {
    const struct Case { float interval, offset; int32_t max; std::vector<std::pair<int, int>> countAfterUpdate; int children; } cases[] = {
        {0.5f, 0.0f, 100, {{1, 1}, {2, 3}, {3, 5}}, 0},
        {1.0f, 2.5f, 2, {{4, 1}, {5, 2}, {6, 3}, {9, 3}}, 0},
        {0.0f, 0.0f, 5, {{1, 1}, {5, 0}}, 0},  // generates nothing; the play ends
        {1e-30f, 0.0f, INT32_MAX, {{3, 257}}, 0},  // a hostile count stops at the pool
        {1e-30f, 0.0f, INT32_MAX, {{3, 218}}, 600},  // 300 children could generate (at 1e9): 217 of 301 units fit 65536
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        EffectBuilder builder;
        auto& node = AddNode(builder, builder.root, c.max, c.interval);
        node.common.generationOffset = c.offset;
        for (int i = 0; i < c.children; ++i) AddNode(builder, node, i % 2).common.generationOffset = 1e9f;
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

TEST_F(FxPlay, CurveLocationAndTheZeroAxis) {
    EffectBuilder builder;
    auto& turned = AddNode(builder, builder.root);  // a zero axis turns about Y
    turned.rotation.kind = Fx::kRotationAxisPva;
    turned.rotation.axisPva.angle.min = turned.rotation.axisPva.angle.max = 1.5707964f;
    auto& curved = AddNode(builder, builder.root);  // a curve's value plus its drawn offset
    curved.location.kind = Fx::kLocationFCurve;
    curved.location.curve = std::make_unique<Fx::FCurveVector3D>();
    curved.location.curve->x.keys = {5};
    curved.location.curve->x.offsetMin = curved.location.curve->x.offsetMax = 10;
    Play(builder);
    Frame(3);
    ASSERT_EQ(Drawn(), 2u);
    EXPECT_NEAR(Matrix(0).value[0][2], -1.0f, 1e-6f);
    EXPECT_NEAR(Matrix(0).value[1][1], 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(X(1), 15.0f);
}

TEST_F(FxPlay, LocationBindKinds) {
    // The parent moves +1 a frame; the root moves to 60 after the child is made at 50.
    const float expected[] = {0.0f, 50.0f, 63.0f, 60.0f};
    for (int32_t bind = 0; bind < 4; ++bind) {
        SCOPED_TRACE(bind);
        EffectBuilder builder;
        auto& parent = AddNode<Fx::EffectNode>(builder, builder.root);
        parent.common.locationBind = parent.common.rotationBind = parent.common.scaleBind = Fx::kBindAlways;
        parent.location.kind = Fx::kLocationPva;
        SetRange(parent.location.pva.velocity, 1, 0, 0);
        AddNode(builder, parent).common.locationBind = bind;
        Fx::Handle handle = Play(builder, 50.0f);
        Frame(3);
        manager.SetLocation(handle, 60.0f, 0.0f, 0.0f);
        Frame(3);
        ASSERT_EQ(Drawn(), 1u);
        EXPECT_FLOAT_EQ(X(), expected[bind]);
        manager.StopEffect(handle);
    }
}

TEST_F(FxPlay, TextureAnimationModes) {
    // Pictures at ages 0, 1, 2 ...; the mirrored loop (2) is in the playback hash.
    const struct Case { int32_t loop, perPicture, across; std::vector<int> pictures; } cases[] = {
        {1, 2, 2, {0, 0, 1, 1, 2, 2, 3, 3, 0, 0}},
        {0, 1, 2, {0, 1, 2, 3, 3, 3}},
        {1, 0, 2, {-1, -1}},  // no frames per picture: the whole texture
        {1, 1, 0, {-1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loop * 100 + c.perPicture * 10 + c.across);
        EffectBuilder builder;
        auto& node = AddNode(builder, builder.root);
        node.rendererCommon.uvKind = Fx::kUvAnimation;
        node.rendererCommon.uv = {0.0f, 0.0f, 0.5f, 0.5f};
        node.rendererCommon.animation = {c.perPicture, c.across, 2, c.loop};
        Fx::Handle handle = Play(builder);
        Frame();
        for (int picture : c.pictures) {
            Frame();
            ASSERT_EQ(Drawn(), 1u);
            const Fx::TextureRect& uv = recording.instances[0].uv;
            EXPECT_EQ(uv.width == 1.0f ? -1 : int(uv.x / 0.5f + 0.5f) + 2 * int(uv.y / 0.5f + 0.5f), picture);
        }
        manager.StopEffect(handle);
    }
}

TEST_F(FxPlay, ModelEmitterPicksFacesInOrderAndAnEmptyModelGivesTheOrigin) {
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
            static FxTest::ModelCopies models;  // outlives the effects
            models.model = source;
            manager.modelLoader = &models;
            EffectBuilder builder;
            builder.header.modelPaths = {"emitter.mdl"};
            auto& node = AddNode(builder, builder.root, 4);
            node.generationPoint.kind = Fx::kGenerationModel;
            node.generationPoint.pickMode = mode;
            Fx::Handle handle = Play(builder);
            Frame(5);
            ASSERT_EQ(Drawn(), 4u);
            for (size_t i = 0; i < 4; ++i) {
                if (source == &empty) {
                    EXPECT_EQ(X(i), 0.0f);
                } else if (mode == Fx::kPickFaceCenter) {
                    EXPECT_FLOAT_EQ(X(i), 3.0f * (i % 3));
                    EXPECT_FLOAT_EQ(Matrix(i).value[3][1], 1.0f);
                }
            }
            manager.StopEffect(handle);
        }
    }
}

TEST_F(FxPlay, SoundWithDelayZeroPlaysInTheSecondUpdate) {
    manager.soundLoader = &loader;
    manager.hasSoundPlayer = true;
    EffectBuilder builder;
    builder.header.soundPaths = {"boom.wav"};
    auto& node = AddNode(builder, builder.root);
    node.sound.kind = Fx::kSoundOn;
    node.sound.waveIndex = 0;
    Play(builder);
    for (size_t expected : {0, 0, 1, 1, 1}) {
        Frame();
        EXPECT_EQ(manager.played.size(), expected);
    }
}

TEST_F(FxPlay, DrawOrderAndRibbonVertexColours) {
    for (int32_t order : {0, 1}) {
        EffectBuilder builder;
        auto& node = AddNode(builder, builder.root, 3);
        node.drawOrder = order;
        node.location.kind = Fx::kLocationPva;
        SetRange(node.location.pva.velocity, 1, 0, 0);
        Fx::Handle handle = Play(builder);
        Frame(5);
        ASSERT_EQ(Drawn(), 3u);
        EXPECT_EQ(X() > X(2), order == 0);
        manager.StopEffect(handle);
    }
    EffectBuilder builder;
    auto& ribbon = AddNode<Fx::EffectNodeRibbon>(builder, builder.root, 2);
    ribbon.vertexColorKind = Fx::kVertexColorFixed;
    ribbon.vertexColors[0] = Fx::Color(128, 255, 255, 255);  // left: the white ribbon colour times this
    Play(builder);
    Frame(3);
    ASSERT_EQ(Drawn(), 2u);
    EXPECT_TRUE(recording.instances[1].colors[0].r == 128 && recording.instances[1].colors[1].r == 255);
}

TEST_F(FxPlay, RotationAndScaleBindsSplitTheParentMatrix) {
    // The parent is scaled by 2 and turned a quarter about z: its x axis is (0, 2, 0).
    const struct Case { int32_t rotation, scale; float x, y; } cases[] = {  // x, y: the child's x axis
        {2, 0, 0, 1}, {0, 2, 2, 0}, {2, 2, 0, 2}, {1, 1, 0, 2}, {1, 0, 0, 1}, {0, 1, 2, 0}, {0, 0, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotation * 10 + c.scale);
        EffectBuilder builder;
        auto& parent = AddNode<Fx::EffectNode>(builder, builder.root);
        parent.rotation.kind = Fx::kRotationFixed;
        parent.rotation.fixed = Fx::Vector3D(0, 0, 1.5707964f);
        parent.scale.kind = Fx::kScaleFixed;
        parent.scale.fixed = Fx::Vector3D(2, 2, 2);
        auto& child = AddNode(builder, parent);
        child.common.rotationBind = c.rotation;
        child.common.scaleBind = c.scale;
        Fx::Handle handle = Play(builder);
        Frame(3);
        ASSERT_EQ(Drawn(), 1u);
        EXPECT_NEAR(Matrix().value[0][0], c.x, 1e-5f);
        EXPECT_NEAR(Matrix().value[0][1], c.y, 1e-5f);
        manager.StopEffect(handle);
    }
}

TEST_F(FxPlay, ChildrenLeaveWithTheirParentOrKeepItsLastMatrix) {
    for (int32_t removeWithParent : {1, 0}) {
        EffectBuilder builder;
        auto& parent = AddNode<Fx::EffectNode>(builder, builder.root, 1, 1.0f, 3);
        parent.common.locationBind = Fx::kBindAlways;
        parent.location.kind = Fx::kLocationPva;
        SetRange(parent.location.pva.velocity, 1, 0, 0);
        auto& child = AddNode(builder, parent);
        child.common.removeWithParent = removeWithParent;
        child.common.locationBind = Fx::kBindAlways;
        Fx::Handle handle = Play(builder);
        Frame(8);  // the parent died at update 6 at x = 3
        ASSERT_EQ(Drawn(), static_cast<size_t>(1 - removeWithParent));
        if (removeWithParent == 0) { EXPECT_FLOAT_EQ(X(), 3.0f); }
        manager.StopEffect(handle);
    }
}

TEST_F(FxPlay, HandlesAndStaleHandles) {
    EXPECT_EQ(Play(Sprites(1)), 0);
    EXPECT_EQ(Play(Sprites(1)), 1);
    EXPECT_EQ(manager.Play(nullptr, 0, 0, 0), -1);
    manager.StopEffect(0);
    EXPECT_FALSE(manager.Exists(0));
    EXPECT_TRUE(manager.Exists(1));
    for (Fx::Handle stale : {7, -1}) {
        manager.SetLocation(stale, 1, 2, 3);
        manager.SetScale(stale, 2, 2, 2);
        manager.SetRotation(stale, Fx::Vector3D(0, 0, 1), 1.0f);
        manager.AddLocation(stale, Fx::Vector3D(1, 2, 3)), manager.SetRotation(stale, 1, 2, 3), manager.DrawHandle(stale);
        manager.SetBaseMatrix(stale, Fx::Matrix43()), manager.SetMatrix(stale, Fx::Matrix43()), manager.StopRoot(stale);
        EXPECT_EQ(std::vector<float>({manager.GetLocation(stale).x, float(manager.GetInstanceCount(stale)),
                                      manager.GetMatrix(stale).value[0][0]}), std::vector<float>(3, 0.0f));
    }
    manager.SetLocation(1, 4, 5, 6);
    manager.SetScale(1, 2, 2, 2);
    manager.SetRotation(1, Fx::Vector3D(0, 0, 1), 1.5707964f);  // keeps scale and place
    EXPECT_NEAR(manager.GetMatrix(1).value[0][1], 2.0f, 1e-5f);
    EXPECT_EQ(manager.GetLocation(1).z, 6.0f);
}

int gAllocations = 0, gReleases = 0;

TEST_F(FxPlay, StoppedPlayLeavesAtTheFlipAndIsFreedTwoFlipsLater) {
    manager.SetMallocFunc([](unsigned int size) { return ++gAllocations, std::malloc(size); });
    manager.SetFreeFunc([](void* memory, unsigned int) { ++gReleases, std::free(memory); });
    gAllocations = gReleases = 0;
    Fx::Handle handle = Play(Sprites(5));
    Frame(3);
    EXPECT_EQ(Drawn(), 2u);
    EXPECT_GT(gAllocations, 0);
    manager.hasSoundPlayer = true;
    manager.StopEffect(handle);
    EXPECT_FALSE(manager.Exists(handle));
    for (int released : {0, 0, gAllocations}) {
        Frame();
        EXPECT_EQ(Drawn(), 0u);
        EXPECT_EQ(gReleases, released);
    }
    EXPECT_EQ(manager.stoppedTags.size(), 1u);  // the play's sounds stop with it
}

// A node that waits for children it never has dies in its first update, with no batch; so is a childless root collected.
TEST_F(FxPlay, ChildlessNodesAndRootsLeaveAtTheFirstUpdate) {
    EffectBuilder builder;
    auto& node = AddNode(builder, builder.root);
    node.common.removeWhenChildrenDone = 1;
    node.common.removeOnLifeEnd = 0;
    builder.Add(node).common.maxGeneration = builder.Add().common.maxGeneration = INT32_MIN;  // done at any age
    Play(builder);
    Frame(2);
    EXPECT_TRUE(Drawn() == 0 && recording.ended == 0);
    static std::vector<std::pair<Fx::Handle, bool>> calls;
    Fx::Handle handle = Play(EffectBuilder().Build());
    manager.SetRemovingCallback(handle, [](Fx::Manager*, Fx::Handle h, bool all) { calls.push_back({h, all}); });
    EXPECT_TRUE(manager.Exists(handle));
    Frame();
    EXPECT_FALSE(manager.Exists(handle));
    EXPECT_EQ(calls, (std::vector<std::pair<Fx::Handle, bool>>{{handle, false}}));
    // A root record inside the tree is a root node there: it generates nothing, so its sprite never plays.
    EffectBuilder nested;
    AddNode(nested, nested.Add<Fx::EffectNodeRoot>());
    AddNode(nested, nested.root);
    handle = Play(nested);
    Frame(2);
    EXPECT_EQ(manager.GetInstanceCount(handle) * 10 + static_cast<int>(Drawn()), 21);  // the top root, one sprite drawn
}

TEST_F(FxPlay, FlagsAfterTheFirstChild) {
    enum Flag { kNone, kPaused, kHidden, kNoAutoDraw, kDoubleSpeed };
    const struct Case { Flag flag; int instances, drawn, drawnByHandle; } cases[] = {
        {kNone, 4, 3, 3}, {kPaused, 2, 1, 1}, {kHidden, 4, 0, 0}, {kNoAutoDraw, 4, 0, 3}, {kDoubleSpeed, 6, 5, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flag);
        Fx::Handle handle = Play(Sprites(100));
        Frame(2);
        manager.SetPaused(handle, c.flag == kPaused);
        manager.SetShown(handle, c.flag != kHidden);
        manager.SetAutoDrawing(handle, c.flag != kNoAutoDraw);
        manager.SetSpeed(handle, c.flag == kDoubleSpeed ? 2.0f : 1.0f);
        Frame(2);
        EXPECT_EQ(manager.GetInstanceCount(handle), c.instances);
        EXPECT_EQ(static_cast<int>(Drawn()), c.drawn);
        recording.Clear();
        manager.DrawHandle(handle);
        EXPECT_EQ(static_cast<int>(Drawn()), c.drawnByHandle);
        manager.StopEffect(handle);
        Frame(3);
    }
}

TEST_F(FxPlay, StopRootLetsChildrenRunAndBaseMatrixMovesThem) {
    FxTest::ScriptRandom({}, 0);
    Fx::Handle handle = Play(Sprites(100, 0));
    Frame(3);
    Fx::Matrix43 base;
    base.SetTranslation(10, 0, 0);
    manager.SetBaseMatrix(handle, base);
    manager.StopRoot(handle);
    Frame(3);
    EXPECT_TRUE(manager.Exists(handle));
    ASSERT_EQ(Drawn(), 2u);  // none made after the stop
    EXPECT_FLOAT_EQ(X(), 10.0f);
    EXPECT_EQ(manager.GetBaseMatrix(handle).value[3][0], 10.0f);
}

TEST_F(FxPlay, ReloadedPlayMatchesAFreshPlay) {
    FxTest::ScriptRandom({}, 700);
    EffectBuilder builder;
    Moving(builder, 50).common.life.min = 3;  // lives 3 to 1000 frames
    std::vector<uint8_t> bytes = builder.Build();
    Fx::Handle reloaded = Play(bytes);
    Frame(10);
    ASSERT_TRUE(effects[0]->Reload(bytes.data(), bytes.size(), nullptr));
    recording.Clear();
    manager.DrawHandle(reloaded);
    FxTest::Recording afterReload = recording;
    int32_t count = manager.GetInstanceCount(reloaded);
    manager.StopEffect(reloaded);

    Fx::Handle fresh = manager.Play(effects[0], 0, 0, 0);
    Frame(10);
    recording.Clear();
    manager.DrawHandle(fresh);
    EXPECT_EQ(manager.GetInstanceCount(fresh), count);
    EXPECT_EQ(recording.Hash(), afterReload.Hash());
    EXPECT_EQ(Drawn(), 9u);
}

// The reload bracket holds the manager's lock against the main thread's updates.
TEST_F(FxPlay, ReloadFromAnotherThreadMeetsUpdateUnderTheLock) {
    std::vector<uint8_t> bytes = Sprites(30);
    Play(bytes);
    std::thread loader([&] {
        for (int i = 0; i < 40; ++i) effects[0]->Reload(bytes.data(), bytes.size(), nullptr);
    });
    for (int frame = 0; frame < 200; ++frame) {
        manager.Update(1.0f);
        manager.Draw();
    }
    loader.join();
    EXPECT_GT(manager.GetInstanceCount(0), 1);
}

// Every node type with drawn ranges.
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

// The manager's own generator from a fixed seed; every value drawn in 90 frames in one hash.
TEST_F(FxPlay, SampleEffectWithTheDefaultGeneratorKeepsItsHash) {
    EffectBuilder builder;
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
    Ranges(builder.Add<Fx::EffectNodeModel>(), 6, 4);
    manager.SetRandFunc(Fx::DefaultRandom);
    manager.SetRandMax(Fx::kDefaultRandMax);
    Fx::SeedDefaultRandom(20261206u);
    Fx::Handle handle = Play(builder, 5.0f);
    manager.SetRotation(handle, 0.0f, 0.5f, 0.0f);
    uint64_t hash = 0;
    size_t drawn = 0;
    for (int frame = 0; frame < 90; ++frame) {
        Frame();
        hash = hash * 31 + recording.Hash();
        drawn += Drawn();
    }
    EXPECT_GT(drawn, 1000u);
    EXPECT_EQ(recording.loaded, 4);  // each drawn node set its renderer up once
    EXPECT_EQ(hash, 8990455655982988370ull);
}

}  // namespace
