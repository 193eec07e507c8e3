// Quad arithmetic, the quad batch, the layer list's order, and sprites, text sprites, tiles and batched
// drawing on Mesa from images whose every texel has its own colour.
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/async_texture.h"
#include "gfx/gl_state.h"
#include "gfx/layer_list.h"
#include "gfx/quad.h"
#include "gfx/sprite.h"
#include "gfx/std2d_batch.h"
#include "gfx/text_sprite.h"
#include "gfx/tile.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"

namespace {

const Rgba kBlack{0, 0, 0, 255};

class Sprites2dTest : public GfxTest {
protected:
    Sprites2dTest() { nodes_.reserve(64); }  // nodes stay put while linked
    void TearDown() override {
        for (Sprite* sprite : sprites_) Sprite::Destroy(sprite);
        LayerList::Destroy(list_);  // the nodes go with the fixture
        for (AsyncTexture* image : images_) ReleaseTexture(image);
        EXPECT_EQ(GetAsyncTextureList().count, 0u);
        GfxTest::TearDown();
    }

    // A ready w x h image whose texel (x, y) is Texel(x, y, step, blue).
    AsyncTexture* TexelImage(int w, int h, int step, uint8_t blue = 128) {
        std::vector<uint8_t> texels;
        for (int i = 0; i < w * h; ++i) {
            const Rgba c = Texel(i % w, i / w, step, blue);
            texels.insert(texels.end(), {c.r, c.g, c.b, c.a});
        }
        images_.push_back(AsyncTexture::Create(nullptr));
        AsyncTexture::SetDecoded(images_.back(), MakeImage(kPixelRgba8888, w, h, 32, texels));
        EXPECT_EQ(AsyncTexture::CompleteUpload(images_.back()), 1);
        return images_.back();
    }
    static Rgba Texel(int x, int y, int step, uint8_t blue = 128) {
        return {static_cast<uint8_t>(16 + x * step), static_cast<uint8_t>(16 + y * step), blue, 255};
    }

    void Add(void* object, LayerDrawCallback draw, int z = 0) {
        nodes_.push_back(LayerNode{{}, object, draw, z});
        LayerList::Insert(list_, &nodes_.back());
    }
    // A sprite centred at (x, y) showing `image`, 30 x 30 without one.
    Sprite* AddSprite(AsyncTexture* image, int x, int y, uint32_t colour = 0xFFFFFFFFu, int32_t blend = 1, int z = 0) {
        sprites_.push_back(Sprite::Create(nullptr));
        Sprite* sprite = sprites_.back();
        sprite->SetImage(image);
        if (image == nullptr) sprite->SetSize(30, 30);
        sprite->SetPos(x, y);
        sprite->SetColor(colour);
        sprite->SetBlend(blend);
        Add(sprite, Sprite::Draw, z);
        return sprite;
    }
    std::vector<uint8_t> DrawFrame(uint8_t grey = 0) {
        ClearScreen(grey, grey, grey);
        ResetRenderStats();
        LayerList::Draw(list_);
        return ReadRect(0, 0, kWidth, kHeight);
    }

