// The manager's side of playing: handles and their lifetimes, the flip and
// the two collection stages, the play flags, reload, a
// destroy with live plays, and the lock where a reloading thread meets the
// thread that updates and draws.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "fx/effect_node_sprite.h"
#include "fx_play_support.h"

namespace {

using FxTest::PlayFixture;
using FxWriter::EffectBuilder;

void AddSprites(EffectBuilder& builder, int32_t count, float interval = 1.0f) {
    auto& node = builder.Add<Fx::EffectNodeSprite>();
    node.common.maxGeneration = count;
    node.common.generationInterval = interval;
    node.common.life.min = node.common.life.max = 1000;
    node.location.kind = Fx::kLocationPva;
    node.location.pva.velocity.max = Fx::Vector3D(1, 2, 3);
}

std::vector<uint8_t> Sprites(int32_t count, float interval = 1.0f) {
    EffectBuilder builder;
    AddSprites(builder, count, interval);
    return builder.Build();
}

int gAllocations = 0, gReleases = 0;
void* CountedAllocate(unsigned int size) {
    ++gAllocations;
    return std::malloc(size);
}
void CountedRelease(void* memory, unsigned int) {
    ++gReleases;
    std::free(memory);
}

class ManagerPlay : public PlayFixture {};

TEST_F(ManagerPlay, HandlesAndStaleHandles) {
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
        EXPECT_EQ(manager.GetLocation(stale).x, 0.0f);
        EXPECT_EQ(manager.GetInstanceCount(stale), 0);
        EXPECT_EQ(manager.GetMatrix(stale).value[0][0], 0.0f);
    }
    manager.SetLocation(1, 4, 5, 6);
    manager.SetScale(1, 2, 2, 2);
    EXPECT_EQ(manager.GetLocation(1).y, 5.0f);
    EXPECT_FLOAT_EQ(manager.GetMatrix(1).value[1][1], 2.0f);
    manager.SetRotation(1, Fx::Vector3D(0, 0, 1), 1.5707964f);  // keeps scale and place
    EXPECT_NEAR(manager.GetMatrix(1).value[0][1], 2.0f, 1e-5f);
    EXPECT_EQ(manager.GetLocation(1).z, 6.0f);
}

TEST_F(ManagerPlay, StoppedPlayLeavesAtTheFlipAndIsFreedTwoFlipsLater) {
    manager.SetMallocFunc(CountedAllocate);
    manager.SetFreeFunc(CountedRelease);
    gAllocations = gReleases = 0;
    Fx::Handle handle = Play(Sprites(5));
    Frame(3);
    EXPECT_EQ(recording.instances.size(), 2u);
    EXPECT_GT(gAllocations, 0);
    manager.hasSoundPlayer = true;
    manager.StopEffect(handle);
    EXPECT_FALSE(manager.Exists(handle));
    const int releasedAfter[] = {0, 0, gAllocations};
    for (int released : releasedAfter) {
        Frame();
        EXPECT_TRUE(recording.instances.empty());
        EXPECT_EQ(gReleases, released);
    }
    EXPECT_EQ(manager.stoppedTags.size(), 1u);  // the play's sounds stop with it
}

TEST_F(ManagerPlay, ChildlessRootIsCollectedAtTheFirstFlip) {
    static std::vector<std::pair<Fx::Handle, bool>> calls;
    calls.clear();
    Fx::Handle handle = Play(EffectBuilder().Build());
    manager.SetRemovingCallback(handle, [](Fx::Manager*, Fx::Handle h, bool all) { calls.push_back({h, all}); });
    EXPECT_TRUE(manager.Exists(handle));
    Frame();
    EXPECT_FALSE(manager.Exists(handle));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(handle, false));
}

TEST_F(ManagerPlay, FlagsAfterTheFirstChild) {
    enum Flag { kNone, kPaused, kHidden, kNoAutoDraw, kDoubleSpeed };
    struct Case {
        Flag flag;
        int instances, drawn, drawnByHandle;
    } cases[] = {{kNone, 4, 3, 3},      {kPaused, 2, 1, 1},     {kHidden, 4, 0, 0},
                 {kNoAutoDraw, 4, 0, 3}, {kDoubleSpeed, 6, 5, 5}};
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
        EXPECT_EQ(static_cast<int>(recording.instances.size()), c.drawn);
        recording.Clear();
        manager.DrawHandle(handle);
        EXPECT_EQ(static_cast<int>(recording.instances.size()), c.drawnByHandle);
        manager.StopEffect(handle);
        Frame(3);
    }
}

TEST_F(ManagerPlay, StopRootLetsChildrenRunAndBaseMatrixMovesThem) {
    FxTest::ScriptRandom({}, 0);
    EffectBuilder builder;
    AddSprites(builder, 100);
    builder.root.children[0]->common.removeWithParent = 0;
    Fx::Handle handle = Play(builder);
    Frame(3);
    Fx::Matrix43 base;
    base.SetTranslation(10, 0, 0);
    manager.SetBaseMatrix(handle, base);
    manager.StopRoot(handle);
    Frame(3);
    EXPECT_TRUE(manager.Exists(handle));
    ASSERT_EQ(recording.instances.size(), 2u);  // none made after the stop
    EXPECT_FLOAT_EQ(recording.instances[0].matrix.value[3][0], 10.0f);
    EXPECT_EQ(manager.GetBaseMatrix(handle).value[3][0], 10.0f);
}

TEST_F(ManagerPlay, ReloadedPlayMatchesAFreshPlay) {
    FxTest::ScriptRandom({}, 700);
    EffectBuilder builder;
    AddSprites(builder, 50);
    builder.root.children[0]->common.life.min = 3;  // lives 3 to 1000 frames
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
    EXPECT_EQ(recording.instances.size(), 9u);
}

TEST(ManagerLifetime, DestroyWithLivePlaysFreesEverything) {
    Fx::Manager* manager = Fx::Manager::Create(64);
    std::vector<uint8_t> bytes = Sprites(20);
    Fx::Effect* effect = Fx::Effect::Create(manager, bytes.data(), bytes.size());
    ASSERT_NE(effect, nullptr);
    for (int i = 0; i < 3; ++i) manager->Play(effect, 0, 0, 0);
    for (int i = 0; i < 5; ++i) manager->Update(1.0f);
    effect->Release();
    manager->Destroy();  // LeakSanitizer checks the rest
}

// A loader thread reloads the effect while the main thread updates and
// draws: the reload bracket holds the manager's lock.
TEST_F(ManagerPlay, ReloadFromAnotherThreadMeetsUpdateUnderTheLock) {
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

}  // namespace
