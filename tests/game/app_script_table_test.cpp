// The script table App on a real VM: loading further scripts, the name rule,
// the event ring from the script side, the config slots, names, the battle
// hand-over and the flags.
#include "game/app_script_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/random.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "game/app.h"
#include "game/config_slots.h"
#include "media/sound_manager.h"
#include "script/script_bind.h"
#include "script/script_host.h"
#include "tests/script/script_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

class AppTableTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        ASSERT_TRUE(dir_.Write("script/ok.cnut", CompileToCnut(v, "loaded <- \"ok\";", "ok.nut")));
        ASSERT_TRUE(dir_.Write("script/nested/inner.cnut", CompileToCnut(v, "loaded <- \"inner\";", "inner.nut")));
        ASSERT_TRUE(dir_.Write("script/lib.cnut", CompileToCnut(v, "libRan <- true; return 42;", "lib.nut")));
        ASSERT_TRUE(dir_.Write("script/throws.nut", "ran <- true; throw \"boom\";"));
        ASSERT_TRUE(dir_.Write("script/broken.nut", "function ( {"));
        ASSERT_TRUE(dir_.Write("script/plain.txt", "loaded <- \"plain text source\";"));
        ASSERT_TRUE(dir_.Write("script/dot.", "loaded <- \"dot\";"));
        app_ = std::make_unique<App>();
        app_->scriptFolder = DirMgr(nullptr, dir_.File("script").c_str(), nullptr);
        ASSERT_NE(app_->scriptFolder, nullptr);
        ASSERT_EQ(RegisterAppScriptTable(app_.get()), 1);
    }
    void TearDown() override {
        FsMgr::Release(app_->scriptFolder);
        app_.reset();
        ScriptTest::TearDown();
    }

    EvalResult Run(const std::string& source) { return RunSource(v, source); }

    TempDir dir_;
    std::unique_ptr<App> app_;
};

TEST_F(AppTableTest, DoScriptIsTrueWhenTheFileLoadedEvenIfItThrows) {
    const std::string longest(kMaxScriptNameLength, 'n');
    struct Case {
        std::string name;
        bool result;
        const char* loaded;   // the value the script left in `loaded`, or null
        std::string logLine;  // a fragment the log must hold, or empty
    } cases[] = {
        {"ok", true, "ok", ""},
        {"nested/inner", true, "inner", ""},
        {"plain.txt", true, "plain text source", ""},  // an extension is used as given, as source
        {"dot.", true, "dot", ""},
        {"throws.nut", true, nullptr, "script: boom"},
        {"missing", false, nullptr, "open \"missing.cnut\""},
        {"ok.nut", false, nullptr, "open \"ok.nut\""},  // no ".cnut" added behind an extension
        {"broken.nut", false, nullptr, "Compile Error:"},
        {longest, false, nullptr, "open \"" + longest + ".cnut\""},
        {longest + "x", false, nullptr, "more than 254"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 40));
        ASSERT_TRUE(Run("loaded <- null; ran <- false;").ok);
        LogCapture log;
        SQInteger top = sq_gettop(v);
        EvalResult result = Eval(v, "App.DoScript(\"" + c.name + "\")");
        EXPECT_EQ(sq_gettop(v), top);
        ASSERT_TRUE(result.ok);
        ASSERT_EQ(result.type, OT_BOOL);
        EXPECT_EQ(result.boolean, c.result);
        EvalResult loaded = Eval(v, "loaded");
        if (c.loaded != nullptr) {
            EXPECT_EQ(loaded.text, c.loaded);
        } else {
            EXPECT_EQ(loaded.type, OT_NULL);
        }
        if (!c.logLine.empty()) {
            EXPECT_TRUE(log.Contains(c.logLine)) << c.logLine;
        }
        // The throwing script did run up to its throw.
        if (c.name == "throws.nut") {
            EXPECT_TRUE(Eval(v, "ran").boolean);
        }
    }
}

// A stand-in for the battle script class: an instance's native object is a
// fixed address, and the class carries the battle's type tag.
char gBattleObject;
char gOtherObject;

SQInteger FakeBattleConstructor(HSQUIRRELVM v) {
    sq_setinstanceup(v, 1, &gBattleObject);
    return 0;
}
SQInteger OtherConstructor(HSQUIRRELVM v) {
    sq_setinstanceup(v, 1, &gOtherObject);
    return 0;
}