    LayerList* list_ = LayerList::Create(nullptr);
    std::vector<LayerNode> nodes_;
    std::vector<Sprite*> sprites_;
    std::vector<AsyncTexture*> images_;
};

constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;

using Corners = std::array<int, 8>;  // top-left, bottom-left, top-right, bottom-right

Corners CornersOf(const QuadVertex* q) { return {q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y}; }

// Corners beyond the 16-bit range stop at its edge; the odd pixel goes right and down.
TEST(QuadMath, CenteredRectsAndExtremeValues) {
    struct Case { int x, y, w, h; Corners want; } cases[] = {
        {100, 100, 5, 3, {98, 99, 98, 102, 103, 99, 103, 102}},
        {100, 100, 4, 2, {98, 99, 98, 101, 102, 99, 102, 101}},
        {0, 0, 1, 1, {0, 0, 0, 1, 1, 0, 1, 1}},
        {10, 10, -3, -3, {11, 11, 11, 8, 8, 11, 8, 8}},
        {32760, 0, 100, 10, {32710, -5, 32710, 5, 32767, -5, 32767, 5}},
        {kMax, kMax, kMax, kMax, {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767}},
        {kMin, kMin, 10, 10, {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768}},
        {0, 0, kMax, kMax, {-32768, -32768, -32768, 32767, 32767, -32768, 32767, 32767}},
    };
    QuadVertex q[4];
    for (const Case& c : cases) {
        Quad::SetCenteredRect(q, c.x, c.y, c.w, c.h);
        EXPECT_EQ(CornersOf(q), c.want) << c.x << " " << c.w;
    }
    Quad::SetRect(q, kMax, kMin, kMax, kMax);
    EXPECT_TRUE(q[kQuadTopLeft].x == 32767 && q[kQuadTopLeft].y == -32768 && q[kQuadBottomRight].y == -1);
    Quad::SetTexRect(q, kMax - 1, 0, kMax, 5);
    EXPECT_EQ(q[kQuadTopRight].u, 32767);
    for (float angle : {1e30f, -1e30f, std::nanf(""), INFINITY}) {
        Quad::SetRotatedRect(q, 10, 10, kMax, kMax, angle);
        Quad::SetRotatedRect(q, kMax, kMin, 4, 2, angle);
    }
    Quad::SetRotatedRect(q, 0, 0, kMax, kMax, 45.0f);
    for (const QuadVertex& v : q) EXPECT_TRUE(v.x == 32767 || v.x == -32768 || v.y == 32767 || v.y == -32768);

    const struct { double value; int32_t want; } truncations[] = {
        {2.9, 2}, {-2.9, -2}, {3e9, kMax}, {-3e9, kMin}, {std::nan(""), 0}, {INFINITY, kMax},
        {-INFINITY, kMin}, {2147483647.0, kMax}, {-2147483648.0, kMin}};
    for (const auto& c : truncations) EXPECT_EQ(TruncateToInt32(c.value), c.want) << c.value;
}

TEST(QuadMath, ClipMovesTexelsWithTheCutEdge) {
    const Corners none{};
    struct Case { const char* what; int32_t clip[4]; bool transposed; Corners positions; int u[4], v[4]; } cases[] = {
        {"left", {10, -99, 999, 999}, false, {10, 0, 10, 50, 100, 0, 100, 50}, {20, 20, 200, 200}, {0, 100, 0, 100}},
        {"top", {-99, 5, 999, 999}, false, {0, 5, 0, 50, 100, 5, 100, 50}, {0, 0, 200, 200}, {10, 100, 10, 100}},
        {"right", {-99, -99, 90, 999}, false, {0, 0, 0, 50, 90, 0, 90, 50}, {0, 0, 180, 180}, {0, 100, 0, 100}},
        {"bottom", {-99, -99, 999, 40}, false, {0, 0, 0, 40, 100, 0, 100, 40}, {0, 0, 200, 200}, {0, 80, 0, 80}},
        {"outside", {200, 0, 300, 100}, false, none, {400, 400, 200, 200}, {0, 100, 0, 100}},
        {"left turned", {10, -99, 999, 999}, true, {10, 0, 10, 50, 100, 0, 100, 50}, {0, 0, 200, 200},
         {120, 120, 0, 100}},
        {"bottom turned", {-99, -99, 999, 40}, true, {0, 0, 0, 40, 100, 0, 100, 40}, {0, 180, 200, 180},
         {0, 100, 0, 100}},
        {"everything", {kMin, kMin, kMax, kMax}, false, {0, 0, 0, 50, 100, 0, 100, 50}, {0, 0, 200, 200},
         {0, 100, 0, 100}},
    };
    for (const Case& c : cases) {
        QuadVertex q[4];
        Quad::SetRect(q, 0, 0, 100, 50);
        Quad::SetTexRect(q, 0, 0, 200, 100);
        if (c.transposed) Quad::ClipTransposed(q, 2.0f, 2.0f, c.clip);
        else Quad::Clip(q, 2.0f, 2.0f, c.clip);
        EXPECT_EQ(CornersOf(q), c.positions) << c.what;
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(q[i].u == c.u[i] && q[i].v == c.v[i]) << c.what << " corner " << i;
    }
    const int32_t clips[][4] = {{kMax, kMin, kMax, kMax}, {kMin, kMin, kMin, kMax}, {kMin, kMax, kMax, kMax},
                                {kMin, kMin, kMax, kMin}};
    for (const auto& clip : clips) {
        for (bool transposed : {false, true}) {
            QuadVertex q[4];
            Quad::SetRect(q, 0, 0, 100, 50);
            if (transposed) Quad::ClipTransposed(q, 2.0f, 2.0f, clip);
            else Quad::Clip(q, 2.0f, 2.0f, clip);
            EXPECT_EQ(CornersOf(q), none) << clip[0] << " " << clip[1] << " " << clip[2] << " " << clip[3];
        }
    }
}

TEST(QuadBatchTest, IndicesAndCapacity) {
    QuadBatch* batch = QuadBatch::Create(3, nullptr);
    ASSERT_NE(batch, nullptr);
    QuadVertex q[4] = {};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(QuadBatch::Add(batch, q), 1);
    LogCapture log;
    EXPECT_EQ(QuadBatch::Add(batch, q), 0);
    EXPECT_EQ(log.Count(), 1u);
    EXPECT_EQ(batch->vertexCount, 12u);
    QuadBatch::Destroy(batch);
    batch = QuadBatch::Create(20000, nullptr);
    ASSERT_NE(batch, nullptr);
    EXPECT_EQ(batch->capacity, kMaxBatchQuads);
    EXPECT_EQ(batch->indices[kMaxBatchQuads * 6 - 1], 65535);
    QuadBatch::Destroy(batch);
    EXPECT_EQ(QuadBatch::Create(0, nullptr), nullptr);
}

TEST(LayerListOrder, EqualZKeepsInsertionOrderAndSetZMovesOnTop) {
    static std::string drawn;
    LayerNode nodes[4];
    const char names[] = "abcd";
    const int z[] = {5, 1, 5, -3};
    LayerList* list = LayerList::Create(nullptr);
    for (int i = 0; i < 4; ++i) {
        nodes[i] = LayerNode{{}, const_cast<char*>(&names[i]), [](void* name) { drawn += *static_cast<char*>(name); }, z[i]};
        LayerList::Insert(list, &nodes[i]);
    }
    const struct { const char* what; void (*apply)(LayerList*, LayerNode*); const char* order; } steps[] = {
        {"inserted", [](LayerList*, LayerNode*) {}, "dbac"},
        {"same z again goes on top", [](LayerList* l, LayerNode* n) { LayerList::SetZ(l, &n[0], 5); }, "dbca"},
        {"lowest", [](LayerList* l, LayerNode* n) { LayerList::SetZ(l, &n[2], -10); }, "cdba"},
        {"removed", [](LayerList* l, LayerNode* n) { LayerList::Remove(l, &n[1]); }, "cda"},
        {"removed twice", [](LayerList* l, LayerNode* n) { LayerList::Remove(l, &n[1]); }, "cda"},
        {"inserted twice", [](LayerList* l, LayerNode* n) { LayerList::Insert(l, &n[3]); }, "cda"},
        {"back between", [](LayerList* l, LayerNode* n) { LayerList::Insert(l, &n[1]); }, "cdba"},
    };
    for (const auto& step : steps) {
        step.apply(list, nodes);
        drawn.clear();
        LayerList::Draw(list);
        EXPECT_EQ(drawn, step.order) << step.what;
        EXPECT_EQ(list->nodes.count, strlen(step.order)) << step.what;
    }
    LayerList::Destroy(list);
}

using SpriteTest = Sprites2dTest;

void Clip(Sprite* sprite, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t rect[4] = {left, top, right, bottom};
    sprite->SetClipRect(rect);
}

TEST_F(SpriteTest, ClippingKeepsTexelsInPlace) {
    Sprite* sprite = AddSprite(TexelImage(100, 100, 2), 128, 128);  // covers 78..177
    const std::vector<uint8_t> whole = DrawFrame();
    const int32_t clip[4] = {100, 90, 150, 170};
    sprite->SetClipRect(clip);
    ASSERT_NE(sprite->GetClipRect(), nullptr);
    const std::vector<uint8_t> clipped = DrawFrame();
    static const uint8_t kNothing[3] = {};
    int inside = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const int x = i % kWidth, y = i / kWidth;
        const bool in = x >= clip[0] && x < clip[2] && y >= clip[1] && y < clip[3];
        inside += in;
        ASSERT_EQ(0, memcmp(&clipped[i * 4], in ? &whole[i * 4] : kNothing, 3)) << x << "," << y;
    }
    EXPECT_EQ(inside, 50 * 80);
    sprite->SetAngle(90.0f);
    DrawFrame();
    EXPECT_FALSE(ReadPixel(85, 85) == kBlack);
    sprite->SetAngle(0.0f);
    Clip(sprite, 0, 0, 0, 0);
    EXPECT_EQ(sprite->GetClipRect(), nullptr);
    DrawFrame();
    EXPECT_FALSE(ReadPixel(80, 80) == kBlack);
}

