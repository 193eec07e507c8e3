// The whole game inside the test process: AppMain's real path on a headless
// surface, with packs whose scripts were compiled by cnutc, input played by a
// fake desktop, and pixels read back at chosen frames.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/app_frame.h"
#include "core/random.h"
#include "game/app.h"
#include "gfx/async_texture.h"
#include "gfx/gl_program.h"
#include "gfx/text_box.h"
#include "script/layer_interface.h"
#include "tests/game/game_run.h"
#include "tests/support/temp_dir.h"

namespace {

using Lines = std::vector<std::string>;

constexpr char kGameTitle[] = "クイルムーア ～霧の谷と銀の鍵～ ver.1.02";

// Every run must end with the App gone and the script pools empty.
void ExpectCleanEnd(const GameRunResult& run) {
    EXPECT_EQ(GetApp(), nullptr);
    EXPECT_FALSE(run.Contains("pool destroyed with")) << "script memory outlived the VM";
    EXPECT_EQ(run.glErrors, 0);
}

class GameHeadlessTest : public ::testing::Test {
protected:
    GameHeadlessTest() { desktop_.pointer.x = desktop_.pointer.y = 100; }
    GameRunResult Run(const TestPack& pack, const AppRunOptions& options = {}) {
        EXPECT_TRUE(pack.WriteTo(folder_.path()));
        return RunGame(folder_.path(), &desktop_, &windows_, options);
    }

    TempDir folder_;
    FakeDesktop desktop_{1280, 720};
    HookedWindowSystem windows_;
};

TEST_F(GameHeadlessTest, WholePathFromAppMainToSysExitGivesTheScriptsStatus) {
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", R"(
        print("top level " + Sys.ScreenWidth + "x" + Sys.ScreenHeight);
        frames <- 0;
        function AppInitialize() { print("AppInitialize"); }
        function AppUpdate() {
            frames++;
            print("AppUpdate " + frames);
            if (frames == 3) Sys.Exit(3);
        }
        function AppFinalize() { print("AppFinalize " + frames); }
    )"));
    GameRunResult run = Run(pack);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.swaps, 3);  // the frame that asked to exit still finishes
    EXPECT_EQ(run.title, kGameTitle);
    EXPECT_TRUE(run.Contains("Renderer: "));
    EXPECT_EQ(run.LinesStartingWith("App"),
              (Lines{"AppInitialize", "AppUpdate 1", "AppUpdate 2", "AppUpdate 3", "AppFinalize 3"}));
    EXPECT_TRUE(run.Has("top level 1280x720"));
    ExpectCleanEnd(run);
}

TEST_F(GameHeadlessTest, WithoutAReadablePackStartUpEndsWithStatusOneAndTheBox) {
    struct Case {
        const char* name;
        const char* bytes;  // the file "Quillmoor.dat", or null for none
    } cases[] = {
        {"missing", nullptr},
        {"empty", ""},
        {"not a pack", "This is a text file, not a pack of any kind.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        if (c.bytes != nullptr) {
            ASSERT_TRUE(folder.Write("Quillmoor.dat", c.bytes));
        }
        HookedWindowSystem windows;
        GameRunResult run = RunGame(folder.path(), &desktop_, &windows);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.swaps, 0);  // the quit comes before the first frame
        EXPECT_TRUE(run.Has("[error] Initializing Error: Failed to load data files"));
        EXPECT_FALSE(run.Contains("AppFinalize"));
        ExpectCleanEnd(run);
    }
}

TEST_F(GameHeadlessTest, InputReachesTheScriptsAsEventWordsExactlyOnce) {
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", R"(
        ticks <- 0;
        frames <- 0;
        function AppInitialize() {}
        function AppUpdate() {
            frames++;
            for (local code = App.DequeueEvent(); code != null; code = App.DequeueEvent()) {
                local arg = App.DequeueEvent();
                if (code == 0) ticks++; else print("event " + code + " " + arg);
            }
        }
        function AppFinalize() { print("ticks " + ticks + " frames " + frames); }
    )"));
    // Each change is made after frame `swap` and seen by the next frame's poll.
    windows_.onSwap = [this](int swap) {
        auto wheel = [this](int x, int y) {
            WindowEvent event;
            event.type = WindowEvent::kWheel;
            event.wheelX = x;
            event.wheelY = y;
            windows_.inner.QueueEvent(event);
        };
        PointerSample& p = desktop_.pointer;
        switch (swap) {
            case 2: p.left = true; break;
            case 3: p.left = false; break;
            case 4: wheel(0, 1); break;
            case 5: wheel(-1, 0); break;
            case 6: desktop_.keys['Z'] = true; break;
            case 8: desktop_.keys['Z'] = false; break;
            case 9: p.right = true, p.x = 200, p.y = 200; break;
            case 10: p.y = 150; break;           // 50 px up: a drag
            case 11: p.x = 260; break;           // still the same press: no second drag
            case 12: p.right = false; break;     // released far away: no click
            case 13: p.right = true, p.x = 300, p.y = 300; break;
            case 14: p.right = false, p.x = 303, p.y = 304; break;  // 5 px: a click
            case 16: PostQuit(0); break;
            default: break;
        }
    };
    GameRunResult run = Run(pack);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.LinesStartingWith("event "), (Lines{"event 1 0", "event 2 0", "event 5 1", "event 6 1", "event 4 0",
                                                      "event 7 4", "event 8 4", "event 4 2", "event 3 0"}));
    EXPECT_TRUE(run.Has("ticks 16 frames 16"));
    ExpectCleanEnd(run);
}

