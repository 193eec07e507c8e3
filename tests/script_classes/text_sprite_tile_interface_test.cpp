// TextSpriteInterface and TileInterface through scripts, drawn on Mesa: every
// method row once, the shared colour and hit-box rules, the two constructor
// forms of a text sprite, missing images, and images dropped while shown.
#include <gtest/gtest.h>

#include <string>

#include "gfx/text_sprite.h"
#include "gfx/tile.h"
#include "script/layer_interface.h"
#include "tests/script_classes/media_classes_fixture.h"

namespace {

class TextSpriteTileTest : public MediaClassesTest {
protected:
    void SetUp() override {
        MediaClassesTest::SetUp();
        Run("img <- ImageInterface(\"image/quadrants.png\", false);");
    }
    template <typename Object>
    Object* ObjectOf(const std::string& expression) {
        auto* wrapper = static_cast<LayerWrapper*>(NativeOf(expression));
        return wrapper != nullptr ? static_cast<Object*>(wrapper->object) : nullptr;
    }
};

// Every row with valid arguments; an image dropped by the script stays on
// screen through the objects' own references.
TEST_F(TextSpriteTileTest, EveryMethodRunsAndTheObjectsDraw) {
    Run("ts <- TextSpriteInterface(8, img, 8, 8, true);"
        "ts.SetText(\"9\"); ts.Clear(); ts.SetText(\"012\"); ts.SetCharSpace(0); ts.SetLineSpace(2);"
        "ts.SetAlign(0); ts.SetVertAlign(1); ts.SetVisible(true); ts.SetZ(2); ts.SetPos(54, 54);"
        "ts.SetSize(100, 100); ts.SetAlpha(1.0); ts.SetColor(0xFFFFFFFF); ts.SetFade(1.0); ts.SetAngle(0.0);"
        "ts.SetScale(1.0); ts.SetClipRect(0, 0, 0, 0); ts.SetHitTest(0, 0);"
        "local got = [ts.IsVisible(), ts.GetZ(), ts.GetPosX(), ts.GetPosY(), ts.GetWidth(), ts.GetHeight(),"
        "  ts.GetAlpha(), ts.GetColor(), ts.GetFade(), ts.GetAngle(), ts.GetScale(), ts.HitTest(54, 54)];"
        "tile <- TileInterface(); tile.SetMode(0); tile.SetImage(img, null); tile.SetVisible(true); tile.SetZ(1);"
        "tile.SetPos(200, 64); tile.SetSize(32, 32); tile.SetAlpha(1.0); tile.SetColor(0xFFFFFFFF);"
        "tile.SetFade(1.0); tile.SetAngle(0.0); tile.SetScale(1.0); tile.SetClipRect(0, 0, 0, 0);"
        "tile.SetBackColor(0xFFFFFFFF); tile.SetEdgeColor(0xFFFFFFFF); tile.SetHitTest(0, 0);"
        "got.extend([tile.IsVisible(), tile.GetZ(), tile.GetPosX(), tile.GetPosY(), tile.GetWidth(),"
        "  tile.GetHeight(), tile.GetColor(), tile.GetFade(), tile.GetAngle(), tile.GetScale(), tile.HitTest(0, 0)]);"
        "summary <- \"\"; foreach (value in got) summary += value + \",\";"
        "img = null;");
    EXPECT_EQ(Eval(v, "summary").text,
              "true,2,54,54,100,100,1,4294967295,1,0,1,true,true,1,200,64,32,32,4294967295,1,0,1,false,");
    WaitForImages();
    DrawLayers();
    // The sheet's 8 x 8 cells from '0': '0' and '1' are its top quarters, '2'
    // would lie beyond the 16-texel area and draws nothing.
    EXPECT_EQ(ReadPixel(7, 7), kQuadrantColours[0]);
    EXPECT_EQ(ReadPixel(15, 10), kQuadrantColours[1]);
    EXPECT_EQ(ReadPixel(23, 7), 0u);
    EXPECT_EQ(ReadPixel(196, 60), kQuadrantColours[3]) << "the tile's first copy from (184, 48)";
}

TEST_F(TextSpriteTileTest, ColourFadeAndHitBoxAreShared) {
    Run("ts <- TextSpriteInterface(4, img, 8, 8, false); tile <- TileInterface();"
        "foreach (o in [ts, tile]) { o.SetColor(0x00FF00FF); o.SetFade(0.5); }");
    EXPECT_EQ(ObjectOf<TextSprite>("ts")->color, 0x7F00FF00u);
    EXPECT_EQ(ObjectOf<Tile>("tile")->color, 0x7F00FF00u);
    EXPECT_EQ(Eval(v, "tile.GetColor()").integer, 0xFF00FF00);
    Run("tile.SetSize(100, 40); tile.SetPos(200, 100);");
    EXPECT_TRUE(Eval(v, "tile.HitTest(150, 80) && !tile.HitTest(250, 100) && !tile.HitTest(200, 120)").boolean);
    Run("tile.SetHitTest(10, 10);");
    EXPECT_TRUE(Eval(v, "tile.HitTest(250, 100) && tile.HitTest(200, 120)").boolean);
}

// The digits flag is the last argument whether or not the origin is given.
TEST_F(TextSpriteTileTest, BothConstructorFormsReadTheirArguments) {
    const struct {
        const char* arguments;
        int32_t originX, originY;
        bool digits;
    } cases[] = {
        {"8, img, 8, 4, true", 0, 0, true},
        {"8, img, 8, 4, 2, 3, true", 2, 3, true},
        {"8, img, 8, 4", 0, 0, false},
    };
    for (const auto& c : cases) {
        Run(std::string("probe <- TextSpriteInterface(") + c.arguments + ");");
        auto* sprite = ObjectOf<TextSprite>("probe");
        ASSERT_NE(sprite, nullptr) << c.arguments;
        EXPECT_TRUE(sprite->originX == c.originX && sprite->originY == c.originY && sprite->cellHeight == 4)
            << c.arguments;
        EXPECT_EQ((sprite->flags & kTextSpriteDigits) != 0, c.digits) << c.arguments;
    }
}

TEST_F(TextSpriteTileTest, MissingOrWrongImagesNeverCrash) {
    Run("tile <- TileInterface(); tile.SetImage(null, img); tile.SetImage(img); tile.SetImage();"
        "ts <- TextSpriteInterface(4, null, 8, 8, false); ts.SetText(\"0\");"
        "blank <- ImageInterface(null, false); tile.SetImage(blank, blank);");
    WaitForImages();
    DrawLayers();
    EXPECT_TRUE(Throws("tile.SetImage(5)"));
    EXPECT_TRUE(Throws("tile.SetImage(img, LayerInterface())"));
    EXPECT_TRUE(Throws("TextSpriteInterface(4, TileInterface(), 8, 8, false)"));
    EXPECT_TRUE(Throws("TileInterface.SetPos.call(LayerInterface(), 1, 2)"));
    EXPECT_TRUE(Throws("TextSpriteInterface.GetColor.call(tile)"));
}

}  // namespace
