// The effect system on headless Mesa over a folder of two one-colour sprites (red.skfe, green.skfe) sharing a texture.
#include <png.h>

#include <cmath>

#include "effect_builder.h"
#include "effects/game/effect_loaders.h"
#include "effects/game/effect_system.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fx/effect.h"
#include "fx/effect_node_sprite.h"
#include "fx/manager.h"
#include "game/battle_classes.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "script/layer_interface.h"
#include "script/script_host.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/script/script_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Sprite(Fx::Color colour) {
    FxWriter::EffectBuilder builder;
    builder.header.texturePaths = {"tex/dot.png"};
    auto& sprite = builder.Add<Fx::EffectNodeSprite>();
    sprite.common.life = {1000, 1000};
    sprite.common.locationBind = sprite.common.rotationBind = sprite.common.scaleBind = 2;  // follows the play
    sprite.rendererCommon.textureIndex = 0;
    sprite.rendererCommon.depthTest = false;
    sprite.allColor.fixed = colour;
    const std::vector<uint8_t> bytes = builder.Build();
    return std::string(bytes.begin(), bytes.end());
}

class EffectSystemTest : public GfxTest {
protected:
    void TearDown() override {
        EffectSystem::Destroy();
        EXPECT_EQ(EffectSystem::Get(), nullptr);
        FsMgr::Release(pack_);
        GfxTest::TearDown();
    }
    // Writes the folder with `list` (no list.txt when null) and makes a new system.
    EffectSystem* Make(const char* list) {
        const PngLayout dot{8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, std::vector<uint8_t>(8 * 8 * 4, 255), {}, {}};
        if (!dir_.Write("effect/tex/dot.png", WritePng(dot)) || !dir_.Write("effect/red.skfe", Sprite({255, 0, 0, 255})) ||
            !dir_.Write("effect/green.skfe", Sprite({0, 255, 0, 255})) || (list && !dir_.Write("effect/list.txt", list))) {
            return nullptr;
        }
        EffectSystem::Destroy();
        FsMgr::Release(pack_);
        pack_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
        return EffectSystem::Create(pack_);
    }
    static void Run(int updates) {
        for (int i = 0; i < updates; ++i) EffectSystem::Get()->Update();
    }
    // Pixels of [x0, x1) x [y0, y1) whose channel (0 red, 1 green) is above half.
    static int LitCount(int x0, int y0, int x1, int y1, int channel) {
        const std::vector<uint8_t> p = ReadRect(x0, y0, x1 - x0, y1 - y0);
        int count = 0;
        for (size_t i = 0; i < p.size(); i += 4) count += p[i + channel] > 128;
        return count;
    }

    TempDir dir_;
    FsMgr* pack_ = nullptr;
};

// Ids are line numbers: per list, the flag of each id from 0 (-1: no effect; later ids are empty).
// Lines naming one file share its effect; the three copies of 11,000 nodes pass the list's 32,768.
TEST_F(EffectSystemTest, ListLinesAreIds) {
    FxWriter::EffectBuilder big;
    for (int i = 0; i < 10999; ++i) big.Add(big.root);
    const std::vector<uint8_t> bigBytes = big.Build();
    for (const char* name : {"effect/a.skfe", "effect/b.skfe", "effect/c.skfe"}) dir_.Write(name, {bigBytes.begin(), bigBytes.end()});
    std::string lines300;
    std::vector<int> flags256;
    for (int i = 0; i < 300; ++i) lines300 += "red.skfe," + std::to_string(i % 7) + "\n";
    for (int i = 0; i < kEffectIdCount; ++i) flags256.push_back(i % 7);
    const std::pair<std::string, std::vector<int>> cases[] = {
        {"", {}},  // no list.txt at all
        {lines300, flags256},
        {"red.skfe,1\n\ngreen.skfe,2\n", {1, -1, 2}},
        {"green.skfe,3\r\nred.skfe\r\nmissing.skfe,1\r\nred.skfe,258\r\n", {3, 0, -1, 2}},
        {std::string(300, 'x') + ",1\ngreen.skfe,5\n", {-1, 5}},
        {"a.skfe,1\nb.skfe\nc.skfe\nred.skfe,3\na.skfe,4\n", {1, 0, -1, 3, 4}},
    };
    for (const auto& [list, flags] : cases) {
        EffectSystem* fx = Make(list.empty() ? nullptr : list.c_str());
        ASSERT_NE(fx, nullptr);
        for (int id = 0; id < kEffectIdCount; ++id) {
            const int want = id < static_cast<int>(flags.size()) ? flags[id] : -1;
            EXPECT_EQ(fx->GetEffect(id) != nullptr, want >= 0) << list.substr(0, 20) << " id " << id;
            if (want >= 0) { EXPECT_EQ(fx->GetFlag(id), want) << id; }
        }
        EXPECT_TRUE(fx->GetEffect(0) == fx->GetEffect(4) || flags.size() != 5) << "both a.skfe";
        const float p[3] = {0, 0, 0};
        EXPECT_EQ(fx->Play(256, p, p, 0), -1);
        EXPECT_EQ(fx->Play(0, p, p, 0) >= 0, !flags.empty() && flags[0] >= 0);
    }
}

