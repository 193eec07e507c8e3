// What a script author reads after each usual mistake: every warning or error
// a native raises for a script call names the script's file and line, a class
// mismatch names the class expected, and a missing file is named once.
#include <gtest/gtest.h>

#include "tests/script_classes/media_classes_fixture.h"
#include "tests/support/log_capture.h"

namespace {

class ScriptMessagesTest : public MediaClassesTest {};

TEST_F(ScriptMessagesTest, EachMistakeIsLoggedWithItsFileAndLine) {
    const struct {
        const char* line2;  // the mistake, on line 2 of mistakes.nut
        const char* expected;
    } cases[] = {
        {"layer.SetPos(\"ten\", 5);", "Warning: LayerInterface.SetPos: argument 1 has the wrong type; 0 is used (mistakes.nut:2)"},
        {"layer.SetPos(5);", "Warning: LayerInterface.SetPos: argument 2 is missing; 0 is used (mistakes.nut:2)"},
        {"TextBoxInterface(null, 10);", "Error: TextBoxInterface: no font to draw with; the text box shows nothing (mistakes.nut:2)"},
        {"ImageInterface(\"image/nowhere.png\", false);", "Error: Failed to open \"image/nowhere.png\" (mistakes.nut:2)"},
        {"layer.SetImage(layer);",
         "Error: script: LayerInterface.SetImage: argument 1 is not of the expected class ImageInterface"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line2);
        LogCapture log;
        RunSource(v, std::string("local layer = LayerInterface();\n") + c.line2 + "\nlayer = null;", "mistakes.nut");
        ASSERT_FALSE(log.Lines().empty());
        EXPECT_EQ(log.Lines()[0], c.expected);
        if (std::string(c.expected).find("script:") != std::string::npos) {
            EXPECT_TRUE(log.Has("  at main (mistakes.nut:2)"));
        }
    }
}

TEST_F(ScriptMessagesTest, LinesLoggedOutsideAnyScriptCarryNoPlace) {
    LogCapture log;
    Run("layer <- LayerInterface();");
    WaitForImages();
    EXPECT_TRUE(log.Lines().empty());
    Run("layer = null;");
}

}  // namespace
