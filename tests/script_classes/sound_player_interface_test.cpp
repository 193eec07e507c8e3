// SoundPlayer through scripts on a hand-stepped mixer: pause, setters on Update, the release.
#include <gtest/gtest.h>

#include "media/sound_codec.h"
#include "script/file_classes.h"
#include "script/script_host.h"
#include "script/sound_player_interface.h"
#include "tests/media/sound_mixer_fixture.h"
#include "tests/script/script_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

class SoundPlayerInterfaceTest : public SoundMixerTest {
protected:
    void SetUp() override {
        SoundMixerTest::SetUp();
        const std::string tone = EncodeToBytes(GetAdpcmWriterCodec(), Sine(44100, 2, 300, 22050), 2, 22050);
        ASSERT_TRUE(folder.Write("se/tone.adp", tone));
        SetScriptVMAllocator(&vmAllocator);
        ASSERT_NE(v = CreateScriptVM(), nullptr);
        RegisterFileSystemClasses();
        RegisterFileClass();
        RegisterSoundPlayerClass();
        SetCurrentFsMgr(nullptr);
        Run("folder <- \"" + folder.path() + "\";");
    }
    void TearDown() override {
        CloseScriptVM();
        SetScriptVMAllocator(nullptr);
        EXPECT_TRUE(vmAllocator.live.empty() && vmAllocator.badFrees == 0) << LiveBytes(vmAllocator) << " bytes kept";
        SoundMixerTest::TearDown();
    }
    EvalResult Eval(const std::string& expression) { return ::Eval(v, expression); }
    void Run(const std::string& source) { ASSERT_TRUE(RunSource(v, source).ok) << source; }

    TrackingAllocator vmAllocator;
    HSQUIRRELVM v = nullptr;
    TempDir folder;
};

TEST_F(SoundPlayerInterfaceTest, PlaysPausesAndTakesSettersOnUpdate) {
    Run("p <- SoundPlayer(); p.SetFsMgr(DirMgr(folder)); p.StartFile(\"se/tone.adp\");");
    EXPECT_TRUE(Eval("p.IsPlaying()").boolean);  // before the mixer has run
    RunMixerSteps(3);
    EXPECT_GT(Eval("p.GetTime()").integer, 0);
    Run("p.Pause(7);");
    RunMixerSteps(2);
    SQInteger held = Eval("p.GetTime()").integer;
    RunMixerSteps(4);
    EXPECT_EQ(Eval("p.GetTime()").integer, held);
    EXPECT_TRUE(Eval("p.IsPaused()").boolean);
    Run("p.Pause(0); p.SetVolume(0.0);");
    RunMixerSteps(2);
    EXPECT_NE(output->captured[0].back(), 0);  // no Update yet
    Run("p.Update();");
    RunMixerSteps(2);
    EXPECT_EQ(output->captured[0].back(), 0);
    Run("p.Stop(); p.StartId(3);");
    RunMixerSteps(2);
    EXPECT_FALSE(Eval("p.IsPlaying()").boolean);
}

// Dropped bytes and managers: the whole game's test. The release stops the voices at once.
TEST_F(SoundPlayerInterfaceTest, TheReleaseStopsTheVoicesAtOnce) {
    Run("q <- SoundPlayer(); q.SetFsMgr(DirMgr(folder)); q.StartFile(\"se/tone.adp\"); q.StartFile(\"se/tone.adp\");");
    RunMixerSteps(1);
    EXPECT_EQ(VoicePoolBusyCount(adpcm), 2u);
    Run("q = null;");
    EXPECT_EQ(VoicePoolBusyCount(adpcm), 0u);
}

}  // namespace
