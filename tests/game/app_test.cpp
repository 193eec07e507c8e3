// The App without a window: event ring and input words, the names file, and the script table App on a VM.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/input.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "game/app.h"
#include "game/app_events.h"
#include "game/app_script_table.h"
#include "game/config_slots.h"
#include "game/puppet_names.h"
#include "media/sound_manager.h"
#include "script/script_bind.h"
#include "tests/script/script_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using Words = std::vector<int32_t>;

Words Drain(EventRing* ring) {
    Words words;
    for (int32_t word = 0; ring->Pop(&word);) words.push_back(word);
    return words;
}

TEST(EventRing, APairFitsOnlyWhileTwoWordsAreFreeAndQueuedWordsStayIntact) {
    for (int queued : {0, 61, 62, 63, 64}) {
        SCOPED_TRACE(queued);
        EventRing ring;
        int32_t word = 0;
        ring.Push(1, 2), ring.Push(3, 4);  // start half-way round: the stored words wrap past the end
        for (int i = 0; i < 4; ++i) ring.Pop(&word);
        while (ring.count < queued - 1) ring.Push(ring.count, ring.count + 1);
        if (ring.count < queued) ring.Push(ring.count, ring.count + 1), ring.Pop(&word);
        ASSERT_EQ(ring.count, queued);
        EventRing copy = ring;
        Words expected = Drain(&copy);
        if (queued <= 62) expected.insert(expected.end(), {7, 8});
        ring.Push(7, 8);
        EXPECT_EQ(Drain(&ring), expected);
    }
}

// The words of one frame with only the right button in `state`, at (x, y), pushed at (pushX, pushY).
Words RightButton(uint32_t state, int32_t x, int32_t y, int32_t pushX, int32_t pushY) {
    PointerState none{}, right{};
    ControllerState keys{};
    right.state = state, right.history[0][0] = x, right.history[0][1] = y, right.pushX = pushX, right.pushY = pushY;
    EventRing ring;
    uint32_t dragReported = 0;
    QueueInputEvents(none, right, none, keys, &dragReported, &ring);
    return Drain(&ring);
}

TEST(InputEvents, RightClickBelowEightPixelsDragFromThirtyXBeforeY) {
    const struct { int32_t x, y, pushX, pushY; bool click; } clicks[] = {  // squared distances 49, 50, 64, 65
        {107, 100, 100, 100, true}, {105, 105, 100, 100, true}, {108, 100, 100, 100, false}, {104, 107, 100, 100, false},
        {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, false}, {INT32_MIN, 0, INT32_MAX, 0, false},  // no overflow
    };
    for (const auto& c : clicks) {
        EXPECT_EQ(RightButton(kButtonReleased, c.x, c.y, c.pushX, c.pushY), c.click ? (Words{0, 0, 3, 0}) : (Words{0, 0}))
            << c.x << "," << c.y;
    }
    const struct { int32_t dx, dy, direction; } cases[] = {  // -1: no drag
        {30, 0, 1}, {-30, 0, 0}, {0, -30, 2}, {0, 30, 3}, {40, -40, 1}, {-40, 40, 0},  // x wins
        {29, -40, 2}, {-29, 31, 3}, {29, 29, -1}, {-29, -29, -1}, {0, 0, -1},          // then y decides
    };
    for (const auto& c : cases) {
        Words expected = {0, 0};
        if (c.direction >= 0) expected.insert(expected.end(), {4, c.direction});
        EXPECT_EQ(RightButton(kButtonHeld, 500 + c.dx, 400 + c.dy, 500, 400), expected) << c.dx << "," << c.dy;
    }
}

std::vector<std::string> ReadNames(std::string text) {
    Stream* stream = MemoryStream(text.empty() ? nullptr : &text[0], static_cast<uint32_t>(text.size()), false, nullptr);
    auto names = std::make_unique<PuppetNames>();
    const uint32_t count = ReadPuppetNames(stream, names.get());
    stream->Release();
    EXPECT_EQ(count, names->count);
    return std::vector<std::string>(names->names, names->names + count);
}

