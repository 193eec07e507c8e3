// The effect layer class through a real script: a fresh layer names no play,
// the alpha clamps, the layers draw their plays in z order on Mesa, and a
// layer's play ends with a new Start or with the layer.
#include <gtest/gtest.h>

#include "effects/game/effect_system.h"
#include "game/battle_classes.h"
#include "gfx/gl_state.h"
#include "script/layer_interface.h"
#include "script/script_host.h"
#include "tests/effects_game/effect_files.h"
#include "tests/script/script_test_util.h"

namespace {

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

TEST_F(EfkLayerTest, FreshAndUnknownPlaysHaveEndedAndValuesRoundTrip) {
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
        a.SetAngle(30); a.SetScale(2); a.SetPos(10, 20); a.Move(5, -5);
        check("kept", [a.GetAngle(), a.GetScale(), a.GetPosX(), a.GetPosY()].reduce(@(p, x) p * 100 + x), 30021515);
    )");
}

TEST_F(EfkLayerTest, LayersDrawInZOrderAndOwnTheirPlays) {
    SetScreenSize(kWidth, kHeight);
    Run(R"(
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
    Run("red = null;");
}

}  // namespace
