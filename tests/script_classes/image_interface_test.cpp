// ImageInterface through scripts: a picture from the pack shown on a layer
// (own texture and atlas), files that cannot be shown, hostile calls, and
// images released while they still load.
#include <gtest/gtest.h>

#include "gfx/async_texture.h"
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
        const struct {
            int x, y;
            uint32_t colour;
        } probes[] = {
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

}  // namespace
