// Text sprites and tiles drawn on Mesa from images whose every texel has its
// own colour (which cell each character shows and where, each tile mode read
// back at its corners, edges and seams, piece counts of large boxes), and
// batched drawing: the same scene gives the same pixels in fewer draw calls.
#include <climits>

#include "gfx/quad.h"
#include "gfx/std2d_batch.h"
#include "gfx/text_sprite.h"
#include "gfx/tile.h"
#include "tests/gfx/sprites2d_fixture.h"

namespace {

const Rgba kBlack{0, 0, 0, 255};

// A sheet of 16 x 4 cells of 10 x 10 texels; one texel step of 1 keeps the
// colours apart across the 160 columns.
constexpr int kCell = 10;

class TextSpriteTest : public Sprites2dTest {
protected:
    void SetUp() override {
        Sprites2dTest::SetUp();
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
    TextSprite* sprite_ = TextSprite::Create(32, nullptr);
};

TEST_F(TextSpriteTest, CharactersShowTheirCells) {
    struct Case { const char* text; bool digits; int cells[4]; } cases[] = {  // -1: nothing at that pen
        {"0123", false, {16, 17, 18, 19}},
        {"0123", true, {0, 1, 2, 3}},
        {"A ~!", false, {33, -1, -1, 1}},               // '~' lies in a fifth row the sheet lacks
        {"-5:0", true, {-1, 5, 10, 0}},                 // below '0': nothing, the pen moves on
        {"\x7F\xFF\x80" "0", false, {-1, -1, -1, 16}},  // beyond the sheet's rows, and bytes above 127
    };
    for (const Case& c : cases) {
        sprite_->SetSheetStartsAtDigits(c.digits);
        sprite_->SetText(c.text);
        Draw();
        for (int i = 0; i < 4; ++i) {  // the cell's texel at the same offset as the pixel read
            const int cell = c.cells[i];
            const Rgba want = cell < 0 ? kBlack : Texel((cell % 16) * kCell + 3, (cell / 16) * kCell + 6, 1);
            EXPECT_EQ(ReadPixel(13 + i * kCell, 16), want) << c.text << " character " << i;
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
        for (uint32_t i = 0; i < c.corners.size(); ++i) {
            const QuadVertex& v = sprite_->batch->vertices[i * 4 + kQuadTopLeft];
            EXPECT_EQ(std::make_pair(int{v.x}, int{v.y}), c.corners[i]) << i;
        }
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
    EXPECT_EQ(ReadPixel(16, 15), kBlack);
}

constexpr int kStep = 16;  // colour step between texels of the 8 x 8 images

// A screen pixel and the texel it must show.
struct Point { int x, y, u, v; uint8_t blue = 128; };

class TileTest : public Sprites2dTest {
protected:
    void SetUp() override {
        Sprites2dTest::SetUp();
        tile_->SetSize(20, 12);
        tile_->SetPos(20, 16);  // left 10, top 10
    }
    void TearDown() override {
        Tile::Destroy(tile_);
        Sprites2dTest::TearDown();
    }
    void Draw() {
        ClearScreen(0, 0, 0);
        Tile::Draw(tile_);
    }
    void ExpectPoints(const std::vector<Point>& points, int mode) {
        for (const Point& p : points)
            EXPECT_EQ(ReadPixel(p.x, p.y), Texel(p.u, p.v, kStep, p.blue)) << "mode " << mode << " at " << p.x << "," << p.y;
    }
    uint32_t Pieces() const { return tile_->background->vertexCount / 4; }
    const QuadVertex& Corner(uint32_t i, int corner) const { return tile_->background->vertices[i * 4 + corner]; }
    int PieceWidth(uint32_t i) const { return Corner(i, kQuadTopRight).x - Corner(i, kQuadTopLeft).x; }
    int PieceHeight(uint32_t i) const { return Corner(i, kQuadBottomLeft).y - Corner(i, kQuadTopLeft).y; }

    Tile* tile_ = Tile::Create(nullptr);
};

TEST_F(TileTest, TiledCopiesMeetAtTheirSeams) {
    tile_->SetImage(TexelImage(8, 8, kStep), nullptr);
    Draw();
    const std::vector<uint8_t> pixels = ReadRect(10, 10, 20, 12);
    for (int j = 0; j < 12; ++j) {
        for (int i = 0; i < 20; ++i) {
            const uint8_t* p = &pixels[(static_cast<size_t>(j) * 20 + i) * 4];
            ASSERT_EQ((Rgba{p[0], p[1], p[2], 255}), Texel(i % 8, j % 8, kStep)) << i << "," << j;
        }
    }
    EXPECT_TRUE(RectIs(30, 9, 1, 14, kBlack) && RectIs(10, 22, 20, 1, kBlack));
}

TEST_F(TileTest, FramesAndBarsSampleTheirParts) {
    const std::vector<Point> cases[] = {
        // Mode 1: corners 2 x 2; edges stretched from one column or row; the centre from the middle half.
        {{10, 10, 0, 0}, {11, 11, 1, 1}, {10, 20, 0, 6}, {11, 21, 1, 7}, {28, 10, 6, 0}, {29, 21, 7, 7}, {15, 10, 6, 0},
         {20, 11, 6, 1}, {15, 21, 6, 7}, {10, 15, 0, 2}, {11, 18, 1, 2}, {29, 15, 7, 6}, {12, 12, 2, 2}, {20, 16, 4, 4},
         {27, 19, 5, 5}},
        // Mode 2: caps 4 wide from the halves, the middle stretched from column 4, full height.
        {{10, 10, 0, 0}, {13, 21, 3, 7}, {10, 15, 0, 3}, {14, 10, 4, 0}, {25, 21, 4, 7}, {29, 10, 7, 0}, {29, 21, 7, 7}},
        // Mode 3: caps 4 high, the middle stretched from row 4, full width.
        {{10, 10, 0, 0}, {29, 13, 7, 3}, {10, 15, 0, 4}, {29, 17, 7, 4}, {10, 18, 0, 4}, {29, 21, 7, 7}},
    };
    tile_->SetImage(TexelImage(8, 8, kStep), nullptr);
    for (int32_t mode = 1; mode <= 3; ++mode) {
        tile_->SetMode(mode);
        tile_->SetPos(20, 16);  // builds again
        Draw();
        ExpectPoints(cases[mode - 1], mode);
        EXPECT_EQ(ReadPixel(30, 16), kBlack) << "mode " << mode;
    }
    for (int32_t mode : {1, 2, 3}) {  // a box smaller than the caps: empty middles, not mirrored ones
        tile_->SetMode(mode);
        tile_->SetSize(4, 2);
        for (uint32_t i = 0; i < Pieces(); ++i) EXPECT_TRUE(PieceWidth(i) >= 0 && PieceHeight(i) >= 0) << mode;
    }
    tile_->SetMode(7);
    tile_->SetPos(20, 16);
    EXPECT_EQ(Pieces(), 0u) << "no background for other modes";

    // Bars clipped keep their texels in place.
    tile_->SetMode(2);
    tile_->SetSize(20, 12);
    tile_->SetClipRect(12, 0, 27, 256);
    Draw();
    ExpectPoints({{12, 10, 2, 0}, {26, 10, 4, 0}}, 2);
    EXPECT_TRUE(ReadPixel(11, 12) == kBlack && ReadPixel(27, 10) == kBlack);
}

TEST_F(TileTest, EdgeFrameLiesOverATiledBackground) {
    tile_->SetImage(TexelImage(8, 8, kStep), TexelImage(8, 8, kStep, 255));
    Draw();
    ExpectPoints({{10, 10, 0, 0, 255}, {29, 21, 7, 7, 255}, {13, 20, 3, 6, 255},  // corners are the quadrants
                  {20, 10, 4, 0, 255}, {20, 21, 4, 7, 255},                       // top and bottom edges: column 4
                  {11, 15, 1, 4, 255}, {28, 15, 6, 4, 255},                       // left and right edges: row 4
                  {20, 16, 2, 6, 128}},                                           // the background inside
                 0);
    tile_->SetMode(1);
    tile_->SetPos(20, 16);
    EXPECT_EQ(tile_->edge->vertexCount, 0u) << "the edge frame belongs to tiled boxes only";
    tile_->SetMode(0);
    for (auto [w, h] : {std::pair<int, int>{-20, 12}, {20, 0}}) {
        tile_->SetSize(w, h);
        EXPECT_EQ(tile_->edge->vertexCount, 0u) << "nor to empty ones: " << w << " x " << h;
    }
}

TEST_F(TileTest, WithoutAnImageItIsAPlainRectangle) {
    tile_->SetBackColor(ColorWord(0, 0, 255));
    tile_->SetColor(ColorWord(255, 255, 255, 128));
    tile_->SetScale(2.0f);  // not applied to the plain rectangle
    Draw();
    EXPECT_TRUE(RectIs(10, 10, 20, 12, Rgba{0, 0, 128, 255}, 1));
    EXPECT_TRUE(RectIs(9, 9, 22, 1, kBlack));
}

// Mode 0 needs (W / aw + 1) x (H / ah + 1) pieces: the batch grows to the
// count, up to the 16-bit index limit, and never writes past its end.
TEST_F(TileTest, TiledPieceCounts) {
    struct Case {
        int imageSide;
        int32_t width, height;
        float scale;
        uint32_t pieces;
        int lastWidth, lastHeight;  // of the last piece of the first row, of the last row
    } cases[] = {
        {32, 100, 70, 1.0f, 12, 4, 6},
        {32, 96, 64, 1.0f, 12, 0, 0},    // the remainders are empty pieces
        {32, 100, 100, 2.0f, 49, 8, 8},  // built at 200 x 200
        {32, 1280, 720, 1.0f, 943, 0, 16},
        {8, 1280, 720, 1.0f, 14651, 0, 0},
        {8, 4000, 4000, 1.0f, 32 * 501, 0, 8},  // cut to whole rows within 16,384 pieces
        {1, INT32_MAX, 4, 1.0f, 0, 0, 0},       // not a single row fits
        {32, -50, 70, 1.0f, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " of " << c.imageSide);
        tile_->SetImage(TexelImage(c.imageSide, c.imageSide, 1), nullptr);
        tile_->SetScale(c.scale);
        tile_->SetSize(c.width, c.height);
        ASSERT_EQ(Pieces(), c.pieces);
        if (c.pieces == 0) continue;
        const uint32_t perRow = static_cast<uint32_t>(static_cast<int64_t>(c.width * c.scale) / c.imageSide + 1);
        EXPECT_EQ(PieceWidth(perRow - 1), c.lastWidth);
        EXPECT_EQ(PieceHeight(c.pieces - 1), c.lastHeight);
        if (c.scale != 1.0f) {
            tile_->SetPos(128, 128);
            EXPECT_EQ(Corner(0, kQuadTopLeft).x, 28) << "left of a 200-pixel box at 128";
        }
        tile_->SetScale(1.0f);
    }
}

class BatchingTest : public Sprites2dTest {
protected:
    void TearDown() override {
        SetStd2dBatchingEnabled(true);
        TextSprite::Destroy(text_);
        Sprites2dTest::TearDown();
    }
    std::vector<uint8_t> DrawFrame(bool batched) {
        SetStd2dBatchingEnabled(batched);
        return Sprites2dTest::DrawFrame(20);
    }
    TextSprite* text_ = nullptr;
};

TEST_F(BatchingTest, SameSceneSamePixelsFewerDraws) {
    AsyncTexture* a = TexelImage(16, 16, 8);
    AsyncTexture* b = TexelImage(16, 16, 8, 40);
    Tile* tile = Tile::Create(nullptr);
    tile->SetImage(a, nullptr);
    tile->SetSize(200, 60);
    tile->SetPos(110, 50);
    Add(tile, Tile::Draw);  // a's texture, nearest filtering: joins the sprites below
    const uint32_t half = ColorWord(255, 255, 255, 128);
    for (int i = 0; i < 6; ++i) AddSprite(a, 20 + i * 9, 40 + i * 5, i % 2 ? half : 0xFFFFFFFFu);  // overlapping
    AddSprite(b, 60, 60, half);
    AddSprite(b, 64, 66);
    AddSprite(nullptr, 70, 70, ColorWord(255, 0, 0, 100));
    AddSprite(nullptr, 80, 75, ColorWord(0, 255, 0, 100), 2);  // another blend mode
    AddSprite(a, 90, 80, half)->SetAngle(30.0f);               // rotated, filtered
    AddSprite(a, 100, 90, half)->SetAngle(60.0f);
    text_ = TextSprite::Create(16, nullptr);
    text_->SetSheet(a, 0, 0, 4, 4);
    text_->SetText("!\"#$%&'()*+,-./0");
    text_->SetPos(100, 150);
    Add(text_, TextSprite::Draw);
    AddSprite(a, 150, 150)->SetScale(3.0f);  // linear filtering like the text

    const std::vector<uint8_t> unbatched = DrawFrame(false);
    EXPECT_EQ(GetRenderStats().drawCalls, 15u);
    EXPECT_TRUE(DrawFrame(true) == unbatched) << "the batched frame differs";
    // Runs: the tile and six a-sprites; two b-sprites; red; green; the rotated
    // sprites, the text and the scaled sprite (all a, filtered).
    EXPECT_EQ(GetRenderStats().drawCalls, 5u);
    EXPECT_TRUE(NoGlError());
    Tile::Destroy(tile);
}

TEST_F(BatchingTest, OtherLayersSeeEverythingBelowDrawn) {
    static uint32_t drawsBefore;
    for (int i = 0; i < 3; ++i) AddSprite(nullptr, 20 + i * 10, 20, ColorWord(0, 0, 255));
    Add(nullptr, [](void*) { drawsBefore = GetRenderStats().drawCalls; });
    AddSprite(nullptr, 100, 100, ColorWord(0, 0, 255));
    DrawFrame(true);
    EXPECT_EQ(drawsBefore, 1u);
    EXPECT_EQ(GetRenderStats().drawCalls, 2u);
}

TEST_F(BatchingTest, MoreQuadsThanOneDrawHolds) {
    text_ = TextSprite::Create(kMaxBatchQuads, nullptr);
    text_->SetSheet(TexelImage(64, 8, 2), 0, 0, 4, 4);
    text_->SetText(std::string(kMaxBatchQuads, '!').c_str());
    text_->SetSize(4 * 128, 4 * 128);
    Add(text_, TextSprite::Draw);
    Add(text_, TextSprite::Draw);  // the same quads again: more than one draw holds with the first
    AddSprite(nullptr, 100, 100, ColorWord(0, 0, 255));
    AddSprite(nullptr, 100, 130, ColorWord(0, 0, 255));
    const std::vector<uint8_t> unbatched = DrawFrame(false);
    EXPECT_EQ(GetRenderStats().drawCalls, 4u);
    EXPECT_TRUE(DrawFrame(true) == unbatched);
    EXPECT_EQ(GetRenderStats().drawCalls, 3u);
}

}  // namespace
