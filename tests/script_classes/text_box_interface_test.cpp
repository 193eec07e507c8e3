// TextBoxInterface through scripts: colour and fade, hit boxes, each method
// reaching its text box operation, appending text, limits, z order among
// layers, hostile calls, and boxes released while their glyphs are prepared.
#include <gtest/gtest.h>

#include <string>

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

TEST_F(TextBoxInterfaceTest, ColourAndFadeReachTheBoxAsTheStoredColourWithAFadedAlpha) {
    Run("box.SetColor(0x00FF00FF); box.SetFade(0.5);");
    EXPECT_EQ(box_->boxColor, 0x7F00FF00u);
    EXPECT_EQ(Eval(v, "box.GetColor()").integer, 0xFF00FF00);
    EXPECT_FLOAT_EQ(Eval(v, "box.GetAlpha()").real, 1.0f);
    EXPECT_FLOAT_EQ(Eval(v, "box.GetFade()").real, 0.5f);
    const struct {
        const char* call;
        uint32_t boxColour;
    } cases[] = {
        {"box.SetAlpha(0.5)", 0x3F00FF00u},  // stored 127, handed 63
        {"box.SetFade(1.0)", 0x7F00FF00u},
        {"box.SetAlpha(2.0)", 0xFF00FF00u},
        {"box.SetFade(0.0 / 0.0)", 0x0000FF00u},
        {"box.SetFade(1e30)", 0xFF00FF00u},
        {"box.SetFade(1.0)", 0xFF00FF00u},
        {"box.SetColor(0x11223344)", 0x44332211u},
        {"box.SetColor(box.GetColor())", 0x11223344u},  // swapped, as scripts have always seen it
        {"box.SetAlpha(-1.0)", 0x00223344u},
    };
    for (const auto& c : cases) {
        Run(std::string(c.call) + ";");
        EXPECT_EQ(box_->boxColor, c.boxColour) << c.call;
    }
    EXPECT_TRUE(box_->flags & kTextBoxTransparent) << "alpha 0 is not drawn";
}

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

// Each method changes what its text box operation changes; a wrong wiring
// shows here as the wrong field.
TEST_F(TextBoxInterfaceTest, EachMethodReachesItsTextBoxOperation) {
    const struct {
        const char* call;
        bool (*holds)(const TextBox*);
    } cases[] = {
        {"box.SetPos(300, -20)", [](const TextBox* b) { return b->x == 300 && b->y == -20; }},
        {"box.SetPos(1 << 20, 5)", [](const TextBox* b) { return b->x == 32767 && b->y == 5; }},
        {"box.SetSize(320, 48)", [](const TextBox* b) { return b->width == 320 && b->height == 48; }},
        {"box.SetFontSize(20)", [](const TextBox* b) { return b->fontSize == 20; }},
        {"box.SetFontRGBA(0x11223344)", [](const TextBox* b) { return b->fontColor == 0x44332211u; }},
        {"box.SetEdgeSize(0)", [](const TextBox* b) { return b->edge == 1; }},
        {"box.SetEdgeRGBA(0xAABBCCDD)", [](const TextBox* b) { return b->edgeColor == 0xDDCCBBAAu; }},
        {"box.SetCharSpace(3, -2)", [](const TextBox* b) { return b->wideSpace == 3 && b->narrowSpace == -2; }},
        {"box.SetLineSpace(6)", [](const TextBox* b) { return b->lineSpace == 6; }},
        {"box.SetFixedSpace(1)", [](const TextBox* b) { return (b->flags & kTextBoxFixedSpace) != 0; }},
        {"box.SetFixedSpace(false)", [](const TextBox* b) { return (b->flags & kTextBoxFixedSpace) == 0; }},
        {"box.SetAutoSpace(true)", [](const TextBox* b) { return (b->flags & kTextBoxFitWidth) != 0; }},
        {"box.SetWaitTime(4)", [](const TextBox* b) { return b->waitTime == 4; }},
        {"box.SetAlign(1)", [](const TextBox* b) { return b->align == kTextAlignCentre; }},
        {"box.SetAlign(7)", [](const TextBox* b) { return b->align == kTextAlignLeft; }},
        {"box.SetVertAlign(2)", [](const TextBox* b) { return b->vertAlign == kTextAlignBottom; }},
        {"box.SetScale(1.5)", [](const TextBox* b) { return b->scale == 1.5f; }},
        {"box.SetAngle(30)", [](const TextBox* b) { return b->angle == 30.0f; }},
        {"box.SetClipRect(1, 2, 3, 4)",
         [](const TextBox* b) {
             return b->clip[0] == 1 && b->clip[1] == 2 && b->clip[2] == 3 && b->clip[3] == 4 &&
                    (b->flags & kTextBoxClip) != 0;
         }},
        {"box.SetVisible(0)", [](const TextBox* b) { return (b->flags & kTextBoxVisible) == 0; }},
    };
    for (const auto& c : cases) {
        Run(std::string(c.call) + ";");
        EXPECT_TRUE(c.holds(box_)) << c.call;
    }
    EXPECT_FALSE(Eval(v, "box.IsVisible()").boolean);
    EXPECT_EQ(Eval(v, "box.GetPosX()").integer, 32767);
    EXPECT_EQ(Eval(v, "box.GetPosY()").integer, 5);
    EXPECT_EQ(Eval(v, "box.GetWidth()").integer, 320);
    EXPECT_EQ(Eval(v, "box.GetHeight()").integer, 48);
}

TEST_F(TextBoxInterfaceTest, PrintPrintlnAndSetTextAppendOrReplace) {
    const struct {
        const char* call;
        std::u16string text;
    } cases[] = {
        {"box.Print(\"ab\")", u"ab"},
        {"box.Println(\"c\")", u"abc\n"},
        {"box.Print(\"霧\")", u"abc\n霧"},
        {"box.SetText(\"xy\")", u"xy"},
        {"box.Println(\"\")", u"xy\n"},
        {"box.Println()", u"xy\n\n"},  // a warning, then the line break
        {"box.Print(42)", u"xy\n\n"},  // a warning, nothing appended
        {"box.Clear()", u""},
        {"box.SetText(\"谷\"); box.Print(null)", u"谷"},
    };
    for (const auto& c : cases) {
        Run(std::string(c.call) + ";");
        EXPECT_TRUE(Text() == c.text) << c.call;
    }
    WaitForGlyphs();
    Run("box.SkipAnim();");
    EXPECT_FALSE(Eval(v, "box.CheckAnim()").boolean) << "uncovered at the next update";
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

TEST_F(TextBoxInterfaceTest, TextBoxesAndLayersShareOneZOrder) {
    Run("layer <- LayerInterface(); layer.SetZ(5); box.SetZ(5);");
    auto order = [] {
        std::vector<bool> isBox;
        for (ListNode* link = GetGlobalLayerList()->nodes.head; link != nullptr; link = link->next) {
            isBox.push_back(reinterpret_cast<LayerNode*>(link)->draw == TextBox::Draw);
        }
        return isBox;
    };
    EXPECT_EQ(order(), (std::vector<bool>{false, true})) << "equal z: the box set last is drawn last";
    Run("layer.SetZ(5);");
    EXPECT_EQ(order(), (std::vector<bool>{true, false}));
    Run("box.SetZ(-1);");
    EXPECT_EQ(order(), (std::vector<bool>{true, false}));
    EXPECT_EQ(Eval(v, "box.GetZ()").integer, -1);
    Run("box.SetZ(9);");
    EXPECT_EQ(order(), (std::vector<bool>{false, true}));
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

}  // namespace
