// Tiles drawn on Mesa from images whose every texel has its own colour:
// each mode read back at its corners, edges, centre and seams, the edge
// frame, the plain rectangle, and the piece counts of large tiled boxes.
#include "gfx/tile.h"

#include <climits>

#include "gfx/gl_state.h"
#include "gfx/quad.h"
#include "tests/gfx/sprites2d_fixture.h"

namespace {

constexpr int kStep = 16;  // colour step between texels of the 8 x 8 images

// A screen pixel and the texel it must show.
struct Point {
    int x, y, u, v;
    uint8_t blue = 128;
};

class TileTest : public Sprites2dTest {
protected:
    void SetUp() override {
        Sprites2dTest::SetUp();
        tile_ = Tile::Create(nullptr);
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
    uint32_t Pieces() const { return tile_->background->vertexCount / 4; }
    // Width and height of background piece i.
    int PieceWidth(uint32_t i) const { return Corner(i, kQuadTopRight).x - Corner(i, kQuadTopLeft).x; }
    int PieceHeight(uint32_t i) const { return Corner(i, kQuadBottomLeft).y - Corner(i, kQuadTopLeft).y; }
    const QuadVertex& Corner(uint32_t i, int corner) const { return tile_->background->vertices[i * 4 + corner]; }

    Tile* tile_ = nullptr;
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
    EXPECT_TRUE(RectIs(30, 9, 1, 14, Rgba{0, 0, 0, 255}) && RectIs(10, 22, 20, 1, Rgba{0, 0, 0, 255}));
}

TEST_F(TileTest, FramesAndBarsSampleTheirParts) {
    struct Case {
        int32_t mode;
        std::vector<Point> points;
    } cases[] = {
        // Corners 2 x 2; edges stretched from one column or row; the centre from the middle half.
        {1, {{10, 10, 0, 0}, {11, 11, 1, 1}, {10, 20, 0, 6}, {11, 21, 1, 7}, {28, 10, 6, 0}, {29, 21, 7, 7},
             {15, 10, 6, 0}, {20, 11, 6, 1}, {15, 21, 6, 7}, {10, 15, 0, 2}, {11, 18, 1, 2}, {29, 15, 7, 6},
             {12, 12, 2, 2}, {20, 16, 4, 4}, {27, 19, 5, 5}}},
        // Caps 4 wide from the halves, the middle stretched from column 4, full height.
        {2, {{10, 10, 0, 0}, {13, 21, 3, 7}, {10, 15, 0, 3}, {14, 10, 4, 0}, {25, 21, 4, 7}, {29, 10, 7, 0},
             {29, 21, 7, 7}}},
        // Caps 4 high, the middle stretched from row 4, full width.
        {3, {{10, 10, 0, 0}, {29, 13, 7, 3}, {10, 15, 0, 4}, {29, 17, 7, 4}, {10, 18, 0, 4}, {29, 21, 7, 7}}},
    };
    tile_->SetImage(TexelImage(8, 8, kStep), nullptr);
    for (const Case& c : cases) {
        tile_->SetMode(c.mode);
        tile_->SetPos(20, 16);  // builds again
        Draw();
        for (const Point& p : c.points) {
            EXPECT_EQ(ReadPixel(p.x, p.y), Texel(p.u, p.v, kStep)) << "mode " << c.mode << " at " << p.x << "," << p.y;
        }
        EXPECT_EQ(ReadPixel(30, 16), (Rgba{0, 0, 0, 255})) << "mode " << c.mode;
    }
    for (int32_t mode : {1, 2, 3}) {  // a box smaller than the caps: empty middles, not mirrored ones
        tile_->SetMode(mode);
        tile_->SetSize(4, 2);
        for (uint32_t i = 0; i < Pieces(); ++i) EXPECT_TRUE(PieceWidth(i) >= 0 && PieceHeight(i) >= 0) << mode;
    }
    tile_->SetMode(7);
    tile_->SetPos(20, 16);
    EXPECT_EQ(Pieces(), 0u) << "no background for other modes";
}

TEST_F(TileTest, EdgeFrameLiesOverATiledBackground) {
    tile_->SetImage(TexelImage(8, 8, kStep), TexelImage(8, 8, kStep, 255));
    Draw();
    const Point points[] = {
        {10, 10, 0, 0, 255}, {29, 21, 7, 7, 255}, {13, 20, 3, 6, 255},  // corners are the quadrants
        {20, 10, 4, 0, 255}, {20, 21, 4, 7, 255},                       // top and bottom edges: column 4
        {11, 15, 1, 4, 255}, {28, 15, 6, 4, 255},                       // left and right edges: row 4
        {20, 16, 2, 6, 128},                                            // the background inside
    };
    for (const Point& p : points) {
        EXPECT_EQ(ReadPixel(p.x, p.y), Texel(p.u, p.v, kStep, p.blue)) << p.x << "," << p.y;
    }
    tile_->SetMode(1);
    tile_->SetPos(20, 16);
    EXPECT_EQ(tile_->edge->vertexCount, 0u) << "the edge frame belongs to tiled boxes only";
    tile_->SetMode(0);
    tile_->SetSize(-20, 12);
    EXPECT_EQ(tile_->edge->vertexCount, 0u) << "nor to empty ones";
}

TEST_F(TileTest, WithoutAnImageItIsAPlainRectangle) {
    tile_->SetBackColor(ColorWord(0, 0, 255));
    tile_->SetColor(ColorWord(255, 255, 255, 128));
    tile_->SetScale(2.0f);  // not applied to the plain rectangle
    Draw();
    EXPECT_TRUE(RectIs(10, 10, 20, 12, Rgba{0, 0, 128, 255}, 1));
    EXPECT_TRUE(RectIs(9, 9, 22, 1, Rgba{0, 0, 0, 255}));
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
        {32, 96, 64, 1.0f, 12, 0, 0},        // the remainders are empty pieces
        {32, 100, 100, 2.0f, 49, 8, 8},      // built at 200 x 200
        {32, 1280, 720, 1.0f, 943, 0, 16},
        {8, 1280, 720, 1.0f, 14651, 0, 0},
        {8, 4000, 4000, 1.0f, 32 * 501, 0, 8},  // cut to whole rows within 16,384 pieces
        {1, INT32_MAX, 4, 1.0f, 0, 0, 0},      // not a single row fits
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
        tile_->SetScale(1.0f);
    }
    tile_->SetImage(TexelImage(32, 32, 1), nullptr);
    tile_->SetScale(2.0f);
    tile_->SetSize(100, 100);
    tile_->SetPos(128, 128);
    EXPECT_EQ(Corner(0, kQuadTopLeft).x, 28) << "left of a 200-pixel box at 128";
}

TEST_F(TileTest, ClippedBarsKeepTheirTexelsInPlace) {
    tile_->SetImage(TexelImage(8, 8, kStep), nullptr);
    tile_->SetMode(2);
    tile_->SetClipRect(12, 0, 27, 256);
    Draw();
    EXPECT_EQ(ReadPixel(11, 12), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(ReadPixel(12, 10), Texel(2, 0, kStep));
    EXPECT_EQ(ReadPixel(26, 10), Texel(4, 0, kStep));
    EXPECT_EQ(ReadPixel(27, 10), (Rgba{0, 0, 0, 255}));
}

}  // namespace