// The sample game's pictures and text as the build packs them.
constexpr uint32_t kGround = 0x1C2433, kPuppet = 0xE8B33A;
constexpr uint32_t kEmblemStar = 0xF2D16B, kEmblemRing = 0xE3B450;
constexpr int kVkRight = 0x27;

std::string SampleFolder() { return std::string(getenv("QM_BUILD_DIR")) + "/sample"; }

// Called after the first frame: waits until every picture has been decoded
// (the next frame uploads it) and every text box has its glyphs prepared, so
// what the following frames show does not depend on the worker's speed.
void WaitForSampleAssets() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto busy = [] {
        for (ListNode* link = GetAsyncTextureList().head; link != nullptr; link = link->next) {
            if (reinterpret_cast<AsyncTexture*>(link)->state.load() == kAsyncTextureLoading) return true;
        }
        for (ListNode* link = GetGlobalLayerList()->nodes.head; link != nullptr; link = link->next) {
            auto* node = reinterpret_cast<LayerNode*>(link);
            if (node->draw != TextBox::Draw) continue;
            auto* box = static_cast<TextBox*>(node->argument);
            std::lock_guard<std::mutex> hold(box->lock);
            if (box->prepared < box->count) return true;
        }
        return false;
    };
    while (busy() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_FALSE(busy()) << "the sample's pictures or glyphs are still being prepared";
}

// The text box whose text begins with `first`, or null.
TextBox* FindTextBox(char16_t first) {
    for (ListNode* link = GetGlobalLayerList()->nodes.head; link != nullptr; link = link->next) {
        auto* node = reinterpret_cast<LayerNode*>(link);
        if (node->draw != TextBox::Draw) continue;
        auto* box = static_cast<TextBox*>(node->argument);
        if (box->count > 0 && box->chars[0].character == first) return box;
    }
    return nullptr;
}

int ShownCount(TextBox* box) {
    std::lock_guard<std::mutex> hold(box->lock);
    return box->shown;
}

// The RGBA rows [top, bottom) of the screen, top row first.
struct ScreenBand { int top = 0, bottom = 0, width = 0; std::vector<uint8_t> rgba; };

ScreenBand ReadScreenBand(int top, int bottom) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    ScreenBand band{top, bottom, viewport[2], {}};
    band.rgba.resize(static_cast<size_t>(band.width) * (bottom - top) * 4);
    glReadPixels(0, viewport[3] - bottom, band.width, bottom - top, GL_RGBA, GL_UNSIGNED_BYTE, band.rgba.data());
    return band;
}

// Pixels of columns [left, right) of the band whose three channels all reach `floor`.
int BrightPixels(const ScreenBand& band, int left, int right, uint8_t floor) {
    int count = 0;
    for (size_t row = 0; row < band.rgba.size() / (static_cast<size_t>(band.width) * 4); ++row) {
        for (int x = std::max(left, 0); x < std::min(right, band.width); ++x) {
            const uint8_t* p = &band.rgba[(row * band.width + x) * 4];
            count += p[0] >= floor && p[1] >= floor && p[2] >= floor;
        }
    }
    return count;
}

