// Text sprites drawn on Mesa from a sheet whose every texel has its own
// colour: which cell each character shows, where it stands, and what draws
// nothing.
#include "gfx/text_sprite.h"

#include "gfx/gl_state.h"
#include "gfx/quad.h"
#include "gfx/std2d.h"
#include "tests/gfx/sprites2d_fixture.h"

namespace {

// A sheet of 16 x 4 cells of 10 x 10 texels; one texel step of 1 keeps the
// colours apart across the 160 columns.
constexpr int kCell = 10;

class TextSpriteTest : public Sprites2dTest {
protected:
    void SetUp() override {
        Sprites2dTest::SetUp();
        sprite_ = TextSprite::Create(32, nullptr);
        sprite_->SetSheet(TexelImage(16 * kCell, 4 * kCell, 1), 0, 0, kCell, kCell);
        sprite_->SetPos(60, 60);  // box 100 x 100: left 10, top 10
    }
    void TearDown() override {
        TextSprite::Destroy(sprite_);
        Sprites2dTest::TearDown();
    }
    void Draw() {
        ClearScreen(0, 0, 0);
        ResetRenderStats();
        TextSprite::Draw(sprite_);
    }
    // The top-left corner of quad i.
    std::pair<int, int> Corner(uint32_t i) const {
        const QuadVertex& v = sprite_->batch->vertices[i * 4 + kQuadTopLeft];
        return {v.x, v.y};
    }

    TextSprite* sprite_ = nullptr;
};

TEST_F(TextSpriteTest, CharactersShowTheirCells) {
    struct Case {
        const char* text;
        bool digits;
        int cells[4];  // the cell shown at each pen position, -1 for nothing
    } cases[] = {
        {"0123", false, {16, 17, 18, 19}},
        {"0123", true, {0, 1, 2, 3}},
        {"A ~!", false, {33, -1, -1, 1}},      // '~' lies in a fifth row the sheet lacks
        {"-5:0", true, {-1, 5, 10, 0}},          // below '0': nothing, the pen moves on
        {"\x7F\xFF\x80" "0", false, {-1, -1, -1, 16}},  // beyond the sheet's rows, and bytes above 127
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sprite_->SetSheetStartsAtDigits(c.digits);
        sprite_->SetText(c.text);
        Draw();
        for (int i = 0; i < 4; ++i) {
            const int x = 10 + i * kCell, y = 10;
            const int cell = c.cells[i], u = (cell % 16) * kCell + 3, v = (cell / 16) * kCell + 6;
            // The cell's texel at the same offset as the pixel read.
            const Rgba expected = cell < 0 ? Rgba{0, 0, 0, 255} : Texel(u, v, 1);
            EXPECT_EQ(ReadPixel(x + 3, y + 6), expected) << "character " << i;
        }
    }
}

TEST_F(TextSpriteTest, AlignmentAndWrapping) {
    struct Case {
        const char* text;
        int32_t align, width, charSpace;
        float scale;
        std::vector<std::pair<int, int>> corners;  // top-left of each quad, box centre (60, 60)
    } cases[] = {
        // Centred lines take their offset from their own length: 40 and 35.
        {"12\n345", 1, 100, 0, 1.0f, {{50, 10}, {60, 10}, {45, 20}, {55, 20}, {65, 20}}},
        {"12\n345", 2, 100, 0, 1.0f, {{90, 10}, {100, 10}, {80, 20}, {90, 20}, {100, 20}}},
        // The glyph that crosses the right edge stays on its line; the next starts at the left.
        {"12345", 0, 30, 0, 1.0f, {{45, 10}, {55, 10}, {65, 10}, {75, 10}, {45, 20}}},
        {"1 2", 0, 100, 2, 1.0f, {{11, 10}, {35, 10}}},  // centred in a 12-pixel advance
        // Scaled cells, positions and spacing; the line offset stays unscaled.
        {"12", 1, 100, 0, 2.0f, {{0, -40}, {20, -40}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sprite_->SetAlign(c.align);
        sprite_->SetSize(c.width, 100);
        sprite_->SetCharSpace(c.charSpace);
        sprite_->SetScale(c.scale);
        sprite_->SetText(c.text);
        ASSERT_TRUE(sprite_->Layout());
        ASSERT_EQ(sprite_->batch->vertexCount / 4, c.corners.size());
        for (uint32_t i = 0; i < c.corners.size(); ++i) EXPECT_EQ(Corner(i), c.corners[i]) << i;
    }
}

TEST_F(TextSpriteTest, ColourClipAndVisibility) {
    sprite_->SetText("00");
    sprite_->SetColor(ColorWord(255, 255, 255, 0));
    Draw();
    EXPECT_EQ(GetRenderStats().drawCalls, 0u) << "alpha 0 hides";
    EXPECT_TRUE(sprite_->flags & kTextSpriteDirty) << "recolouring lays nothing out";
    sprite_->SetColor(ColorWord(0, 255, 0));
    sprite_->SetClipRect(0, 0, 15, 200);  // cuts the first quad at x 15
    Draw();
    EXPECT_EQ(ReadPixel(12, 15), (Rgba{0, 31, 0, 255})) << "texel (2, 15) through a green vertex";
    EXPECT_EQ(ReadPixel(16, 15), (Rgba{0, 0, 0, 255}));
}

}  // namespace
