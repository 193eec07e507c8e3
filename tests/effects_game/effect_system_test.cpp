// The effect system over a real manager and renderer on headless Mesa: the
// effect list, where plays stand, the texture cache, sound names, device
// loss and the pixels of a battle play and a layer play.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/game/effect_loaders.h"
#include "effects/game/effect_system.h"
#include "fx/effect.h"
#include "fx/manager.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/texture.h"
#include "tests/effects_game/effect_files.h"

namespace {

struct ListCase {
    const char* name;
    std::string list;              // empty: no list.txt at all
    std::vector<int> flags;        // per id from 0; -1 = no effect; ids beyond are empty
};

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "red.skfe," + std::to_string(i % 7) + "\n";
    return text;
}

std::vector<int> Flags(int count) {
    std::vector<int> flags;
    for (int i = 0; i < count; ++i) flags.push_back(i % 7);
    return flags;
}

class ListTest : public EffectSystemTest, public testing::WithParamInterface<ListCase> {};

TEST_P(ListTest, IdsAreLineNumbers) {
    const ListCase& c = GetParam();
    EffectSystem* fx = Make(c.list.empty() ? nullptr : c.list.c_str());
    ASSERT_NE(fx, nullptr);
    for (int id = 0; id < kEffectIdCount; ++id) {
        SCOPED_TRACE(id);
        const int want = id < static_cast<int>(c.flags.size()) ? c.flags[id] : -1;
        EXPECT_EQ(fx->GetEffect(id) != nullptr, want >= 0);
        if (want >= 0) EXPECT_EQ(fx->GetFlag(id), want);
    }
    const float p[3] = {0, 0, 0};
    EXPECT_EQ(fx->Play(256, p, p, 0), -1);
    EXPECT_EQ(fx->Play(-1, p, p, 0), -1);
    EXPECT_EQ(fx->Play(0, p, p, 0) >= 0, !c.flags.empty() && c.flags[0] >= 0);
}

INSTANTIATE_TEST_SUITE_P(Lists, ListTest, testing::Values(
    ListCase{"only256", Lines(300), Flags(256)},
    ListCase{"emptyLineKeepsIds", "red.skfe,1\n\ngreen.skfe,2\n", {1, -1, 2}},
    ListCase{"crlfAndNoComma", "green.skfe,3\r\nred.skfe\r\nmissing.skfe,1\r\nred.skfe,258\r\n", {3, 0, -1, 2}},
    ListCase{"longLineDropped", std::string(300, 'x') + ",1\ngreen.skfe,5\n", {-1, 5}},
    ListCase{"noList", "", {}}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

struct PlaceCase {
    int lineFlag, callerFlag;
    float from[3], to[3];
    float at[3];
    float xAxis[3];  // where the play's +X points, scaled
};

TEST_F(EffectSystemTest, BattlePlacementFollowsBothFlags) {
    EffectSystem* fx = Make("red.skfe,0\nred.skfe,1\nred.skfe,2\nred.skfe,3\n");
    ASSERT_NE(fx, nullptr);
    const PlaceCase cases[] = {
        {0, 0, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {32, 0, 0}},
        {0, 1, {10, 20, 30}, {10, 20, 30}, {10, 52, 30}, {32, 0, 0}},
        {1, 0, {10, 20, 30}, {10, 20, 30}, {10, -12, 30}, {32, 0, 0}},
        {1, 1, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {32, 0, 0}},
        {2, 0, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {32, 0, 0}},
        {2, 1, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {32, 0, 0}},
        {3, 0, {10, 20, 30}, {10, 20, 30}, {10, -12, 30}, {32, 0, 0}},
        {3, 1, {10, 20, 30}, {10, 20, 30}, {10, -12, 30}, {32, 0, 0}},
        {1, 0, {0, 40, 0}, {64, 0, 0}, {0, 8, 0}, {32, 0, 0}},
        {1, 1, {0, 40, 0}, {64, 0, 0}, {0, 40, 0}, {32, 0, 0}},
        // +X turned onto the ground direction from source to target.
        {0, 0, {0, 0, 0}, {0, 0, 64}, {0, 0, 64}, {0, 0, 32}},
        {0, 0, {5, 0, 5}, {-5, 0, 5}, {-5, 0, 5}, {-32, 0, 0}},
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.lineFlag << " caller " << c.callerFlag << " to " << c.to[0]);
        const int32_t handle = fx->Play(c.lineFlag, c.from, c.to, c.callerFlag);
        ASSERT_GE(handle, 0);
        const Fx::Matrix43 m = fx->GetManager()->GetMatrix(handle);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(m.value[3][k], c.at[k], 1e-4);
            EXPECT_NEAR(m.value[0][k], c.xAxis[k], 1e-3);
        }
        EXPECT_NEAR(std::hypot(m.value[1][0], m.value[1][1], m.value[1][2]), 32.0f, 1e-3);
    }
}