TEST(PuppetNames, CrLfOrLfLinesUpToFourHundredCutAtACharacterBoundary) {
    const std::pair<const char*, std::vector<std::string>> lines[] = {
        {"", {}}, {"Ash", {"Ash"}}, {"Ash\r\n", {"Ash"}}, {"Ash\r", {"Ash"}},
        {"Ash\r\nBramble\r\nCinder", {"Ash", "Bramble", "Cinder"}},
        {"Ash\r\n\r\nCinder\r\n", {"Ash", "", "Cinder"}},  // an empty line is an empty name
        {"A\rsh\r\n", {"Ash"}},                             // a CR before another byte is dropped
        {"Ash\nBramble\n\nCinder", {"Ash", "Bramble", "", "Cinder"}},  // a file saved on Linux
    };
    for (const auto& [text, names] : lines) EXPECT_EQ(ReadNames(text), names) << text;
    std::string many;
    for (int i = 0; i < 450; ++i) many += "Name" + std::to_string(i) + "\r\n";
    const std::vector<std::string> names = ReadNames(many);
    EXPECT_EQ(names.size(), 400u);
    EXPECT_EQ(names.back(), "Name399");

    const std::string kana = "\xE3\x82\xA2", ten = kana + kana + kana + kana + kana + kana + kana + kana + kana + kana;
    const std::pair<std::string, std::string> cuts[] = {  // a line, the name kept of it
        {std::string(31, 'a'), std::string(31, 'a')}, {std::string(100, 'c'), std::string(31, 'c')},
        {ten, ten}, {ten + kana, ten}, {"x" + ten, "x" + ten},  // byte 31 would split the 11th
        {"xy" + ten, "xy" + ten.substr(0, 27)}, {std::string(30, 'd') + "\xC3\xA9", std::string(30, 'd')},
    };
    for (const auto& [line, kept] : cuts) EXPECT_EQ(ReadNames(line + "\r\nNext\r\n"), (std::vector<std::string>{kept, "Next"}));
}

class AppTableTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        ASSERT_TRUE(dir_.Write("script/ok.cnut", CompileToCnut(v, "loaded <- \"ok\";", "ok.nut")));
        ASSERT_TRUE(dir_.Write("script/nested/inner.cnut", CompileToCnut(v, "loaded <- \"inner\";", "inner.nut")));
        ASSERT_TRUE(dir_.Write("script/throws.nut", "ran <- true; throw \"boom\";"));
        ASSERT_TRUE(dir_.Write("script/broken.nut", "function ( {"));
        ASSERT_TRUE(dir_.Write("script/plain.txt", "loaded <- \"plain text source\";"));
        ASSERT_TRUE(dir_.Write("script/dot.", "loaded <- \"dot\";"));
        app_ = std::make_unique<App>();
        app_->scriptFolder = DirMgr(nullptr, dir_.File("script").c_str(), nullptr);
        ASSERT_EQ(RegisterAppScriptTable(app_.get()), 1);
    }
    void TearDown() override {
        FsMgr::Release(app_->scriptFolder);
        app_.reset();
        ScriptTest::TearDown();
    }
    bool Run(const std::string& source) { return RunSource(v, source).ok; }

    TempDir dir_;
    std::unique_ptr<App> app_;
};

TEST_F(AppTableTest, DoScriptIsTrueWhenTheFileLoadedEvenIfItThrows) {
    const std::string longest(kMaxScriptNameLength, 'n');
    const struct { std::string name; bool result; const char* loaded; std::string logLine; } cases[] = {
        {"ok", true, "ok", ""}, {"nested/inner", true, "inner", ""}, {"dot.", true, "dot", ""},
        {"plain.txt", true, "plain text source", ""},  // an extension is used as given, as source
        {"throws.nut", true, nullptr, "script: boom"},
        {"missing", false, nullptr, "open \"missing.cnut\""},
        {"ok.nut", false, nullptr, "open \"ok.nut\""},  // no ".cnut" added behind an extension
        {"broken.nut", false, nullptr, "Compile Error:"},
        {longest, false, nullptr, "open \"" + longest + ".cnut\""}, {longest + "x", false, nullptr, "more than 254"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 40));
        ASSERT_TRUE(Run("loaded <- null; ran <- false;"));
        LogCapture log;
        const SQInteger top = sq_gettop(v);
        const EvalResult result = Eval(v, "App.DoScript(\"" + c.name + "\")");
        EXPECT_EQ(sq_gettop(v), top);
        EXPECT_TRUE(result.ok && result.type == OT_BOOL && result.boolean == c.result);
        EXPECT_EQ(Eval(v, "loaded").text, c.loaded ? c.loaded : "");
        EXPECT_TRUE(c.logLine.empty() || log.Contains(c.logLine)) << c.logLine;
        EXPECT_EQ(Eval(v, "ran").boolean, c.name == "throws.nut");  // the throwing script ran up to its throw
    }
    const std::pair<std::string, std::string> names[] = {  // a name and its file, or "" when refused
        {"dir.v2/x", "dir.v2/x.cnut"}, {"", ".cnut"}, {std::string(250, 'a') + ".nut", std::string(250, 'a') + ".nut"},
        {std::string(252, 'a') + ".nut", ""}};
    LogCapture log;
    for (const auto& [name, want] : names) {
        std::string file;
        EXPECT_EQ(MakeScriptFileName(name.c_str(), &file), !want.empty()) << name.size();
        EXPECT_EQ(file, want);
    }
}

