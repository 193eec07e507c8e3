// Quad arithmetic (centring, clipping, saturation at the 16-bit edge), the
// quad batch, the layer list's order, and sprites drawn through it, read
// back from Mesa.
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "gfx/quad.h"
#include "tests/gfx/sprites2d_fixture.h"
#include "tests/support/log_capture.h"

namespace {

constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;

struct Corners { int tlx, tly, blx, bly, trx, try_, brx, bry; };

::testing::AssertionResult CornersAre(const QuadVertex* q, const Corners& want) {
    const Corners got{q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y};
    if (memcmp(&got, &want, sizeof got) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "top-left " << got.tlx << "," << got.tly << " bottom-right " << got.brx
                                         << "," << got.bry;
}

// Script values reach the builders unchecked. Sums must not overflow, and
// corners beyond the 16-bit range stop at its edge rather than wrapping
// round onto the screen. Centred rectangles give the odd pixel to the right and bottom.
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
        EXPECT_TRUE(CornersAre(q, c.want)) << c.x << " " << c.w;
    }
    Quad::SetRect(q, kMax, kMin, kMax, kMax);
    EXPECT_TRUE(q[kQuadTopLeft].x == 32767 && q[kQuadTopLeft].y == -32768 && q[kQuadBottomRight].y == -1);
    Quad::SetTexRect(q, kMax - 1, 0, kMax, 5);
    EXPECT_EQ(q[kQuadTopRight].u, 32767);
    // Angles and sizes no float can turn into an integer.
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
    // A 100 x 50 quad showing 200 x 100 texels: two texels per pixel.
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
        EXPECT_TRUE(CornersAre(q, c.positions)) << c.what;
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(q[i].u == c.u[i] && q[i].v == c.v[i]) << c.what << " corner " << i;
    }
    // Clip rectangles at the ends of the int32 range leave nothing.
    const int32_t clips[][4] = {{kMax, kMin, kMax, kMax}, {kMin, kMin, kMin, kMax}, {kMin, kMax, kMax, kMax},
                                {kMin, kMin, kMax, kMin}};
    for (const auto& clip : clips) {
        for (bool transposed : {false, true}) {
            QuadVertex q[4];
            Quad::SetRect(q, 0, 0, 100, 50);
            if (transposed) Quad::ClipTransposed(q, 2.0f, 2.0f, clip);
            else Quad::Clip(q, 2.0f, 2.0f, clip);
            EXPECT_TRUE(CornersAre(q, none)) << clip[0] << " " << clip[1] << " " << clip[2] << " " << clip[3];
        }
    }
}

TEST(QuadBatchTest, IndicesAndCapacity) {
    QuadBatch* batch = QuadBatch::Create(3, nullptr);
    ASSERT_NE(batch, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(batch) % 16, 0u);
    const uint16_t third[6] = {8, 9, 10, 10, 9, 11};
    EXPECT_EQ(0, memcmp(batch->indices + 12, third, sizeof(third)));
    QuadVertex q[4] = {};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(QuadBatch::Add(batch, q), 1);
    LogCapture log;
    EXPECT_EQ(QuadBatch::Add(batch, q), 0);
    EXPECT_EQ(log.Count(), 1u);
    EXPECT_EQ(batch->vertexCount, 12u);
    QuadBatch::Destroy(batch);
    // 16-bit indices reach 16384 quads; a larger batch is cut to that.
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
const Rgba kBlack{0, 0, 0, 255};

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
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
            const bool in = x >= clip[0] && x < clip[2] && y >= clip[1] && y < clip[3];
            inside += in;
            ASSERT_EQ(0, memcmp(&clipped[i], in ? &whole[i] : kNothing, 3)) << x << "," << y;
        }
    }
    EXPECT_EQ(inside, 50 * 80);
    // A rotated sprite is not clipped; all zeros switch clipping off.
    sprite->SetAngle(90.0f);
    DrawFrame();
    EXPECT_FALSE(ReadPixel(85, 85) == kBlack);
    sprite->SetAngle(0.0f);
    Clip(sprite, 0, 0, 0, 0);
    EXPECT_EQ(sprite->GetClipRect(), nullptr);
    DrawFrame();
    EXPECT_FALSE(ReadPixel(80, 80) == kBlack);
}

// Positions, sizes, scales and rectangles come from scripts unchecked. None
// may overflow, and a sprite beyond the 16-bit coordinate range must stay
// off the screen instead of wrapping round onto it; hidden or empty sprites
// draw nothing at all.
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
        {"height 0", [](Sprite* s, AsyncTexture*) { s->SetSize(20, 0); }, true},
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

    // Ready between two frames: the very next frame shows it at its own size.
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

}  // namespace
