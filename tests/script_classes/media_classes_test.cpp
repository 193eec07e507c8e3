// The picture, font, text-box, text-sprite and tile classes through scripts, drawn on Mesa.
#include <gtest/gtest.h>
#include "gfx/async_texture.h"
#include "gfx/font.h"
#include "gfx/text_sprite.h"
#include "gfx/tile.h"
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
        EXPECT_EQ(texture->atlasArea != nullptr, std::string(atlas) == "true");

        DrawLayers();
        // The picture's top-left corner lands on (56, 32).
        const struct { int x, y; uint32_t colour; } probes[] = {
            {56, 32, kQuadrantColours[0]}, {63, 39, kQuadrantColours[0]}, {64, 32, kQuadrantColours[1]},
            {71, 39, kQuadrantColours[1]}, {56, 40, kQuadrantColours[2]}, {63, 47, kQuadrantColours[2]},
            {64, 40, kQuadrantColours[3]}, {71, 47, kQuadrantColours[3]}, {55, 32, 0},
            {72, 40, 0},                   {64, 31, 0},                   {64, 48, 0},
        };
        for (const auto& p : probes) EXPECT_EQ(ReadPixel(p.x, p.y), p.colour) << p.x << ", " << p.y;

        // One quarter through a source rectangle; the script's image may go.
        Run("layer.SetImageRect(image, 8, 0, 8, 8); image = null; collectgarbage();");
        auto at = [](int x, int y) { DrawLayers(); return ReadPixel(x, y); };
        EXPECT_EQ(at(60, 36), kQuadrantColours[1]);
        EXPECT_EQ(ReadPixel(67, 43), kQuadrantColours[1]);
        EXPECT_EQ(ReadPixel(68, 44), 0u) << "8 x 8 now";
        Run("layer.SetFade(0.5);");
        const uint32_t faded = at(60, 36);
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(int(faded >> shift & 0xFF), int(kQuadrantColours[1] >> shift & 0xFF) / 2, 1);
        Run("layer.SetFade(1.0); layer.SetAlpha(-1.0);");
        EXPECT_EQ(at(60, 36), 0u);
        Run("layer.SetAlpha(1.0); layer.SetVisible(false);");
        EXPECT_EQ(at(60, 36), 0u);
        Run("layer.SetVisible(true);");
        EXPECT_EQ(at(60, 36), kQuadrantColours[1]);
        Run("layer = null; collectgarbage();");
        EXPECT_EQ(at(60, 36), 0u);
        EXPECT_EQ(GetAsyncTextureList().count, 0u);
    }
}

using FontInterfaceTest = MediaClassesTest;

// A text box made from a font that was never made has no box; its methods neither fail nor draw.
TEST_F(FontInterfaceTest, SourcesThatMakeNoFontLeaveTheInstanceEmpty) {
    const struct { const char* call; const char* line; } cases[] = {
        {"FontInterface(16, 5)", "Error: Invalid parameter."},
        {"FontInterface(16, LayerInterface())", "Error: Invalid parameter."},
        {"FontInterface(16, \"font/missing.ttf\")", "open \"font/missing.ttf\"."},
        {"FontInterface(16, FontInterface(16, \"font/missing.ttf\"))", "the source font was never made"},
        {"FontInterface(16, \"image/quadrants.png\")", "quadrants.png"},
        {"FontInterface(-16, \"font/DejaVuSans.ttf\")", "out of range"},
        {"FontInterface(16, \"font/DejaVuSans.ttf\", 4097, 64)", "out of range"}, {"FontInterface(16, FontInterface(16, \"font/DejaVuSans.ttf\"), 64, -1)", "out of range"},
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
        EXPECT_FALSE(Eval(v, "box.HitTest(0, 0)").boolean);
        EXPECT_TRUE(TextBoxes().empty());
        Run("box = null; font = null; collectgarbage();");
    }
    EXPECT_EQ(LiveFontCount(), 0u);
}

using TextBoxInterfaceTest = MediaClassesTest;
constexpr char kFontAndBox[] = "font <- FontInterface(24, \"font/DejaVuSans.ttf\"); box <- TextBoxInterface(font, 64);";