void RegisterTaggedClass(HSQUIRRELVM v, const char* name, SQFUNCTION constructor, SQUserPointer tag) {
    const ScriptMethodRow rows[] = {{"constructor", constructor, 1, nullptr, false}};
    ASSERT_EQ(RegisterScriptClass(name, rows, 1), 1);
    sq_pushroottable(v);
    sq_pushstring(v, name, -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    sq_settypetag(v, -1, tag);
    sq_pop(v, 2);
}

TEST_F(AppTableTest, BeginBattleTakesOnlyBattleInstances) {
    RegisterTaggedClass(v, "FakeBattle", FakeBattleConstructor, QmBattleTypeTag());
    RegisterTaggedClass(v, "Other", OtherConstructor, &gOtherObject);
    ASSERT_TRUE(Run("class Derived extends FakeBattle {} battle <- FakeBattle(); other <- Other();").ok);

    LogCapture log;
    ASSERT_TRUE(Run("App.BeginBattle(other);").ok);
    EXPECT_EQ(app_->battle, nullptr);
    EXPECT_TRUE(log.Contains("not a battle"));

    ASSERT_TRUE(Run("App.BeginBattle(battle);").ok);
    EXPECT_EQ(static_cast<void*>(app_->battle), &gBattleObject);
    ASSERT_TRUE(Run("App.BeginBattle(other);").ok);  // a wrong instance leaves the battle as it was
    EXPECT_EQ(static_cast<void*>(app_->battle), &gBattleObject);
    ASSERT_TRUE(Run("App.EndBattle();").ok);
    EXPECT_EQ(app_->battle, nullptr);

    ASSERT_TRUE(Run("App.BeginBattle(Derived());").ok);  // a script class built on the battle counts
    EXPECT_EQ(static_cast<void*>(app_->battle), &gBattleObject);
    EXPECT_FALSE(Run("App.BeginBattle(3);").ok);  // not an instance at all: a script error
    EXPECT_FALSE(Run("App.BeginBattle();").ok);
}

TEST_F(AppTableTest, EventRingFromTheScripts) {
    EXPECT_EQ(Eval(v, "App.DequeueEvent()").type, OT_NULL);
    ASSERT_TRUE(Run("App.EnqueueEvent(5); App.EnqueueEvent(0x100000007);").ok);  // low 32 bits
    app_->PushEvent(7, -3);
    for (SQInteger word : {5, 0, 7, 0, 7, -3}) {
        EvalResult result = Eval(v, "App.DequeueEvent()");
        ASSERT_EQ(result.type, OT_INTEGER);
        EXPECT_EQ(result.integer, word);
    }
    EXPECT_EQ(Eval(v, "App.DequeueEvent()").type, OT_NULL);
    LogCapture log;
    EXPECT_FALSE(Run("App.EnqueueEvent(1.5);").ok);  // integers only
    EXPECT_FALSE(Run("App.EnqueueEvent();").ok);
    EXPECT_EQ(app_->events.count, 0);
}

TEST_F(AppTableTest, NativesWithoutTheirAppFailCleanly) {
    sq_setforeignptr(v, nullptr);
    LogCapture log;
    EXPECT_FALSE(Run("App.DequeueEvent();").ok);
    EXPECT_TRUE(log.Contains("no application object"));
    sq_setforeignptr(v, app_.get());
}

TEST_F(AppTableTest, ScriptNameRule) {
    struct Case { std::string name; bool accepted; std::string file; } cases[] = {
        {"battle/main", true, "battle/main.cnut"},
        {"x.nut", true, "x.nut"},
        {"dir.v2/x", true, "dir.v2/x.cnut"},  // a dot in a folder is no extension
        {"", true, ".cnut"},
        {std::string(254, 'a'), true, std::string(254, 'a') + ".cnut"},
        {std::string(255, 'a'), false, ""},
        {std::string(250, 'a') + ".nut", true, std::string(250, 'a') + ".nut"},
        {std::string(252, 'a') + ".nut", false, ""},
    };
    LogCapture log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 20));
        std::string file;
        EXPECT_EQ(MakeScriptFileName(c.name.c_str(), &file), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(file, c.file);
        }
    }
}

TEST_F(AppTableTest, ConfigSlotsKeepValuesAsGiven) {
    struct Case {
        const char* set;  // script statement, or null
        int slot;
        SQInteger value;  // GetConfig(slot) afterwards
    } cases[] = {
        {nullptr, 0, 5},  // fresh values
        {nullptr, 1, 0},
        {nullptr, 2, 100},
        {"App.SetConfig(3, 50)", 3, 50},
        {"App.SetConfig(0, 250)", 0, 250},  // no clamp here
        {"App.SetConfig(1, -7)", 1, -7},
        {"App.SetConfig(4, 2.9)", 4, 2},  // floats are truncated
        {"App.SetConfig(2.7, 33)", 2, 33},
        {"App.SetConfig(7, 9)", 7, 0},  // unknown slots are ignored and read 0
        {"App.SetConfig(-1, 9)", -1, 0},
        {"App.SetConfig(0x100000001, 9)", 1, -7},  // a 64-bit slot is not taken modulo 2^32
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set ? c.set : "default");
        if (c.set != nullptr) {
            ASSERT_TRUE(Run(c.set).ok);
        }
        EvalResult got = Eval(v, "App.GetConfig(" + std::to_string(c.slot) + ")");
        ASSERT_EQ(got.type, OT_INTEGER);
        EXPECT_EQ(got.integer, c.value);
    }
    EXPECT_EQ(app_->GetConfigValue(kConfigSoundVolSe), 50);
    SoundManagerOptions silent;  // with sound running, the volume slots are heard
    silent.output = CreateNullOutput(nullptr);
    silent.runMixerTask = false;
    ASSERT_TRUE(SoundManagerInitWith(44100, kSoundStereo, nullptr, silent));
    ASSERT_TRUE(Run("App.SetConfig(3, 40); App.SetConfig(2, 0);").ok);
    EXPECT_EQ(std::vector<float>({GetCategoryGain(1), GetCategoryGain(2), GetCategoryGain(3)}),
              std::vector<float>({0.0f, 40 * 0.01f, 40 * 0.01f}));
    SoundManagerShutdown();
    LogCapture log;
    EXPECT_FALSE(Run("App.SetConfig(\"3\", 1);").ok);
}

}  // namespace
