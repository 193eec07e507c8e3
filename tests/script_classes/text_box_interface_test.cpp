// TextBoxInterface through scripts: hit boxes, limits, hostile calls, boxes
// released while their glyphs are prepared, and each character appearing at
// its update on Mesa.
#include <gtest/gtest.h>
#include <GLES2/gl2.h>
#include <array>
#include <string>
#include <vector>

#include "core/task_system.h"
#include "gfx/text_box.h"
#include "script/layer_interface.h"
#include "tests/script_classes/media_classes_fixture.h"
#include "tests/support/log_capture.h"

namespace {

class TextBoxInterfaceTest : public MediaClassesTest {
protected:
    void SetUp() override {
        MediaClassesTest::SetUp();
        Run("font <- FontInterface(24, \"font/DejaVuSans.ttf\"); box <- TextBoxInterface(font, 64);");
        ASSERT_EQ(TextBoxes().size(), 1u);
        box_ = TextBoxes()[0];
    }

    std::u16string Text() const {
        std::lock_guard<std::mutex> hold(box_->lock);
        std::u16string text;
        for (int i = 0; i < box_->count; ++i) text += static_cast<char16_t>(box_->chars[i].character);
        return text;
    }

    TextBox* box_ = nullptr;
};

TEST_F(TextBoxInterfaceTest, HitTestBoxesIgnoreScaleAngleAndClip) {
    Run("box.SetSize(100, 40); box.SetPos(200, 100);");
    const struct {
        const char* setup;
        int x, y;
        bool hit;
    } cases[] = {
        {"", 150, 80, true},
        {"", 250, 100, false},
        {"", 200, 120, false},
        {"", 249, 119, true},
        {"", 149, 100, false},
        {"box.SetScale(3.0); box.SetAngle(45.0); box.SetClipRect(0, 0, 10, 10);", 150, 80, true},
        {"box.SetScale(3.0);", 260, 100, false},
        {"box.SetSize(101, 41);", 250, 100, false},  // half 50, as a shift gives it
        {"box.SetSize(-7, 40);", 200, 100, false},   // half -4: an empty box
    };
    for (const auto& c : cases) {
        Run(c.setup);
        EXPECT_EQ(Eval(v, "box.HitTest(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")").boolean, c.hit)
            << c.setup << " (" << c.x << ", " << c.y << ")";
    }
}

TEST_F(TextBoxInterfaceTest, CountsFromScriptsAreClampedBeforeTheyCanWrap) {
    const struct {
        const char* maxChars;
        int expected;
    } cases[] = {{"1 << 40", kTextBoxMaxChars},
                 {"0x100000005", kTextBoxMaxChars},
                 {"65537", kTextBoxMaxChars},
                 {"-5", 1},
                 {"0", 1},
                 {"10", 10}};
    for (const auto& c : cases) {
        Run(std::string("big <- TextBoxInterface(font, ") + c.maxChars + ");");
        ASSERT_EQ(TextBoxes().size(), 2u);
        EXPECT_EQ(TextBoxes()[1]->maxChars, c.expected) << c.maxChars;
        Run("big = null; collectgarbage();");
    }
    // One call appends at most 1023 characters.
    Run("local text = \"\"; for (local i = 0; i < 2000; ++i) text += \"a\"; big <- TextBoxInterface(font, 3000);"
        "big.Print(text);");
    EXPECT_EQ(TextBoxes()[1]->count, 1023);
    Run("big = null; collectgarbage();");
}

TEST_F(TextBoxInterfaceTest, WrongCallsNeverCrash) {
    Run("layer <- LayerInterface(); image <- ImageInterface(\"image/quadrants.png\", false);");
    const struct {
        const char* call;
        bool throws;
        bool warns;
    } cases[] = {
        {"box.SetPos()", false, true},
        {"box.SetPos(\"x\", [1])", false, true},
        {"box.SetColor()", false, true},
        {"box.SetClipRect({})", false, true},
        {"box.SetFade(\"half\")", false, true},
        {"box.SetCharSpace(1)", false, true},
        {"box.HitTest()", false, true},
        {"box.SetPos(1, 2, 3, 4, 5)", false, false},
        {"TextBoxInterface()", false, true},
        {"TextBoxInterface(null, 5)", false, false},
        {"TextBoxInterface(font)", false, true},
        {"TextBoxInterface(5, 5)", true, false},
        {"TextBoxInterface(layer, 5)", true, false},
        {"TextBoxInterface(image, 5)", true, false},
        {"box.constructor(font, 5)", true, false},
        {"TextBoxInterface.SetPos.call(layer, 1, 2)", true, false},
        {"TextBoxInterface.GetColor.call(null)", true, false},
        {"LayerInterface.SetPos.call(box, 1, 2)", true, false},
        {"TextBoxInterface.instance().Print(\"a\")", false, false},
        {"InputInterface.GetState.call(box)", true, false},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(Throws(c.call), c.throws) << c.call;
        bool warned = false;
        for (const std::string& line : log.Lines()) warned |= line.rfind("Warning: ", 0) == 0;
        EXPECT_EQ(warned, c.warns) << c.call;
    }
    Run("collectgarbage();");
    EXPECT_EQ(TextBoxes().size(), 1u);
    EXPECT_EQ(Eval(v, "box.GetPosX()").integer, 1);
}

// Boxes dropped right after printing, most with their glyph task still
// queued or running: each is taken off the worker before it goes.
TEST_F(TextBoxInterfaceTest, BoxesReleasedWhilePreparingGiveEverythingBack) {
    Run("for (local i = 0; i < 300; ++i) {"
        "  local b = TextBoxInterface(font, 32); b.SetEdgeSize(i % 3); b.Print(\"Misty Vale \" + i);"
        "  if (i % 2 == 0) b.SetZ(i % 5);"
        "}"
        "collectgarbage();");
    EXPECT_EQ(TextBoxes().size(), 1u);
    EXPECT_EQ(GetGlobalLayerList()->nodes.count, 1u);
    Run("box = null; font = null; collectgarbage();");
    EXPECT_TRUE(TextBoxes().empty());
    EXPECT_TRUE(objects_.live.empty()) << objects_.live.size() << " script objects left";
}

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