TEST_F(EffectSystemTest, BattlePlacementFollowsBothFlags) {
    EffectSystem* fx = Make("red.skfe,0\nred.skfe,1\nred.skfe,2\nred.skfe,3\n");
    ASSERT_NE(fx, nullptr);
    // line flag, caller flag, from, to, where it plays, where its +X points (x 32)
    const struct { int line, caller; float from[3], to[3], at[3], xAxis[3]; } cases[] = {
        {0, 0, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {32, 0, 0}}, {0, 1, {10, 20, 30}, {10, 20, 30}, {10, 52, 30}, {32, 0, 0}},
        {1, 0, {10, 20, 30}, {10, 20, 30}, {10, -12, 30}, {32, 0, 0}}, {1, 1, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {32, 0, 0}},
        {2, 0, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {32, 0, 0}}, {2, 1, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}, {32, 0, 0}},
        {3, 0, {10, 20, 30}, {10, 20, 30}, {10, -12, 30}, {32, 0, 0}}, {3, 1, {10, 20, 30}, {10, 20, 30}, {10, -12, 30}, {32, 0, 0}},
        {1, 0, {0, 40, 0}, {64, 0, 0}, {0, 8, 0}, {32, 0, 0}},         {1, 1, {0, 40, 0}, {64, 0, 0}, {0, 40, 0}, {32, 0, 0}},
        {0, 0, {0, 0, 0}, {0, 0, 64}, {0, 0, 64}, {0, 0, 32}},         {0, 0, {5, 0, 5}, {-5, 0, 5}, {-5, 0, 5}, {-32, 0, 0}},
    };
    for (const auto& c : cases) {
        const int32_t handle = fx->Play(c.line, c.from, c.to, c.caller);
        ASSERT_GE(handle, 0);
        const Fx::Matrix43 m = fx->GetManager()->GetMatrix(handle);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(m.value[3][k], c.at[k], 1e-4) << "line " << c.line << " caller " << c.caller << " to " << c.to[0];
            EXPECT_NEAR(m.value[0][k], c.xAxis[k], 1e-3) << "line " << c.line << " to " << c.to[0];
        }
        EXPECT_NEAR(std::hypot(m.value[1][0], m.value[1][1], m.value[1][2]), 32.0f, 1e-3);
    }
}

TEST_F(EffectSystemTest, TexturesAreSharedAndDeviceLossCyclesKeepIdsAndLeakNothing) {
    const int64_t before = GetTextureMemoryTotal();
    EffectSystem* fx = Make("red.skfe,1\n\ngreen.skfe,2\n");
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(fx->GetTextureLoader()->GetCachedCount(), 1u);
    EXPECT_EQ(fx->GetTextureLoader()->GetTotalBytes(), 8 * 8 * 4);
    EXPECT_EQ(fx->GetEffect(0)->GetTexture(0), fx->GetEffect(2)->GetTexture(0));
    fx->GetTextureLoader()->Unload(reinterpret_cast<void*>(uintptr_t{999999}));  // not ours: ignored
    const int64_t textures = GetTextureMemoryTotal();
    const float p[3] = {0, 0, 0};
    for (int cycle = 0; cycle < 10; ++cycle) {
        const int32_t handle = fx->Play(cycle % 2 == 0 ? 0 : 2, p, p, 0);
        Run(2);
        fx->OnLostDevice();
        EXPECT_EQ(fx->GetTextureLoader()->GetCachedCount(), 1u) << "the stopped play still holds its effect";
        EXPECT_TRUE(handle >= 0 && fx->IsEnd(handle) == 1 && fx->GetRenderer() == nullptr) << cycle;
        Run(4);
        EXPECT_EQ(fx->GetTextureLoader()->GetCachedCount() + fx->GetTextureLoader()->GetTotalBytes(), 0u) << cycle;
        EXPECT_EQ(GetTextureMemoryTotal(), before) << cycle;
        fx->OnResetDevice();
        EXPECT_TRUE(fx->GetRenderer() && fx->GetEffect(0) && !fx->GetEffect(1) && fx->GetFlag(2) == 2) << cycle;
        EXPECT_EQ(GetTextureMemoryTotal(), textures) << cycle;
        EXPECT_EQ(fx->GetManager()->GetRestInstancesCount(), kEffectInstanceCount) << cycle;
    }
    EXPECT_EQ(fx->IsEnd(123456), 1) << "a handle never issued has ended";
}

TEST(EffectSoundNames, MapToAdpAndRefuseLongPaths) {
    QmSoundLoader loader;
    for (auto [path, want] : {std::pair<std::string, std::string>{"Sound/hit.wav", "Sound/hit.adp"},
                              {"Sound/hit", "Sound/hit.adp"}, {"se.v1/hit", "se.v1/hit.adp"}, {std::string(256, 'a'), ""}}) {
        void* name = loader.Load(path.c_str());
        EXPECT_EQ(name ? static_cast<const char*>(name) : "", want);
        loader.Unload(name);
    }
}

