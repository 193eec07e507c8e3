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

TEST_F(FontInterfaceTest, AFontMadeFromAnotherSharesItsDataAtItsOwnSize) {
    Run("small <- FontInterface(16, \"font/ipag.ttf\"); big <- FontInterface(24, small);");
    auto* small = static_cast<Font*>(NativeOf("small"));
    auto* big = static_cast<Font*>(NativeOf("big"));
    ASSERT_TRUE(small != nullptr && big != nullptr);
    EXPECT_EQ(big->data, small->data);
    EXPECT_EQ(small->data->refCount, 2);
    EXPECT_EQ(Font::GetCellSize(small), 16);
    EXPECT_EQ(Font::GetCellSize(big), 24);
    // The new size renders: a kanji at 24 is 16 pixels high, more than at 16.
    GlyphCell* large = Font::PrepareGlyph(big, u'霧', 24, 0, 0);
    GlyphCell* little = Font::PrepareGlyph(small, u'霧', 16, 0, 0);
    ASSERT_TRUE(large != nullptr && little != nullptr);
    EXPECT_GT(large->rows, little->rows);
    Run("small = null; collectgarbage();");
    EXPECT_EQ(LiveFontCount(), 1u);
    EXPECT_EQ(big->data->refCount, 1) << "the data lives on with the other font";
    Run("big = null; collectgarbage();");
    EXPECT_EQ(LiveFontCount(), 0u);
}

TEST_F(FontInterfaceTest, TheAtlasSizeIsReadOnlyWhenBothSidesAreGiven) {
    const struct {
        const char* arguments;  // after the size and the source
        int width, height;      // 0: no font is made
    } cases[] = {
        {"", 512, 512},       {", 256", 512, 512},    {", 256, 128", 256, 128}, {", 256, 128, 7", 256, 128},
        {", 0, 0", 512, 512}, {", 8192, 8192", 0, 0}, {", -1, 64", 0, 0},       {", 64, 1 << 40", 0, 0},
        {", 16, 16", 0, 0},  // no 24-pixel cell fits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        for (const char* source : {"\"font/DejaVuSans.ttf\"", "origin"}) {
            LogCapture log;
            Run("origin <- FontInterface(24, \"font/DejaVuSans.ttf\");");
            Run(std::string("font <- FontInterface(24, ") + source + c.arguments + ");");
            auto* font = static_cast<Font*>(NativeOf("font"));
            EXPECT_EQ(font != nullptr, c.width != 0) << source;
            if (font != nullptr && c.width != 0) {
                EXPECT_EQ(Font::GetAtlasTexture(font)->width, c.width);
                EXPECT_EQ(Font::GetAtlasTexture(font)->height, c.height);
            } else {
                EXPECT_TRUE(log.Contains("Error: ")) << source;
            }
            Run("origin = null; font = null; collectgarbage();");
            EXPECT_EQ(LiveFontCount(), 0u);
        }
    }
}

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

TEST_F(FontInterfaceTest, AFontStaysWhileATextBoxUsesIt) {
    Run("font <- FontInterface(24, \"font/DejaVuSans.ttf\"); box <- TextBoxInterface(font, 16);"
        "font = null; collectgarbage();");
    EXPECT_EQ(LiveFontCount(), 1u);
    ASSERT_EQ(TextBoxes().size(), 1u);
    EXPECT_EQ(TextBoxes()[0]->font->refCount, 1);
    Run("box.Print(\"Vale\");");
    WaitForGlyphs();
    Run("box = null; collectgarbage();");
    EXPECT_EQ(LiveFontCount(), 0u);
    EXPECT_TRUE(Throws("FontInterface(24, \"font/DejaVuSans.ttf\").constructor(24, \"font/DejaVuSans.ttf\")"));
    Run("collectgarbage();");
}

}  // namespace