TEST_F(TextBoxInterfaceTest, CountsFromScriptsAreClampedBeforeTheyCanWrap) {
    Run(kFontAndBox);
    const struct { const char* maxChars; int expected; } counts[] = {
        {"1 << 40", kTextBoxMaxChars}, {"0x100000005", kTextBoxMaxChars}, {"65537", kTextBoxMaxChars},
        {"-5", 1},                     {"0", 1},                          {"10", 10}};
    for (const auto& c : counts) {
        Run(std::string("big <- TextBoxInterface(font, ") + c.maxChars + ");");
        ASSERT_EQ(TextBoxes().size(), 2u);
        EXPECT_EQ(TextBoxes()[1]->maxChars, c.expected) << c.maxChars;
        Run("big = null; collectgarbage();");
    }
    const struct { const char* size; int edge; } edges[] = {
        {"2147483647", 127}, {"-2147483648", 0}, {"0", 1}, {"126", 127}, {"-1", 0}};
    for (const auto& c : edges) {
        Run(std::string("box.SetEdgeSize(") + c.size + ");");
        EXPECT_EQ(TextBoxes()[0]->edge, c.edge) << c.size;
    }
}

// Boxes dropped with their glyph task still queued or running are taken off the worker first.
TEST_F(TextBoxInterfaceTest, BoxesReleasedWhilePreparingGiveEverythingBack) {
    Run(std::string(kFontAndBox) + "for (local i = 0; i < 300; ++i) {"
        "  local b = TextBoxInterface(font, 32); b.SetEdgeSize(i % 3); b.Print(\"Misty Vale \" + i);"
        "  if (i % 2 == 0) b.SetZ(i % 5);"
        "}"
        "collectgarbage();");
    EXPECT_EQ(GetGlobalLayerList()->nodes.count, 1u);
    Run("box = null; font = null; collectgarbage();");
    EXPECT_TRUE(TextBoxes().empty());
    EXPECT_TRUE(objects_.live.empty()) << objects_.live.size() << " script objects left";
}

using TextSpriteTileTest = MediaClassesTest;
constexpr char kImage[] = "img <- ImageInterface(\"image/quadrants.png\", false);";

// An image the script drops stays on screen through the objects' own references.
TEST_F(TextSpriteTileTest, TextSpritesAndTilesDraw) {
    Run(std::string(kImage) + "ts <- TextSpriteInterface(8, img, 8, 8, true); ts.SetText(\"9\"); ts.Clear(); ts.SetText(\"012\");"
        "ts.SetLineSpace(2); ts.SetAlign(0); ts.SetVertAlign(1); ts.SetZ(2); ts.SetPos(54, 54); ts.SetSize(100, 100);"
        "tile <- TileInterface(); tile.SetMode(0); tile.SetImage(img, null); tile.SetZ(1); tile.SetPos(200, 64); tile.SetSize(32, 32);"
        "img = null;");
    WaitForImages();
    DrawLayers();
    // 8 x 8 cells from '0': '0' and '1' are the top quarters, '2' lies beyond the sheet and draws nothing.
    EXPECT_EQ(ReadPixel(7, 7), kQuadrantColours[0]);
    EXPECT_EQ(ReadPixel(15, 10), kQuadrantColours[1]);
    EXPECT_EQ(ReadPixel(23, 7), 0u);
    EXPECT_EQ(ReadPixel(196, 60), kQuadrantColours[3]) << "the tile's first copy from (184, 48)";
}

// The digits flag is the last argument whether or not the origin is given.
TEST_F(TextSpriteTileTest, SharedColourAndBothConstructorForms) {
    Run(std::string(kImage) + "ts <- TextSpriteInterface(4, img, 8, 8, false); tile <- TileInterface();"
        "foreach (o in [ts, tile]) { o.SetColor(0x00FF00FF); o.SetFade(0.5); }");
    auto object = [this](const char* name) { return static_cast<LayerWrapper*>(NativeOf(name))->object; };
    EXPECT_EQ(static_cast<TextSprite*>(object("ts"))->color, 0x7F00FF00u);
    EXPECT_EQ(static_cast<Tile*>(object("tile"))->color, 0x7F00FF00u);
    EXPECT_EQ(Eval(v, "tile.GetColor()").integer, 0xFF00FF00);
    const struct { const char* arguments; int32_t originX, originY; bool digits; } cases[] = {
        {"8, img, 8, 4, true", 0, 0, true}, {"8, img, 8, 4, 2, 3, true", 2, 3, true}, {"8, img, 8, 4", 0, 0, false}};
    for (const auto& c : cases) {
        Run(std::string("probe <- TextSpriteInterface(") + c.arguments + ");");
        ASSERT_NE(NativeOf("probe"), nullptr) << c.arguments;
        auto* sprite = static_cast<TextSprite*>(object("probe"));
        EXPECT_TRUE(sprite->originX == c.originX && sprite->originY == c.originY && sprite->cellHeight == 4)
            << c.arguments;
        EXPECT_EQ((sprite->flags & kTextSpriteDigits) != 0, c.digits) << c.arguments;
    }
}

}  // namespace
