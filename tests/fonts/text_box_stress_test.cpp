// Text boxes and fonts under concurrency: boxes destroyed while the worker is
// preparing their glyphs, and one font prepared on worker threads while the
// main thread acquires, uploads and releases. Run under ThreadSanitizer and
// AddressSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/task_system.h"
#include "gfx/font.h"
#include "gfx/glyph_cache.h"
#include "gfx/std2d.h"
#include "gfx/text_box.h"
#include "tests/fonts/font_files.h"
#include "tests/gfx/gfx_fixture.h"

namespace {

// Sixty different kanji: more glyph work than a pass can finish before Destroy.
const char* const kText =
    "一二三四五六七八九十百千万円年月日時分秒上下左右前後東西南北春夏秋冬朝昼夜晴雨雪風山川海空花草木森林"
    "石金銀鉄";

class TextBoxStressTest : public GfxTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(TaskSystem::Init(nullptr));
        GfxTest::SetUp();
        // A small atlas, so that boxes compete for cells and evict each other's glyphs.
        font = NewFontFromFile(32, kJapaneseFontPath, nullptr, 256, 256, nullptr);
        ASSERT_NE(font, nullptr);
    }
    void TearDown() override {
        if (font) {
            EXPECT_EQ(font->refCount, 1);
            Font::Release(font);
        }
        TaskSystem::Shutdown();
        GfxTest::TearDown();
    }
    Font* font = nullptr;
};

TEST_F(TextBoxStressTest, ManyBoxesRevealWhileTheWorkerPrepares) {
    std::vector<TextBox*> boxes;
    for (int i = 0; i < 8; ++i) {
        TextBox* box = TextBox::Create(font, 300, nullptr);
        TextBox::SetSize(box, 200, 200);
        TextBox::SetEdgeSize(box, i % 2);
        boxes.push_back(box);
    }
    for (int frame = 0; frame < 200; ++frame) {
        TextBox* box = boxes[frame % boxes.size()];
        if (frame % 16 == 0) TextBox::Clear(box);
        TextBox::SetTextUtf8(box, kText + (frame % 30) * 3, 1);
        if (frame % 5 == 0) TextBox::Skip(box);
        TaskSystem::RunMainQueue();
        for (TextBox* each : boxes) TextBox::Draw(each);
        (void)TextBox::IsAnimDone(box);
    }
    for (TextBox* box : boxes) TextBox::Destroy(box);
}

// Worker threads render into cells under the font's lock while the main
// thread acquires (and so uploads) and releases the same and other glyphs.
TEST_F(TextBoxStressTest, PrepareOnWorkersWhileTheMainThreadAcquires) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int w = 0; w < 2; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; !stop.load(); ++i) {
                uint16_t character = static_cast<uint16_t>(0x4E00 + (i * 7 + w * 13) % 300);
                Font::PrepareGlyph(font, character, 20 + i % 13, 0, i % 3);
            }
        });
    }
    std::vector<GlyphCell*> held;
    for (int i = 0; i < 3000; ++i) {
        GlyphCell* cell = Font::AcquireGlyph(font, static_cast<uint16_t>(0x4E00 + (i * 11) % 300), 24 + i % 9, 0, i % 2);
        if (cell) held.push_back(cell);
        if (held.size() > 40 || (cell == nullptr && !held.empty())) {
            for (GlyphCell* each : held) Font::ReleaseGlyph(font, each);
            held.clear();
        }
    }
    stop = true;
    for (std::thread& worker : workers) worker.join();
    for (GlyphCell* each : held) Font::ReleaseGlyph(font, each);
    EXPECT_EQ(font->cache->freeCells.count, font->cache->cellCount);
}

}  // namespace
