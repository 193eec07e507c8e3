// Wrong calls to the script classes: a warning and a default, or a script error, naming file and line.
#include <gtest/gtest.h>
#include "tests/script_classes/media_classes_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using ScriptErrorsTest = MediaClassesTest;

TEST_F(ScriptErrorsTest, WrongCallsWarnOrThrowAndNeverCrash) {
    Run("layer <- LayerInterface(); other <- InputInterface(0); font <- FontInterface(16, \"font/DejaVuSans.ttf\");"
        "box <- TextBoxInterface(font, 64); image <- ImageInterface(\"image/quadrants.png\", false);"
        "tile <- TileInterface(); tile.SetImage(null, image); tile.SetImage(image); tile.SetImage();"
        "ts <- TextSpriteInterface(4, null, 8, 8, false); ts.SetText(\"0\");"
        "blank <- ImageInterface(null, false); tile.SetImage(blank, blank);");
    enum Outcome { kQuiet, kWarns, kThrows, kWarnsAndThrows };
    const struct { const char* call; Outcome outcome; int picture = -1; } cases[] = {  // picture: -1 not made
        {"layer.SetPos()", kWarns}, {"layer.SetPos(1.9, [1])", kWarns}, {"layer.SetImage()", kWarns},
        {"layer.SetImage(null)", kQuiet}, {"layer.SetImage(5)", kThrows}, {"layer.SetImage(other)", kThrows},
        {"layer.SetImageRect(image)", kWarns}, {"layer.SetImageRect(font, 0, 0, 1, 1)", kThrows},
        {"layer.SetPos(1, 2, 3, 4, 5)", kQuiet}, {"layer.constructor()", kThrows},
        {"LayerInterface.SetPos.call(other, 1, 2)", kThrows}, {"LayerInterface.GetColor.call(null)", kThrows},
        {"LayerInterface.instance().GetColor()", kThrows}, {"InputInterface.GetState.call(layer)", kThrows},
        {"LayerInterface.SetPos.call(box, 1, 2)", kThrows}, {"box.SetPos(\"x\", [1])", kWarns},
        {"box.SetCharSpace(1)", kWarns}, {"box.SetPos(1, 2, 3, 4, 5)", kQuiet}, {"box.constructor(font, 5)", kThrows},
        {"TextBoxInterface()", kWarns}, {"TextBoxInterface(null, 5)", kQuiet}, {"TextBoxInterface(font)", kWarns},
        {"TextBoxInterface(5, 5)", kThrows}, {"TextBoxInterface(layer, 5)", kThrows},
        {"TextBoxInterface.SetPos.call(layer, 1, 2)", kThrows}, {"TextBoxInterface.instance().Print(\"a\")", kQuiet},
        {"tile.SetImage(5)", kThrows}, {"tile.SetImage(image, LayerInterface())", kThrows},
        {"TileInterface.SetPos.call(LayerInterface(), 1, 2)", kThrows}, {"TextSpriteInterface.GetColor.call(tile)", kThrows},
        {"TextSpriteInterface(4, TileInterface(), 8, 8, false)", kThrows},
        {"image.constructor(\"image/quadrants.png\", false)", kThrows}, {"made <- ImageInterface()", kWarns, 0},
        {"made <- ImageInterface(null, true)", kWarns, 0}, {"made <- ImageInterface(\"image/quadrants.png\")", kWarns, 1},
        {"made <- ImageInterface.instance(); layer.SetImage(made)", kQuiet, 0},
        // Constructors go by the class chain, not by the global that names the class.
        {"local i = InputInterface(7); LayerInterface.constructor.call(i); i.GetX(19)", kWarnsAndThrows},
        {"class L extends LayerInterface { constructor() { InputInterface.constructor.call(this, 0) } } L().SetPos(1, 2)",
         kThrows},
        {"LayerInterface.constructor.call(LayerInterface())", kThrows},  // already constructed
        {"class D extends LayerInterface { constructor() { base.constructor() } } D().SetPos(1, 2)", kQuiet},
        {"local i = InputInterface(7); InputInterface.constructor.call(i, 0); i.GetX(0)", kWarns},
        // last: the global stays rebound
        {"local c = LayerInterface.constructor; ::LayerInterface <- InputInterface; c.call(InputInterface(7))",
         kWarnsAndThrows},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        Run("made <- null;");
        LogCapture log;
        EXPECT_EQ(Throws(c.call), c.outcome == kThrows || c.outcome == kWarnsAndThrows);
        bool warned = false;
        for (const std::string& line : log.Lines()) warned |= line.rfind("Warning: ", 0) == 0;
        EXPECT_EQ(warned, c.outcome == kWarns || c.outcome == kWarnsAndThrows);
        EXPECT_TRUE(c.picture < 0 || (NativeOf("made") != nullptr) == (c.picture == 1));
        Run("layer.SetImage(made);");  // an instance without a picture shows nothing
    }
    Run("collectgarbage();");
    EXPECT_EQ(TextBoxes().size(), 1u);
    EXPECT_EQ(Sprites().size(), 1u);
    EXPECT_EQ(Eval(v, "box.GetPosX()").integer, 1);
    EXPECT_EQ(Eval(v, "layer.GetPosX()").integer, 1);
    EXPECT_EQ(RunSource(v, "layer.SetVisible(0.0); local a = layer.IsVisible(); layer.SetVisible(-2); "
                           "return a + \",\" + layer.IsVisible();").text, "false,true");  // numbers as flags
    WaitForImages();
    DrawLayers();
}

// A line raised for a script call names its file and line; a class mismatch names the class expected.
TEST_F(ScriptErrorsTest, EachMistakeIsLoggedWithItsFileAndLine) {
    const struct { const char* line2; const char* expected; } cases[] = {  // the mistake on line 2
        {"layer.SetPos(\"ten\", 5);", "Warning: LayerInterface.SetPos: argument 1 has the wrong type; 0 is used (mistakes.nut:2)"},
        {"layer.SetImage(layer);", "Error: script: LayerInterface.SetImage: argument 1 is not of the expected class ImageInterface"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line2);
        LogCapture log;
        RunSource(v, std::string("local layer = LayerInterface();\n") + c.line2 + "\nlayer = null;", "mistakes.nut");
        ASSERT_FALSE(log.Lines().empty());
        EXPECT_EQ(log.Lines()[0], c.expected);
    }
}

}  // namespace