// Stand-ins for script classes: instances hold a fixed address, the class a type tag.
char gBattleObject, gOtherObject;

template <char* object>
SQInteger Construct(HSQUIRRELVM v) {
    sq_setinstanceup(v, 1, object);
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
    RegisterTaggedClass(v, "FakeBattle", Construct<&gBattleObject>, QmBattleTypeTag());
    RegisterTaggedClass(v, "Other", Construct<&gOtherObject>, &gOtherObject);
    ASSERT_TRUE(Run("class Derived extends FakeBattle {} battle <- FakeBattle(); other <- Other();"));
    LogCapture log;
    ASSERT_TRUE(Run("App.BeginBattle(other);"));
    EXPECT_EQ(app_->battle, nullptr);
    EXPECT_TRUE(log.Contains("not a battle"));
    ASSERT_TRUE(Run("App.BeginBattle(battle); App.BeginBattle(other);"));  // a wrong instance changes nothing
    EXPECT_EQ(static_cast<void*>(app_->battle), &gBattleObject);
    ASSERT_TRUE(Run("App.EndBattle();"));
    EXPECT_EQ(app_->battle, nullptr);
    ASSERT_TRUE(Run("App.BeginBattle(Derived());"));  // a script class built on the battle counts
    EXPECT_EQ(static_cast<void*>(app_->battle), &gBattleObject);
    EXPECT_FALSE(Run("App.BeginBattle(3);"));  // not an instance at all: a script error
    EXPECT_FALSE(Run("App.BeginBattle();"));
}

TEST_F(AppTableTest, EventRingFromTheScriptsAndNoApp) {
    EXPECT_EQ(Eval(v, "App.DequeueEvent()").type, OT_NULL);
    ASSERT_TRUE(Run("App.EnqueueEvent(5); App.EnqueueEvent(0x100000007);"));  // low 32 bits
    app_->PushEvent(7, -3);
    for (SQInteger word : {5, 0, 7, 0, 7, -3}) {
        const EvalResult result = Eval(v, "App.DequeueEvent()");
        EXPECT_TRUE(result.type == OT_INTEGER && result.integer == word) << word;
    }
    EXPECT_EQ(Eval(v, "App.DequeueEvent()").type, OT_NULL);  // wrong arguments are the script sweep's
    LogCapture log;
    sq_setforeignptr(v, nullptr);
    EXPECT_FALSE(Run("App.DequeueEvent();"));
    EXPECT_TRUE(log.Contains("no application object"));
    sq_setforeignptr(v, app_.get());
}

TEST_F(AppTableTest, ConfigSlotsKeepValuesAsGiven) {
    const struct { const char* set; int slot; SQInteger value; } cases[] = {  // GetConfig(slot) after `set`
        {"", 2, 100}, {"App.SetConfig(3, 50)", 3, 50}, {"App.SetConfig(0, 250)", 0, 250},  // no clamp here
        {"App.SetConfig(1, -7)", 1, -7}, {"App.SetConfig(4, 2.9)", 4, 2}, {"App.SetConfig(2.7, 33)", 2, 33},  // truncated
        {"App.SetConfig(5, 9)", 5, 0}, {"App.SetConfig(-1, 9)", -1, 0},  // unknown slots are ignored and read 0
        {"App.SetConfig(0x100000001, 9)", 1, -7},                        // a 64-bit slot is not taken modulo 2^32
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run(c.set));
        const EvalResult got = Eval(v, "App.GetConfig(" + std::to_string(c.slot) + ")");
        EXPECT_TRUE(got.type == OT_INTEGER && got.integer == c.value) << c.set << " " << got.integer;
    }
    EXPECT_EQ(app_->GetConfigValue(kConfigSoundVolSe), 50);
    SoundManagerOptions silent;  // with sound running, the volume slots are heard
    silent.output = CreateNullOutput(nullptr);
    silent.runMixerTask = false;
    ASSERT_TRUE(SoundManagerInitWith(44100, kSoundStereo, nullptr, silent));
    ASSERT_TRUE(Run("App.SetConfig(3, 40); App.SetConfig(2, 0);"));
    EXPECT_EQ(std::vector<float>({GetCategoryGain(1), GetCategoryGain(2), GetCategoryGain(3)}),
              std::vector<float>({0.0f, 40 * 0.01f, 40 * 0.01f}));
    SoundManagerShutdown();
    LogCapture log;
    EXPECT_FALSE(Run("App.SetConfig(\"3\", 1);"));
}

}  // namespace