// The emblem picture from the pack, the help line in DejaVu Sans, and the
// welcome line in IPA Gothic uncovered a character at a time until V shows
// the rest.
TEST_F(GameHeadlessTest, SampleGameShowsItsEmblemAndRevealsItsWelcomeLine) {
    struct Span { int left = 0, right = 0; };
    // The columns of one character's advance on the screen, from the layout
    // (so only once the character has been shown), without its outer two.
    auto spanOf = [](TextBox* box, int index) {
        std::lock_guard<std::mutex> hold(box->lock);
        const TextBoxChar& c = box->chars[index];
        const int left = box->x - box->width / 2 + static_cast<int>(c.x);
        return Span{left + 2, left + static_cast<int>(c.width) - 2};
    };
    constexpr int kTitleTop = 560, kTitleBottom = 620;
    constexpr uint8_t kTitleFloor = 0xC0;
    constexpr int kKanjiIndex = 0, kWIndex = 11;  // 霧 and the W of "Welcome"
    uint32_t star = 0, ring = 0, corner = 0;
    int shownEarly = -1, shownLate = -1, count = 0;
    ScreenBand titleAtStart, helpAtStart, titleEarly, titleLate;
    Span kanji, w, last;
    windows_.onSwap = [&](int swap) {
        TextBox* title = FindTextBox(u'霧');
        switch (swap) {
            case 1: WaitForSampleAssets(); break;
            case 2:
                star = ReadScreenPixel(1100, 170);
                ring = ReadScreenPixel(1100, 110);
                corner = ReadScreenPixel(1038, 108);
                titleAtStart = ReadScreenBand(kTitleTop, kTitleBottom);
                helpAtStart = ReadScreenBand(28, 60);
                break;
            case 12:
                ASSERT_NE(title, nullptr);
                shownEarly = ShownCount(title);
                titleEarly = ReadScreenBand(kTitleTop, kTitleBottom);
                desktop_.keys['V'] = true;
                break;
            case 14: desktop_.keys['V'] = false; break;
            case 16:
                ASSERT_NE(title, nullptr);
                shownLate = ShownCount(title);
                count = title->count;
                titleLate = ReadScreenBand(kTitleTop, kTitleBottom);
                kanji = spanOf(title, kKanjiIndex);
                w = spanOf(title, kWIndex);
                last = spanOf(title, title->count - 1);
                desktop_.keys['X'] = true;
                break;
            default: break;
        }
    };
    GameRunResult run = RunGame(SampleFolder(), &desktop_, &windows_);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(star, kEmblemStar);
    EXPECT_EQ(ring, kEmblemRing);
    EXPECT_EQ(corner, kGround) << "the emblem's corners are transparent";
    EXPECT_GT(BrightPixels(helpAtStart, 40, 1240, 0x90), 500) << "the help line shows at once";
    EXPECT_EQ(BrightPixels(titleAtStart, 0, 1280, kTitleFloor), 0) << "nothing of the welcome line before its wait";
    // A wait of 3 updates: three characters by update 12, then V shows the rest.
    EXPECT_EQ(shownEarly, 3);
    EXPECT_EQ(shownLate, count);
    ASSERT_TRUE(kanji.left < kanji.right && w.left < w.right && last.left < last.right);
    EXPECT_GT(BrightPixels(titleEarly, kanji.left, kanji.right, kTitleFloor), 60);
    EXPECT_EQ(BrightPixels(titleEarly, w.left, w.right, kTitleFloor), 0);
    EXPECT_EQ(BrightPixels(titleEarly, last.left, last.right, kTitleFloor), 0);
    EXPECT_EQ(BrightPixels(titleLate, kanji.left, kanji.right, kTitleFloor),
              BrightPixels(titleEarly, kanji.left, kanji.right, kTitleFloor));
    EXPECT_GT(BrightPixels(titleLate, w.left, w.right, kTitleFloor), 30);
    EXPECT_GT(BrightPixels(titleLate, last.left, last.right, kTitleFloor), 20);
    EXPECT_TRUE(run.Has("event: key V pushed"));
    EXPECT_TRUE(run.Contains("welcome line shown, "));
    EXPECT_FALSE(run.Contains("Error: "));
    ExpectCleanEnd(run);
}

TEST_F(GameHeadlessTest, AppUpdateThatThrowsIsNeverCalledAgainWhileFramesGoOn) {
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", R"(
        n <- 0;
        function AppInitialize() {}
        function AppUpdate() {
            n++;
            print("update " + n);
            if (n == 4) throw "frame four went wrong";
        }
        function AppFinalize() { print("finalize after " + n); }
    )"));
    windows_.onSwap = [](int swap) {
        if (swap == 10) PostQuit(7);
    };
    GameRunResult run = Run(pack);
    EXPECT_EQ(run.status, 7);
    EXPECT_EQ(run.swaps, 10);
    EXPECT_EQ(run.LinesStartingWith("update "), (Lines{"update 1", "update 2", "update 3", "update 4"}));
    EXPECT_EQ(run.LinesStartingWith("Error: script: frame four").size(), 1u);
    EXPECT_TRUE(run.Has("finalize after 4"));
    ExpectCleanEnd(run);
}

}  // namespace