// Sprites beyond the 16-bit range stay off the screen; hidden or empty ones draw nothing.
TEST_F(SpriteTest, ExtremeOrEmptySpritesNeverReachTheScreen) {
    struct Case { const char* what; void (*change)(Sprite*, AsyncTexture*); bool noDraw; } cases[] = {
        {"across the 16-bit edge", [](Sprite* s, AsyncTexture*) { s->SetPos(32757, 40); }, false},
        {"at the int32 maximum", [](Sprite* s, AsyncTexture*) { s->SetPos(kMax, kMax); }, false},
        {"at the int32 minimum", [](Sprite* s, AsyncTexture*) { s->SetPos(kMin, kMin); }, false},
        {"huge size far right", [](Sprite* s, AsyncTexture*) { s->SetPos(kMax, 40), s->SetSize(kMax, kMax); }, false},
        {"huge scale far left", [](Sprite* s, AsyncTexture*) { s->SetPos(kMin, 40), s->SetScale(3e9f); }, false},
        {"scale not a number", [](Sprite* s, AsyncTexture*) { s->SetScale(std::nanf("")); }, false},
        {"huge angle far away", [](Sprite* s, AsyncTexture*) { s->SetPos(kMax, kMin), s->SetAngle(1e30f); }, false},
        {"source at the int32 end far right",
         [](Sprite* s, AsyncTexture* image) { s->SetImageRect(image, kMax, kMax, 8, 8), s->SetPos(40000, 40); }, false},
        {"clip beyond the int32 range", [](Sprite* s, AsyncTexture*) { Clip(s, kMax, kMin, kMax, kMax); }, false},
        {"hidden", [](Sprite* s, AsyncTexture*) { s->SetVisible(false); }, true},
        {"width 0", [](Sprite* s, AsyncTexture*) { s->SetSize(0, 20); }, true},
        {"scaled to nothing and clipped", [](Sprite* s, AsyncTexture*) { Clip(s, 0, 0, 100, 100), s->SetScale(0.01f); }, true},
        {"clipped away", [](Sprite* s, AsyncTexture*) { Clip(s, 200, 200, 210, 210); }, true},
    };
    AsyncTexture* image = TexelImage(8, 8, 16);
    for (const Case& c : cases) {
        c.change(AddSprite(image, 40, 40), image);
        DrawFrame();
        EXPECT_TRUE(RectIs(0, 0, kWidth, kHeight, kBlack)) << c.what;
        if (c.noDraw) { EXPECT_EQ(GetRenderStats().drawCalls, 0u) << c.what; }
        LayerList::Remove(list_, &nodes_.back());
    }
}

