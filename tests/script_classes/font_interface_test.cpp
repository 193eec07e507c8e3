// FontInterface through scripts: fonts from the pack, fonts made over another
// font's data, the atlas size rule, sources that make no font, and releases.
#include <gtest/gtest.h>

#include "gfx/font.h"
#include "gfx/font_data.h"
#include "gfx/text_box.h"
#include "gfx/texture.h"
#include "tests/script_classes/media_classes_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using FontInterfaceTest = MediaClassesTest;

// Each leaves the instance without a font and logs why; a text box made from
// such a font has no box, and its methods neither fail nor draw.
TEST_F(FontInterfaceTest, SourcesThatMakeNoFontLeaveTheInstanceEmpty) {
    const struct {
        const char* call;
        const char* line;
    } cases[] = {
        {"FontInterface(16, 5)", "Error: Invalid parameter."},
        {"FontInterface(16, null)", "Error: Invalid parameter."},
        {"FontInterface(16)", "Error: Invalid parameter."},
        {"FontInterface(16, LayerInterface())", "Error: Invalid parameter."},
        {"FontInterface(16, ImageInterface(\"image/quadrants.png\", false))", "Error: Invalid parameter."},
        {"FontInterface(16, \"font/missing.ttf\")", "open \"font/missing.ttf\"."},
        {"FontInterface(16, FontInterface(16, \"font/missing.ttf\"))", "the source font was never made"},
        {"FontInterface(16, \"image/quadrants.png\")", "quadrants.png"},
        {"FontInterface(-16, \"font/DejaVuSans.ttf\")", "out of range"},
        {"FontInterface(\"big\", \"font/DejaVuSans.ttf\")", "Warning: FontInterface.constructor: argument 1"},
        {"FontInterface()", "Warning: FontInterface.constructor: argument 1 is missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        LogCapture log;
        Run(std::string("font <- ") + c.call + "; box <- TextBoxInterface(font, 32);");
        EXPECT_EQ(NativeOf("font"), nullptr);
        EXPECT_EQ(NativeOf("box"), nullptr);
        EXPECT_TRUE(log.Contains(c.line));
        EXPECT_TRUE(log.Contains("TextBoxInterface: no font"));
        Run("box.Print(\"text\"); box.SetPos(10, 10); box.SetColor(0xFF0000FF); box.SetZ(3); box.SkipAnim();");
        EXPECT_TRUE(Eval(v, "box.CheckAnim()").boolean);
        EXPECT_FALSE(Eval(v, "box.IsVisible()").boolean);
        EXPECT_EQ(Eval(v, "box.GetPosX()").integer, 0);
        EXPECT_EQ(Eval(v, "box.GetColor()").integer, 0);
        EXPECT_FALSE(Eval(v, "box.HitTest(0, 0)").boolean);
        EXPECT_TRUE(TextBoxes().empty());
        Run("box = null; font = null; collectgarbage();");
    }
    EXPECT_EQ(LiveFontCount(), 0u);
}

}  // namespace
