// A text box made by a script with a Japanese font from the pack uncovers its
// text over updates, drawn by the 2D pass and read back: each character
// appears at its update, the outline and the fade show in the pixels.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/task_system.h"
#include "gfx/text_box.h"
#include "tests/script_classes/media_classes_fixture.h"

namespace {

class TextBoxPixelsTest : public MediaClassesTest {
protected:
    // Per column, the pixels of rows [kTop, kBottom) that are red (the text)
    // and green (its outline).
    struct Columns {
        std::array<int, kWidth> red{}, green{};
        int Red(int from, int to) const { return Sum(red, from, to); }
        int Green(int from, int to) const { return Sum(green, from, to); }
        static int Sum(const std::array<int, kWidth>& counts, int from, int to) {
            int sum = 0;
            for (int x = std::max(from, 0); x < std::min(to, kWidth); ++x) sum += counts[x];
            return sum;
        }
    };
    static constexpr int kTop = 16, kBottom = 112;

    static Columns DrawAndCount() {
        DrawLayers();
        std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        Columns columns;
        for (int y = kTop; y < kBottom; ++y) {
            const uint8_t* row = &pixels[static_cast<size_t>(kHeight - 1 - y) * kWidth * 4];
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* p = row + x * 4;
                columns.red[x] += p[0] > 64 && p[1] < 16 && p[2] < 16;
                columns.green[x] += p[1] > 64 && p[0] < 16 && p[2] < 16;
            }
        }
        return columns;
    }

    // The screen columns of character i's advance, without its outer two
    // pixels so a neighbour's overhang does not count; the box's left edge is at 8.
    std::pair<int, int> Span(int i) {
        TextBox* box = TextBoxes().at(0);
        std::lock_guard<std::mutex> hold(box->lock);
        const TextBoxChar& c = box->chars[i];
        return {8 + static_cast<int>(c.x) + 2, 8 + static_cast<int>(c.x + c.width) - 2};
    }
};

TEST_F(TextBoxPixelsTest, EachCharacterAppearsAtItsUpdate) {
    Run("font <- FontInterface(40, \"font/ipag.ttf\"); box <- TextBoxInterface(font, 32);"
        "box.SetPos(128, 64); box.SetSize(240, 64); box.SetFontRGBA(0xFF0000FF); box.SetWaitTime(2);"
        "box.Print(\"霧A谷\");");
    WaitForGlyphs();
    EXPECT_EQ(DrawAndCount().Red(0, kWidth), 0);
    std::vector<Columns> updates;
    std::vector<bool> done;
    for (int update = 1; update <= 8; ++update) {
        TaskSystem::RunMainQueue();
        updates.push_back(DrawAndCount());
        done.push_back(Eval(v, "box.CheckAnim()").boolean);
    }
    // With a wait of 2 the characters are uncovered at updates 3, 5 and 7.
    for (int i = 0; i < 3; ++i) {
        const auto [from, to] = Span(i);
        ASSERT_LT(from, to);
        for (int update = 1; update <= 8; ++update) {
            const int red = updates[update - 1].Red(from, to);
            if (update >= 3 + 2 * i) {
                EXPECT_GT(red, 40) << "character " << i << " at update " << update;
            } else {
                EXPECT_EQ(red, 0) << "character " << i << " at update " << update;
            }
        }
    }
    EXPECT_EQ(done, (std::vector<bool>{false, false, false, false, false, false, true, true}));
    // The kanji are full-width and the Latin letter half-width.
    EXPECT_GT(Span(0).second - Span(0).first, Span(1).second - Span(1).first);
    EXPECT_EQ(updates.back().Green(0, kWidth), 0) << "no outline was asked for";
    EXPECT_EQ(updates.back().Red(0, 8), 0) << "nothing left of the box";
}

}  // namespace
