// ImageInterface and FontInterface through scripts: a packed picture shown
// pixel for pixel, hostile calls, and sources that make no font.
#include <gtest/gtest.h>

#include "gfx/async_texture.h"
#include "gfx/font.h"
#include "gfx/font_data.h"
#include "gfx/text_box.h"
#include "gfx/texture.h"
#include "tests/script_classes/media_classes_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using ImageInterfaceTest = MediaClassesTest;

TEST_F(ImageInterfaceTest, APackedPictureShowsOnALayerPixelForPixel) {
    for (const char* atlas : {"false", "true"}) {
        SCOPED_TRACE(std::string("useAtlas ") + atlas);
        Run(std::string("image <- ImageInterface(\"image/quadrants.png\", ") + atlas +
            "); layer <- LayerInterface(); layer.SetImage(image); layer.SetPos(64, 40);");
        WaitForImages();
        auto* texture = static_cast<AsyncTexture*>(NativeOf("image"));
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->state.load(), kAsyncTextureReady);
        EXPECT_EQ(texture->atlasArea != nullptr, std::string(atlas) == "true");

        DrawLayers();
        // Drawn once, the layer has taken the picture's size.
        EXPECT_EQ(Eval(v, "layer.GetWidth()").integer, 16);
        EXPECT_EQ(Eval(v, "layer.GetHeight()").integer, 16);
        // The picture's top-left corner lands on (56, 32).
        const struct { int x, y; uint32_t colour; } probes[] = {
            {56, 32, kQuadrantColours[0]},
            {63, 39, kQuadrantColours[0]},
            {64, 32, kQuadrantColours[1]},
            {71, 39, kQuadrantColours[1]},
            {56, 40, kQuadrantColours[2]},
            {63, 47, kQuadrantColours[2]},
            {64, 40, kQuadrantColours[3]},
            {71, 47, kQuadrantColours[3]},
            {55, 32, 0},
            {72, 40, 0},
            {64, 31, 0},
            {64, 48, 0},
        };
        for (const auto& p : probes) EXPECT_EQ(ReadPixel(p.x, p.y), p.colour) << p.x << ", " << p.y;

        // One quarter through a source rectangle; the script's image may go.
        Run("layer.SetImageRect(image, 8, 0, 8, 8); image = null; collectgarbage();");
        DrawLayers();
        EXPECT_EQ(ReadPixel(60, 36), kQuadrantColours[1]);
        EXPECT_EQ(ReadPixel(67, 43), kQuadrantColours[1]);
        EXPECT_EQ(ReadPixel(68, 44), 0u) << "8 x 8 now";
        Run("layer = null; collectgarbage();");
        EXPECT_EQ(GetAsyncTextureList().count, 0u);
    }
}

// A script places, moves, fades, hides and drops a layer; the 2D pass draws
// the global layer list and the pixels are read back.
TEST_F(ImageInterfaceTest, AScriptPlacesMovesFadesAndRemovesALayer) {
    Run("layer <- LayerInterface(); layer.SetImage(ImageInterface(\"image/quadrants.png\", false));"
        "layer.SetPos(30, 40);");
    WaitForImages();
    const uint32_t topLeft = kQuadrantColours[0], bottomRight = kQuadrantColours[3];
    auto at = [](int x, int y) {
        DrawLayers();
        return ReadPixel(x, y);
    };
    EXPECT_EQ(at(22, 32), topLeft);  // 16 x 16, centred on (30, 40)
    EXPECT_EQ(at(37, 47), bottomRight);
    EXPECT_EQ(at(21, 40), 0u);
    EXPECT_EQ(at(30, 48), 0u);
    Run("layer.SetPos(90, 100);");
    EXPECT_EQ(at(22, 32), 0u);
    EXPECT_EQ(at(82, 92), topLeft);
    Run("layer.SetFade(0.5);");
    const uint32_t faded = at(82, 92);
    for (int shift : {0, 8, 16}) EXPECT_NEAR(int(faded >> shift & 0xFF), int(topLeft >> shift & 0xFF) / 2, 1);
    Run("layer.SetFade(1.0); layer.SetAlpha(-1.0);");
    EXPECT_EQ(at(82, 92), 0u);
    Run("layer.SetAlpha(1.0); layer.SetVisible(false);");
    EXPECT_EQ(at(82, 92), 0u);
    Run("layer.SetVisible(true);");
    EXPECT_EQ(at(82, 92), topLeft);
    Run("layer = null; collectgarbage();");
    EXPECT_EQ(at(82, 92), 0u);
}

// Missing or mistyped arguments warn and leave an instance without a
// picture; objects of another class are script errors. Nothing crashes.
TEST_F(ImageInterfaceTest, WrongCallsNeverCrash) {
    Run("layer <- LayerInterface(); font <- FontInterface(16, \"font/DejaVuSans.ttf\");"
        "image <- ImageInterface(\"image/quadrants.png\", false);");
    const struct {
        const char* call;
        bool throws;
        bool warns;
        bool hasPicture;  // of `made`, when it is made
    } cases[] = {
        {"made <- ImageInterface()", false, true, false},
        {"made <- ImageInterface(5, true)", false, true, false},
        {"made <- ImageInterface(null, true)", false, true, false},
        {"made <- ImageInterface(\"image/quadrants.png\")", false, true, true},
        {"made <- ImageInterface(\"image/quadrants.png\", 1, 2, 3)", false, false, true},
        {"made <- ImageInterface(\"image/quadrants.png\", \"yes\")", false, true, true},
        {"image.constructor(\"image/quadrants.png\", false)", true, false, false},
        {"layer.SetImage(font)", true, false, false},
        {"layer.SetImageRect(font, 0, 0, 1, 1)", true, false, false},
        {"TextBoxInterface(image, 10)", true, false, false},
        {"made <- ImageInterface.instance(); layer.SetImage(made)", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        Run("made <- null;");
        LogCapture log;
        EXPECT_EQ(Throws(c.call), c.throws);
        bool warned = false;
        for (const std::string& line : log.Lines()) warned |= line.rfind("Warning: ", 0) == 0;
        EXPECT_EQ(warned, c.warns);
        if (!c.throws) {
            EXPECT_EQ(NativeOf("made") != nullptr, c.hasPicture);
        }
        Run("layer.SetImage(made);");  // an instance without a picture shows nothing
    }
    WaitForImages();
    DrawLayers();
}

using FontInterfaceTest = MediaClassesTest;

// Each leaves the instance without a font and logs why; a text box made from
// such a font has no box, and its methods neither fail nor draw.
TEST_F(FontInterfaceTest, SourcesThatMakeNoFontLeaveTheInstanceEmpty) {
    const struct { const char* call; const char* line; } cases[] = {
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