TEST_F(EffectSystemTest, TexturesAreSharedAndFreedWithTheirLastEffect) {
    const int64_t before = GetTextureMemoryTotal();
    EffectSystem* fx = Make("red.skfe\ngreen.skfe\n");
    ASSERT_NE(fx, nullptr);
    QmTextureLoader* cache = fx->GetTextureLoader();
    EXPECT_EQ(cache->GetCachedCount(), 1u);
    EXPECT_EQ(cache->GetTotalBytes(), 8 * 8 * 4);
    EXPECT_EQ(fx->GetEffect(0)->GetTexture(0), fx->GetEffect(1)->GetTexture(0));
    cache->Unload(reinterpret_cast<void*>(uintptr_t{999999}));  // not ours: ignored
    // A play keeps its effect (and so the texture) until it is collected.
    const float p[3] = {0, 0, 0};
    fx->Play(0, p, p, 0);
    Fx::Effect* red = fx->GetEffect(0);
    red->AddRef();
    fx->OnLostDevice();
    EXPECT_EQ(cache->GetCachedCount(), 1u);
    red->Release();
    EXPECT_EQ(cache->GetCachedCount(), 1u) << "the stopped play still holds the effect";
    Run(4);
    EXPECT_EQ(cache->GetCachedCount(), 0u);
    EXPECT_EQ(cache->GetTotalBytes(), 0);
    EXPECT_EQ(GetTextureMemoryTotal(), before);
    fx->OnResetDevice();
    EXPECT_EQ(cache->GetCachedCount(), 1u);
}

TEST_F(EffectSystemTest, DeviceLossCyclesKeepIdsAndLeakNothing) {
    EffectSystem* fx = Make("red.skfe,1\n\ngreen.skfe,2\n");
    ASSERT_NE(fx, nullptr);
    const int64_t textures = GetTextureMemoryTotal();
    const float p[3] = {0, 0, 0};
    for (int cycle = 0; cycle < 10; ++cycle) {
        SCOPED_TRACE(cycle);
        const int32_t handle = fx->Play(cycle % 2 == 0 ? 0 : 2, p, p, 0);
        ASSERT_GE(handle, 0);
        Run(2);
        fx->OnLostDevice();
        EXPECT_EQ(fx->GetRenderer(), nullptr);
        EXPECT_EQ(fx->IsEnd(handle), 1);
        Run(4);
        fx->OnResetDevice();
        ASSERT_NE(fx->GetRenderer(), nullptr);
        EXPECT_TRUE(fx->GetEffect(0) && !fx->GetEffect(1) && fx->GetEffect(2));
        EXPECT_EQ(fx->GetFlag(2), 2);
        EXPECT_EQ(GetTextureMemoryTotal(), textures);
        EXPECT_EQ(fx->GetManager()->GetRestInstancesCount(), kEffectInstanceCount);
    }
    EXPECT_EQ(fx->IsEnd(123456), 1) << "a handle never issued has ended";
}

TEST(EffectSoundNames, MapToAdpAndRefuseLongPaths) {
    QmSoundLoader loader;
    const std::pair<std::string, const char*> cases[] = {
        {"Sound/hit.wav", "Sound/hit.adp"}, {"Sound/hit", "Sound/hit.adp"},
        {"se.v1/hit", "se.v1/hit.adp"},     {std::string(256, 'a'), nullptr},
    };
    for (const auto& [path, want] : cases) {
        void* name = loader.Load(path.c_str());
        if (want == nullptr) {
            EXPECT_EQ(name, nullptr);
        } else {
            ASSERT_NE(name, nullptr);
            EXPECT_STREQ(static_cast<const char*>(name), want);
        }
        loader.Unload(name);
    }
}

// A play at the middle of the screen, seen by the battle camera or drawn
// alone on the 2D layer; layer plays stay out of the camera pass.
TEST_F(EffectSystemTest, BattleAndLayerPlaysDrawTheirPixels) {
    EffectSystem* fx = Make("red.skfe,2\ngreen.skfe,2\n");
    ASSERT_NE(fx, nullptr);
    SetScreenSize(kWidth, kHeight);
    const CameraParams camera{45.0f, 1.0f, 1.0f, 2000.0f, {0, 0, 0}, {0, 0, 400}, {0, 1, 0}};
    const float origin[3] = {0, 0, 0};
    const float screenMiddle[3] = {128, 128, 0};
    const int32_t battle = fx->Play(0, origin, origin, 0);
    const int32_t layer = fx->PlayLayer(1, screenMiddle);
    ASSERT_GE(battle, 0);
    ASSERT_GE(layer, 0);
    Run(2);

    ClearScreen(0, 0, 0);
    fx->Draw(&camera);
    EXPECT_GT(LitCount(108, 108, 148, 148, 0), 200) << "the battle play is red at the middle";
    EXPECT_EQ(LitCount(0, 0, 256, 256, 1), 0) << "the layer play stays out of the camera pass";

    fx->Stop(battle);
    ClearScreen(0, 0, 0);
    fx->DrawHandle(layer);
    // 56 pixels across (the sprite's unit square at the layer scale), centred.
    EXPECT_GT(LitCount(110, 110, 146, 146, 1), 36 * 36 - 40);
    EXPECT_EQ(LitCount(0, 0, 90, 256, 1) + LitCount(166, 0, 256, 256, 1), 0);
    EXPECT_EQ(LitCount(0, 0, 256, 256, 0), 0);
}

}  // namespace
