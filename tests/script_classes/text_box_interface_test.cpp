// TextBoxInterface through scripts: hit boxes, limits, hostile calls, and
// boxes released while their glyphs are prepared.
#include <gtest/gtest.h>
#include <string>
#include <vector>

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
    const struct { const char* setup; int x, y; bool hit; } cases[] = {
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
    const struct { const char* maxChars; int expected; } cases[] = {{"1 << 40", kTextBoxMaxChars},
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
    const struct { const char* call; bool throws; bool warns; } cases[] = {
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

}  // namespace