TEST_F(SpriteTest, LoadingImagesDrawNothingAndTheFirstReadyFrameIsRight) {
    AddSprite(nullptr, 4, 4, ColorWord(0, 255, 0));  // leaves blend 1 and no texture behind
    images_.push_back(AsyncTexture::Create(nullptr));
    Sprite* sprite = AddSprite(images_.back(), 100, 100, 0xFFFFFFFFu, 2, 1);
    DrawFrame();
    EXPECT_EQ(GetRenderStats().drawCalls, 1u);
    EXPECT_EQ(GetRenderStats().textureBinds, 0u);
    GLint blendDst = 0;
    glGetIntegerv(GL_BLEND_DST_RGB, &blendDst);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && blendDst == GL_ONE_MINUS_SRC_ALPHA) << "the loading sprite left the blend mode alone";
    EXPECT_TRUE(RectIs(50, 50, 100, 100, kBlack));

    std::vector<uint8_t> red(6 * 4 * 4);
    for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    AsyncTexture::SetDecoded(images_.back(), MakeImage(kPixelRgba8888, 6, 4, 32, red));
    ASSERT_EQ(AsyncTexture::CompleteUpload(images_.back()), 1);
    DrawFrame();
    EXPECT_TRUE(sprite->GetWidth() == 6 && sprite->GetHeight() == 4);
    EXPECT_TRUE(RectIs(97, 98, 6, 4, Rgba{255, 0, 0, 255}));
    EXPECT_TRUE(RectIs(96, 97, 8, 1, kBlack) && RectIs(96, 102, 8, 1, kBlack));
    EXPECT_TRUE(RectIs(96, 98, 1, 4, kBlack) && RectIs(103, 98, 1, 4, kBlack));
}