// A battle play seen by the camera and a layer play (56 pixels across) drawn alone.
TEST_F(EffectSystemTest, BattleAndLayerPlaysDrawTheirPixels) {
    EffectSystem* fx = Make("red.skfe,2\ngreen.skfe,2\n");
    ASSERT_NE(fx, nullptr);
    SetScreenSize(kWidth, kHeight);
    const CameraParams camera{45.0f, 1.0f, 1.0f, 2000.0f, {0, 0, 0}, {0, 0, 400}, {0, 1, 0}};
    const float origin[3] = {0, 0, 0}, screenMiddle[3] = {128, 128, 0};
    const int32_t battle = fx->Play(0, origin, origin, 0), layer = fx->PlayLayer(1, screenMiddle);
    ASSERT_TRUE(battle >= 0 && layer >= 0);
    Run(2);
    ClearScreen(0, 0, 0);
    fx->Draw(&camera);
    EXPECT_GT(LitCount(108, 108, 148, 148, 0), 200) << "the battle play is red at the middle";
    EXPECT_EQ(LitCount(0, 0, 256, 256, 1), 0) << "the layer play stays out of the camera pass";
    fx->Stop(battle);
    ClearScreen(0, 0, 0);
    fx->DrawHandle(layer);
    EXPECT_GT(LitCount(110, 110, 146, 146, 1), 36 * 36 - 40);
    EXPECT_EQ(LitCount(0, 0, 90, 256, 1) + LitCount(166, 0, 256, 256, 1) + LitCount(0, 0, 256, 256, 0), 0);
}

class EfkLayerTest : public EffectSystemTest {
protected:
    void SetUp() override {
        EffectSystemTest::SetUp();
        ASSERT_NE(Make("red.skfe\ngreen.skfe\n"), nullptr);
        ASSERT_NE(v_ = CreateScriptVM(), nullptr);
        RegisterLayerInterface();
        RegisterBattleClasses();
        Run("function check(what, got, want) { if (got != want) throw what + \": got \" + got + \", want \" + want; }");
    }
    void TearDown() override {
        CloseScriptVM();
        EXPECT_EQ(LivePlays(), 0) << "released layers stop their plays";
        FreeGlobalLayerList();
        EffectSystemTest::TearDown();
    }
    void Run(const std::string& source) {
        const EvalResult result = RunSource(v_, source);
        EXPECT_TRUE(result.ok) << result.text;
    }
    static int LivePlays() {
        int live = 0;
        for (int32_t handle = 0; handle < 32; ++handle) live += EffectSystem::Get()->IsEnd(handle) == 0;
        return live;
    }
    // Pixels of the channel (0 red, 1 green) lit in the middle 16 x 16 after a layer pass.
    static int MiddleAfterLayerPass(int channel) {
        ClearScreen(0, 0, 0);
        DrawGlobalLayerList();
        return LitCount(120, 120, 136, 136, channel);
    }

    HSQUIRRELVM v_ = nullptr;
};

TEST_F(EfkLayerTest, LayersClampAlphaDrawInZOrderAndOwnTheirPlays) {
    SetScreenSize(kWidth, kHeight);
    Run(R"(
        local a = QmEfkLayer();
        check("fresh", a.IsEnd(), true);
        a.Stop();
        a.Start(300);
        check("unknown id", a.IsEnd(), true);
        foreach (c in [[1.5, 255], [-0.2, 0], [0.5, 127]]) {
            a.SetAlpha(c[0]);
            check("alpha " + c[0], (a.GetAlpha() * 255 + 0.5).tointeger(), c[1]);
        }
        a.SetColor(0x112233CC);
        check("colour alpha", (a.GetAlpha() * 255 + 0.5).tointeger(), 0xCC);
        red <- QmEfkLayer();
        red.SetPos(128, 128);
        red.Start(0);
        red.Start(0);  // the first play stops
        red.SetZ(10);
        green <- QmEfkLayer();
        green.Start(1);
        green.SetPos(128, 128);  // the play moves with the layer
        green.SetZ(5);
    )");
    EXPECT_EQ(LivePlays(), 2);
    EffectSystemTest::Run(2);
    EXPECT_EQ(MiddleAfterLayerPass(0), 16 * 16) << "red, at z 10, is drawn last";
    Run("red.SetZ(1);");
    EXPECT_EQ(MiddleAfterLayerPass(1), 16 * 16);
    Run("green = null;");
    EXPECT_EQ(LivePlays(), 1) << "a dropped layer stops its play";
    EXPECT_EQ(MiddleAfterLayerPass(1), 0);
    EffectSystem::Destroy();
    EXPECT_EQ(MiddleAfterLayerPass(0), 0) << "a layer outliving the effect system draws nothing";
    ASSERT_NE(Make("red.skfe\n"), nullptr);
    Run("red = null;");
}

}  // namespace
