// A status line set again every frame never shows an empty frame: glyphs
// already cached are ready on the frame the text is set, even while the
// background worker is busy elsewhere.
#include <gtest/gtest.h>

#include <atomic>

#include "core/task_system.h"
#include "gfx/font.h"
#include "gfx/std2d.h"
#include "gfx/text_box.h"
#include "platform/threads.h"
#include "tests/fonts/font_files.h"
#include "tests/gfx/gfx_fixture.h"

namespace {

std::atomic<bool> g_holdWorker{false};

// Keeps the background worker busy, as a long image decode would.
int HoldWorker(void*) {
    while (g_holdWorker.load()) SleepMs(1);
    return 1;
}

class TextBoxFramesTest : public GfxTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(TaskSystem::Init(nullptr));
        GfxTest::SetUp();
        font_ = NewFontFromFile(32, kLatinFontPath, nullptr, 0, 0, nullptr);
        ASSERT_NE(font_, nullptr);
        box_ = TextBox::Create(font_, 64, nullptr);
        ASSERT_NE(box_, nullptr);
        TextBox::SetPos(box_, 128, 128);
        TextBox::SetSize(box_, 240, 60);
        TextBox::SetFontRGBA(box_, 0xFF000000u);  // black on the white screen
    }
    void TearDown() override {
        g_holdWorker = false;
        TextBox::Destroy(box_);
        Font::Release(font_);
        TaskSystem::Shutdown();
        GfxTest::TearDown();
    }
    // One frame as the engine runs it: the script's update, queue 2, the 2D pass.
    int DarkPixelsAfterFrame(const char* text) {
        TextBox::Clear(box_);
        TextBox::SetTextUtf8(box_, text, 1);
        TaskSystem::RunMainQueue();
        ClearScreen(255, 255, 255);
        RebindStd2dProgram();
        TextBox::Draw(box_);
        int dark = 0;
        for (uint8_t value : ReadRect(0, 0, kWidth, kHeight)) dark += value < 128;
        return dark;
    }

    Font* font_ = nullptr;
    TextBox* box_ = nullptr;
};

TEST_F(TextBoxFramesTest, TextSetEveryFrameNeverBlanks) {
    TextBox::SetTextUtf8(box_, "Turn 7", 1);
    for (int i = 0; i < 5000 && !TextBox::IsAnimDone(box_); ++i) {
        SleepMs(1);
        TaskSystem::RunMainQueue();
    }
    ASSERT_TRUE(TextBox::IsAnimDone(box_));

    Task hold{};
    hold.callback = HoldWorker;
    g_holdWorker = true;
    TaskSystem::AddTask(kTaskQueueBackground, &hold);
    for (int frame = 0; frame < 5; ++frame) EXPECT_GT(DarkPixelsAfterFrame("Turn 7"), 50) << "frame " << frame;
    // A new character is not cached: it waits for the worker, as before.
    TextBox::SetWaitTime(box_, 0);
    EXPECT_EQ(DarkPixelsAfterFrame("Q"), 0);
    g_holdWorker = false;
    TaskSystem::RemoveTask(kTaskQueueBackground, &hold);
}

}  // namespace