constexpr int kCell = 10;

class TextSpriteTest : public Sprites2dTest {
protected:
    void SetUp() override {
        Sprites2dTest::SetUp();
        sprite_->SetSheet(TexelImage(16 * kCell, 4 * kCell, 1), 0, 0, kCell, kCell);
        sprite_->SetPos(60, 60);  // box 100 x 100: left 10, top 10
        Add(sprite_, TextSprite::Draw);
    }
    void TearDown() override {
        TextSprite::Destroy(sprite_);
        Sprites2dTest::TearDown();
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
        DrawFrame();
        for (int i = 0; i < 4; ++i) {  // the cell's texel at the same offset as the pixel read
            const int cell = c.cells[i];
            const Rgba want = cell < 0 ? kBlack : Texel((cell % 16) * kCell + 3, (cell / 16) * kCell + 6, 1);
            EXPECT_EQ(ReadPixel(13 + i * kCell, 16), want) << c.text << " character " << i;
        }
    }
}

TEST_F(TextSpriteTest, AlignmentAndWrapping) {
    struct Case { const char* text; int32_t align, width, charSpace; float scale; std::vector<std::pair<int, int>> corners; } cases[] = {
        {"12\n345", 1, 100, 0, 1.0f, {{50, 10}, {60, 10}, {45, 20}, {55, 20}, {65, 20}}},
        {"12\n345", 2, 100, 0, 1.0f, {{90, 10}, {100, 10}, {80, 20}, {90, 20}, {100, 20}}},
        {"12345", 0, 30, 0, 1.0f, {{45, 10}, {55, 10}, {65, 10}, {75, 10}, {45, 20}}},
        {"1 2", 0, 100, 2, 1.0f, {{11, 10}, {35, 10}}},  // centred in a 12-pixel advance
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
    DrawFrame();
    EXPECT_EQ(GetRenderStats().drawCalls, 0u) << "alpha 0 hides";
    sprite_->SetColor(ColorWord(0, 255, 0));
    sprite_->SetClipRect(0, 0, 15, 200);  // cuts the first quad at x 15
    DrawFrame();
    EXPECT_EQ(ReadPixel(12, 15), (Rgba{0, 31, 0, 255})) << "texel (2, 15) through a green vertex";
    EXPECT_EQ(ReadPixel(16, 15), kBlack);
}

constexpr int kStep = 16;  // colour step between texels of the 8 x 8 images

struct Point { int x, y, u, v; uint8_t blue = 128; };

class TileTest : public Sprites2dTest {
protected:
    void SetUp() override {
        Sprites2dTest::SetUp();
        tile_->SetSize(20, 12);
        tile_->SetPos(20, 16);  // left 10, top 10
        Add(tile_, Tile::Draw);
    }
    void TearDown() override {
        Tile::Destroy(tile_);
        Sprites2dTest::TearDown();
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
    DrawFrame();
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
        {{10, 10, 0, 0}, {11, 11, 1, 1}, {10, 20, 0, 6}, {11, 21, 1, 7}, {28, 10, 6, 0}, {29, 21, 7, 7}, {15, 10, 6, 0},
         {20, 11, 6, 1}, {15, 21, 6, 7}, {10, 15, 0, 2}, {11, 18, 1, 2}, {29, 15, 7, 6}, {12, 12, 2, 2}, {20, 16, 4, 4},
         {27, 19, 5, 5}},
        {{10, 10, 0, 0}, {13, 21, 3, 7}, {10, 15, 0, 3}, {14, 10, 4, 0}, {25, 21, 4, 7}, {29, 10, 7, 0}, {29, 21, 7, 7}},
        {{10, 10, 0, 0}, {29, 13, 7, 3}, {10, 15, 0, 4}, {29, 17, 7, 4}, {10, 18, 0, 4}, {29, 21, 7, 7}},
    };
    tile_->SetImage(TexelImage(8, 8, kStep), nullptr);
    for (int32_t mode = 1; mode <= 3; ++mode) {
        tile_->SetMode(mode);
        tile_->SetPos(20, 16);  // builds again
        DrawFrame();
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

    tile_->SetMode(2);
    tile_->SetSize(20, 12);
    tile_->SetClipRect(12, 0, 27, 256);
    DrawFrame();
    ExpectPoints({{12, 10, 2, 0}, {26, 10, 4, 0}}, 2);
    EXPECT_TRUE(ReadPixel(11, 12) == kBlack && ReadPixel(27, 10) == kBlack);
}

TEST_F(TileTest, EdgeFrameLiesOverATiledBackground) {
    tile_->SetImage(TexelImage(8, 8, kStep), TexelImage(8, 8, kStep, 255));
    DrawFrame();
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
    DrawFrame();
    EXPECT_TRUE(RectIs(10, 10, 20, 12, Rgba{0, 0, 128, 255}, 1));
    EXPECT_TRUE(RectIs(9, 9, 22, 1, kBlack));
}

// Mode 0 needs (W / aw + 1) x (H / ah + 1) pieces, up to the 16-bit index limit.
TEST_F(TileTest, TiledPieceCounts) {
    struct Case { int imageSide; int32_t width, height; float scale; uint32_t pieces; int lastWidth, lastHeight; } cases[] = {
        {32, 100, 70, 1.0f, 12, 4, 6},
        {32, 96, 64, 1.0f, 12, 0, 0},    // the remainders are empty pieces
        {32, 100, 100, 2.0f, 49, 8, 8},  // built at 200 x 200
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
    text_ = TextSprite::Create(16, nullptr);
    text_->SetSheet(a, 0, 0, 4, 4);
    text_->SetText("!\"#$%&'()*+,-./0");
    text_->SetPos(100, 150);
    Add(text_, TextSprite::Draw);
    AddSprite(a, 150, 150)->SetScale(3.0f);  // linear filtering like the text

    const std::vector<uint8_t> unbatched = DrawFrame(false);
    EXPECT_EQ(GetRenderStats().drawCalls, 14u);
    EXPECT_TRUE(DrawFrame(true) == unbatched) << "the batched frame differs";
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
