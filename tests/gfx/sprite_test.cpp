// Quad arithmetic (centring, clipping, saturation at the 16-bit edge), the
// Std2d program's pixels, the layer list's order, and sprites drawn through it,
// read back from Mesa.
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
#include "gfx/std2d.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"

namespace {

struct Corners { int tlx, tly, blx, bly, trx, try_, brx, bry; };

Corners PositionsOf(const QuadVertex* q) {
    return {q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y};
}

TEST(QuadMath, CenteredRectGivesTheOddPixelToRightAndBottom) {
    struct Case { int x, y, w, h, left, top, right, bottom; } cases[] = {
        {100, 100, 5, 3, 98, 99, 103, 102},
        {100, 100, 4, 2, 98, 99, 102, 101},
        {0, 0, 1, 1, 0, 0, 1, 1},
        {10, 10, -3, -3, 11, 11, 8, 8},
    };
    for (const Case& c : cases) {
        QuadVertex q[4];
        Quad::SetCenteredRect(q, c.x, c.y, c.w, c.h);
        EXPECT_EQ(q[kQuadTopLeft].x, c.left);
        EXPECT_EQ(q[kQuadTopLeft].y, c.top);
        EXPECT_EQ(q[kQuadBottomRight].x, c.right);
        EXPECT_EQ(q[kQuadBottomRight].y, c.bottom);
        EXPECT_EQ(q[kQuadBottomLeft].x, c.left);
        EXPECT_EQ(q[kQuadTopRight].y, c.top);
    }
}

TEST(QuadMath, ClipMovesTexelsWithTheCutEdge) {
    // A 100 x 50 quad showing 200 x 100 texels: two texels per pixel.
    struct Case { const char* what; int32_t clip[4]; bool transposed; Corners positions; int u[4], v[4]; } cases[] = {
        {"left", {10, -99, 999, 999}, false, {10, 0, 10, 50, 100, 0, 100, 50}, {20, 20, 200, 200}, {0, 100, 0, 100}},
        {"top", {-99, 5, 999, 999}, false, {0, 5, 0, 50, 100, 5, 100, 50}, {0, 0, 200, 200}, {10, 100, 10, 100}},
        {"right", {-99, -99, 90, 999}, false, {0, 0, 0, 50, 90, 0, 90, 50}, {0, 0, 180, 180}, {0, 100, 0, 100}},
        {"bottom", {-99, -99, 999, 40}, false, {0, 0, 0, 40, 100, 0, 100, 40}, {0, 0, 200, 200}, {0, 80, 0, 80}},
        {"outside", {200, 0, 300, 100}, false, {0, 0, 0, 0, 0, 0, 0, 0}, {400, 400, 200, 200}, {0, 100, 0, 100}},
        {"left turned", {10, -99, 999, 999}, true, {10, 0, 10, 50, 100, 0, 100, 50}, {0, 0, 200, 200},
         {120, 120, 0, 100}},
        {"bottom turned", {-99, -99, 999, 40}, true, {0, 0, 0, 40, 100, 0, 100, 40}, {0, 180, 200, 180},
         {0, 100, 0, 100}},
    };
    for (const Case& c : cases) {
        QuadVertex q[4];
        Quad::SetRect(q, 0, 0, 100, 50);
        Quad::SetTexRect(q, 0, 0, 200, 100);
        if (c.transposed) Quad::ClipTransposed(q, 2.0f, 2.0f, c.clip);
        else Quad::Clip(q, 2.0f, 2.0f, c.clip);
        Corners got = PositionsOf(q);
        EXPECT_EQ(0, memcmp(&got, &c.positions, sizeof(Corners))) << c.what;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(q[i].u, c.u[i]) << c.what << " corner " << i;
            EXPECT_EQ(q[i].v, c.v[i]) << c.what << " corner " << i;
        }
    }
}

// Script values reach the builders unchecked. Sums must not overflow, and
// corners beyond the 16-bit range stop at its edge rather than wrapping
// round onto the screen.
TEST(QuadMath, ExtremeValuesSaturateAtTheSixteenBitEdge) {
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    struct Case { const char* what; int x, y, w, h; Corners want; } cases[] = {
        {"right edge past 32767", 32760, 0, 100, 10, {32710, -5, 32710, 5, 32767, -5, 32767, 5}},
        {"far right and down", kMax, kMax, kMax, kMax, {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767}},
        {"far left and up", kMin, kMin, 10, 10, {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768}},
        {"huge size", 0, 0, kMax, kMax, {-32768, -32768, -32768, 32767, 32767, -32768, 32767, 32767}},
    };
    for (const Case& c : cases) {
        QuadVertex q[4];
        Quad::SetCenteredRect(q, c.x, c.y, c.w, c.h);
        Corners got = PositionsOf(q);
        EXPECT_EQ(0, memcmp(&got, &c.want, sizeof(Corners))) << c.what << ": " << got.tlx << "," << got.tly
                                                             << " " << got.brx << "," << got.bry;
    }
    QuadVertex q[4];
    Quad::SetRect(q, kMax, kMin, kMax, kMax);
    EXPECT_EQ(q[kQuadTopLeft].x, 32767);
    EXPECT_EQ(q[kQuadTopLeft].y, -32768);
    EXPECT_EQ(q[kQuadBottomRight].y, -1);
    Quad::SetTexRect(q, kMax - 1, 0, kMax, 5);
    EXPECT_EQ(q[kQuadTopRight].u, 32767);

    // Clip rectangles at the ends of the int32 range leave nothing, or everything.
    const int32_t clips[][4] = {{kMax, kMin, kMax, kMax}, {kMin, kMin, kMin, kMax}, {kMin, kMax, kMax, kMax},
                                {kMin, kMin, kMax, kMin}};
    for (const auto& clip : clips) {
        for (bool transposed : {false, true}) {
            Quad::SetRect(q, 0, 0, 100, 50);
            Quad::SetTexRect(q, 0, 0, 200, 100);
            if (transposed) Quad::ClipTransposed(q, 2.0f, 2.0f, clip);
            else Quad::Clip(q, 2.0f, 2.0f, clip);
            Corners got = PositionsOf(q);
            const Corners none{};
            EXPECT_EQ(0, memcmp(&got, &none, sizeof(Corners))) << clip[0] << " " << clip[1] << " " << clip[2]
                                                                << " " << clip[3];
        }
    }
    const int32_t everything[4] = {kMin, kMin, kMax, kMax};
    Quad::SetRect(q, 0, 0, 100, 50);
    Quad::Clip(q, 2.0f, 2.0f, everything);
    EXPECT_EQ(q[kQuadBottomRight].x, 100);

    // Angles and sizes no float can turn into an integer.
    const float angles[] = {1e30f, -1e30f, std::nanf(""), INFINITY};
    for (float angle : angles) {
        Quad::SetRotatedRect(q, 10, 10, kMax, kMax, angle);
        Quad::SetRotatedRect(q, kMax, kMin, 4, 2, angle);
    }
    Quad::SetRotatedRect(q, 0, 0, kMax, kMax, 45.0f);
    for (const QuadVertex& v : q) EXPECT_TRUE(v.x == 32767 || v.x == -32768 || v.y == 32767 || v.y == -32768);
}

using Std2dTest = GfxTest;

TEST_F(Std2dTest, RectanglesArePixelExactFromTheTopLeft) {
    GlState::SetTextureRepeat(nullptr);
    GlState::SetBlendMode(0);
    DrawStd2dRectColor(10, 20, 30, 40, 0, 0, 0, 0, ColorWord(255, 0, 0));
    const Rgba red{255, 0, 0, 255}, black{0, 0, 0, 255};
    EXPECT_TRUE(RectIs(10, 20, 30, 40, red));
    EXPECT_EQ(ReadPixel(9, 20), black);
    EXPECT_EQ(ReadPixel(10, 19), black);
    EXPECT_EQ(ReadPixel(40, 59), black);
    EXPECT_EQ(ReadPixel(10, 60), black);
    EXPECT_EQ(GetRenderStats().drawCalls, 1u);
    EXPECT_EQ(GetRenderStats().vertices, 4u);
}

Texture* Checker(std::vector<uint8_t>* texels) {
    *texels = std::vector<uint8_t>(4 * 4 * 4);
    for (int i = 0; i < 16; ++i) {
        uint8_t* p = &(*texels)[i * 4];
        p[0] = static_cast<uint8_t>(i * 16);
        p[1] = ((i % 4 + i / 4) % 2) ? 255 : 0;
        p[2] = static_cast<uint8_t>(255 - i * 16);
        p[3] = 255;
    }
    Image* image = MakeImage(kPixelRgba8888, 4, 4, 32, *texels);
    Texture* texture = Texture::Create(nullptr);
    Texture::UploadImage(texture, 0, image, nullptr);
    Image::Free(image);
    return texture;
}

TEST_F(Std2dTest, TexturesMapTexelForPixel) {
    std::vector<uint8_t> texels;
    Texture* texture = Checker(&texels);
    GlState::SetTexture(texture, GL_CLAMP_TO_EDGE, GL_NEAREST);
    GlState::SetBlendMode(0);
    DrawStd2dRectColor(7, 9, 4, 4, 0, 0, 4, 4, 0xFFFFFFFFu);
    // Twice the size: every texel covers 2 x 2 pixels; a sub-rectangle of texels.
    DrawStd2dRectColor(20, 20, 8, 8, 0, 0, 4, 4, 0xFFFFFFFFu);
    DrawStd2dRectColor(40, 40, 2, 2, 1, 2, 2, 2, 0xFFFFFFFFu);
    for (int i = 0; i < 16; ++i) {
        const int x = i % 4, y = i / 4;
        const Rgba want{texels[i * 4], texels[i * 4 + 1], texels[i * 4 + 2], 255};
        EXPECT_EQ(ReadPixel(7 + x, 9 + y), want) << x << "," << y;
        EXPECT_TRUE(RectIs(20 + 2 * x, 20 + 2 * y, 2, 2, want)) << x << "," << y;
        if (x >= 1 && x < 3 && y >= 2) {
            EXPECT_EQ(ReadPixel(40 + x - 1, 40 + y - 2), want) << x << "," << y;
        }
    }
    Texture::Release(texture);
}

TEST(LayerListOrder, EqualZKeepsInsertionOrderAndSetZMovesOnTop) {
    std::string drawn;
    struct Layer { LayerNode node; char name; std::string* out; };
    auto record = [](void* argument) {
        auto* layer = static_cast<Layer*>(argument);
        *layer->out += layer->name;
    };
    Layer a{{}, 'a', &drawn}, b{{}, 'b', &drawn}, c{{}, 'c', &drawn}, d{{}, 'd', &drawn};
    Layer* layers[] = {&a, &b, &c, &d};
    const int z[] = {5, 1, 5, -3};
    LayerList* list = LayerList::Create(nullptr);
    for (int i = 0; i < 4; ++i) {
        layers[i]->node = LayerNode{{}, layers[i], record, z[i]};
        LayerList::Insert(list, &layers[i]->node);
    }
    struct Step {
        const char* what;
        void (*apply)(LayerList*, Layer**);
        const char* order;
    } steps[] = {
        {"inserted", [](LayerList*, Layer**) {}, "dbac"},
        {"same z again goes on top", [](LayerList* l, Layer** s) { LayerList::SetZ(l, &s[0]->node, 5); }, "dbca"},
        {"lowest", [](LayerList* l, Layer** s) { LayerList::SetZ(l, &s[2]->node, -10); }, "cdba"},
        {"removed", [](LayerList* l, Layer** s) { LayerList::Remove(l, &s[1]->node); }, "cda"},
        {"removed twice", [](LayerList* l, Layer** s) { LayerList::Remove(l, &s[1]->node); }, "cda"},
        {"inserted twice", [](LayerList* l, Layer** s) { LayerList::Insert(l, &s[3]->node); }, "cda"},
        {"back between", [](LayerList* l, Layer** s) { LayerList::Insert(l, &s[1]->node); }, "cdba"},
    };
    for (const Step& step : steps) {
        step.apply(list, layers);
        drawn.clear();
        LayerList::Draw(list);
        EXPECT_EQ(drawn, step.order) << step.what;
        EXPECT_EQ(list->nodes.count, strlen(step.order)) << step.what;
    }
    LayerList::Destroy(list);
}

class SpriteTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        list_ = LayerList::Create(nullptr);
    }
    void TearDown() override {
        for (auto& layer : layers_) {
            LayerList::Remove(list_, &layer.node);
            Sprite::Destroy(layer.sprite);
        }
        LayerList::Destroy(list_);
        for (AsyncTexture* image : images_) ReleaseTexture(image);
        EXPECT_EQ(GetAsyncTextureList().count, 0u);
        GfxTest::TearDown();
    }

    // A sprite in the layer list at z.
    Sprite* AddSprite(int z) {
        layers_.push_back(SpriteLayer{});
        SpriteLayer& layer = layers_.back();
        layer.sprite = Sprite::Create(nullptr);
        layer.node = LayerNode{{}, layer.sprite, Sprite::Draw, z};
        LayerList::Insert(list_, &layer.node);
        return layer.sprite;
    }
    // An untextured sprite covering the rectangle.
    Sprite* AddRect(int z, int x, int y, int w, int h, uint32_t colour) {
        Sprite* sprite = AddSprite(z);
        sprite->SetPos(x + w / 2, y + h / 2);
        sprite->SetSize(w, h);
        sprite->SetColor(colour);
        return sprite;
    }
    LayerNode* NodeOf(const Sprite* sprite) {
        for (auto& layer : layers_) {
            if (layer.sprite == sprite) return &layer.node;
        }
        return nullptr;
    }
    // A ready image of RGBA8 texels with a texture of its own (released at the end).
    AsyncTexture* ReadyImage(int w, int h, const std::vector<uint8_t>& texels) {
        AsyncTexture* image = PendingImage();
        FinishImage(image, w, h, texels);
        return image;
    }
    AsyncTexture* PendingImage() {
        AsyncTexture* image = AsyncTexture::Create(nullptr);
        images_.push_back(image);
        return image;
    }
    static void FinishImage(AsyncTexture* image, int w, int h, const std::vector<uint8_t>& texels) {
        AsyncTexture::SetDecoded(image, MakeImage(kPixelRgba8888, w, h, 32, texels));
        ASSERT_EQ(AsyncTexture::CompleteUpload(image), 1);
    }
    void DrawFrame() {
        ClearScreen(0, 0, 0);
        ResetRenderStats();
        LayerList::Draw(list_);
    }

    struct SpriteLayer { Sprite* sprite; LayerNode node; };
    LayerList* list_ = nullptr;
    std::vector<SpriteLayer> layers_;  // reserved below so nodes stay put
    std::vector<AsyncTexture*> images_;

public:
    SpriteTest() { layers_.reserve(16); }
};

std::vector<uint8_t> Gradient(int w, int h) {
    std::vector<uint8_t> texels(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &texels[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / (w - 1));
            p[1] = static_cast<uint8_t>(y * 255 / (h - 1));
            p[2] = static_cast<uint8_t>((x + y) % 2 ? 255 : 0);
            p[3] = 255;
        }
    }
    return texels;
}

const Rgba kBlack{0, 0, 0, 255}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255};

TEST_F(SpriteTest, ClippingKeepsTexelsInPlace) {
    Sprite* sprite = AddSprite(0);
    sprite->SetImage(ReadyImage(100, 100, Gradient(100, 100)));
    sprite->SetPos(128, 128);  // covers 78..177
    DrawFrame();
    std::vector<uint8_t> whole = ReadRect(0, 0, kWidth, kHeight);

    const int32_t clip[4] = {100, 90, 150, 170};
    sprite->SetClipRect(clip);
    ASSERT_NE(sprite->GetClipRect(), nullptr);
    DrawFrame();
    std::vector<uint8_t> clipped = ReadRect(0, 0, kWidth, kHeight);
    int inside = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
            const bool in = x >= clip[0] && x < clip[2] && y >= clip[1] && y < clip[3];
            if (in) {
                ++inside;
                ASSERT_EQ(0, memcmp(&clipped[i], &whole[i], 3)) << x << "," << y;
            } else {
                ASSERT_EQ(clipped[i] | clipped[i + 1] | clipped[i + 2], 0) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(inside, 50 * 80);

    // A rotated sprite is not clipped; all zeros switch clipping off.
    sprite->SetAngle(90.0f);
    DrawFrame();
    EXPECT_FALSE(ReadPixel(85, 85) == kBlack);
    sprite->SetAngle(0.0f);
    const int32_t none[4] = {0, 0, 0, 0};
    sprite->SetClipRect(none);
    EXPECT_EQ(sprite->GetClipRect(), nullptr);
    DrawFrame();
    EXPECT_FALSE(ReadPixel(80, 80) == kBlack);
}

// Positions, sizes, scales and rectangles come from scripts unchecked. None
// may overflow, and a sprite beyond the 16-bit coordinate range must stay
// off the screen instead of wrapping round onto it.
TEST_F(SpriteTest, ExtremeScriptValuesNeverWrapOntoTheScreen) {
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    struct Case {
        const char* what;
        void (*change)(Sprite*, AsyncTexture*);
    } cases[] = {
        {"across the 16-bit edge", [](Sprite* s, AsyncTexture*) { s->SetPos(32757, 40); }},
        {"at the int32 maximum", [](Sprite* s, AsyncTexture*) { s->SetPos(kMax, kMax); }},
        {"at the int32 minimum", [](Sprite* s, AsyncTexture*) { s->SetPos(kMin, kMin); }},
        {"huge size far right",
         [](Sprite* s, AsyncTexture*) {
             s->SetPos(kMax, 40);
             s->SetSize(kMax, kMax);
         }},
        {"huge scale far left",
         [](Sprite* s, AsyncTexture*) {
             s->SetPos(kMin, 40);
             s->SetScale(3e9f);
         }},
        {"scale not a number", [](Sprite* s, AsyncTexture*) { s->SetScale(std::nanf("")); }},
        {"huge angle far away",
         [](Sprite* s, AsyncTexture*) {
             s->SetPos(kMax, kMin);
             s->SetAngle(1e30f);
         }},
        {"source at the int32 end far right",
         [](Sprite* s, AsyncTexture* image) {
             s->SetImageRect(image, kMax, kMax, 8, 8);
             s->SetPos(40000, 40);
         }},
        {"clip beyond the int32 range",
         [](Sprite* s, AsyncTexture*) {
             const int32_t clip[4] = {kMax, kMin, kMax, kMax};
             s->SetClipRect(clip);
         }},
    };
    AsyncTexture* image = ReadyImage(8, 8, Gradient(8, 8));
    for (const Case& c : cases) {
        Sprite* sprite = AddSprite(0);
        sprite->SetImage(image);
        sprite->SetPos(40, 40);
        c.change(sprite, image);
        DrawFrame();
        EXPECT_TRUE(RectIs(0, 0, kWidth, kHeight, kBlack)) << c.what;
        LayerList::Remove(list_, NodeOf(sprite));
    }
}

TEST_F(SpriteTest, LoadingImagesDrawNothingAndTheFirstReadyFrameIsRight) {
    AddRect(0, 0, 0, 8, 8, ColorWord(0, 255, 0));  // leaves blend 1 and no texture behind
    AsyncTexture* image = PendingImage();
    Sprite* sprite = AddSprite(1);
    sprite->SetImage(image);
    sprite->SetPos(100, 100);
    sprite->SetBlend(2);
    DrawFrame();
    EXPECT_EQ(GetRenderStats().drawCalls, 1u);
    EXPECT_EQ(GetRenderStats().textureBinds, 0u);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint blendDst = 0;
    glGetIntegerv(GL_BLEND_DST_RGB, &blendDst);
    EXPECT_EQ(blendDst, GL_ONE_MINUS_SRC_ALPHA) << "the loading sprite left the blend mode alone";
    EXPECT_TRUE(RectIs(50, 50, 100, 100, kBlack));

    // Ready between two frames: the very next frame shows it at its own size.
    std::vector<uint8_t> red(6 * 4 * 4);
    for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    FinishImage(image, 6, 4, red);
    DrawFrame();
    EXPECT_EQ(sprite->GetWidth(), 6);
    EXPECT_EQ(sprite->GetHeight(), 4);
    EXPECT_TRUE(RectIs(97, 98, 6, 4, kRed));
    EXPECT_EQ(ReadPixel(96, 100), kBlack);
    EXPECT_EQ(ReadPixel(103, 100), kBlack);
    EXPECT_EQ(ReadPixel(100, 97), kBlack);
    EXPECT_EQ(ReadPixel(100, 102), kBlack);
}

TEST(QuadMath, TruncateToInt32HoldsTheRange) {
    struct Case {
        double value;
        int32_t want;
    } cases[] = {{2.9, 2}, {-2.9, -2}, {3e9, INT32_MAX}, {-3e9, INT32_MIN}, {std::nan(""), 0}, {INFINITY, INT32_MAX},
                 {-INFINITY, INT32_MIN}, {2147483647.0, INT32_MAX}, {-2147483648.0, INT32_MIN}};
    for (const Case& c : cases) EXPECT_EQ(TruncateToInt32(c.value), c.want) << c.value;
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

TEST_F(SpriteTest, HiddenOrEmptySpritesDrawNothing) {
    struct Case {
        const char* what;
        void (*change)(Sprite*);
    } cases[] = {
        {"hidden", [](Sprite* s) { s->SetVisible(false); }},
        {"width 0", [](Sprite* s) { s->SetSize(0, 20); }},
        {"height 0", [](Sprite* s) { s->SetSize(20, 0); }},
        {"scaled to nothing and clipped",
         [](Sprite* s) {
             const int32_t clip[4] = {0, 0, 100, 100};
             s->SetClipRect(clip);
             s->SetScale(0.01f);
         }},
        {"clipped away",
         [](Sprite* s) {
             const int32_t clip[4] = {200, 200, 210, 210};
             s->SetClipRect(clip);
         }},
    };
    for (const Case& c : cases) {
        Sprite* sprite = AddSprite(0);
        sprite->SetImage(ReadyImage(8, 8, Gradient(8, 8)));
        sprite->SetPos(40, 40);
        c.change(sprite);
        DrawFrame();
        EXPECT_EQ(GetRenderStats().drawCalls, 0u) << c.what;
        EXPECT_TRUE(RectIs(0, 0, 100, 100, kBlack)) << c.what;
        LayerList::Remove(list_, NodeOf(sprite));
    }
}

TEST_F(SpriteTest, ASpriteKeepsItsImageAlive) {
    AsyncTexture* image = AsyncTexture::Create(nullptr);
    std::vector<uint8_t> green(4 * 4 * 4);
    for (size_t i = 0; i < green.size(); i += 4) green[i + 1] = green[i + 3] = 255;
    FinishImage(image, 4, 4, green);
    Sprite* sprite = AddSprite(0);
    sprite->SetImage(image);
    sprite->SetPos(10, 10);
    ReleaseTexture(image);  // the script drops its image while the sprite shows it
    DrawFrame();
    EXPECT_TRUE(RectIs(8, 8, 4, 4, kGreen));
    EXPECT_EQ(GetAsyncTextureList().count, 1u);
    sprite->SetImage(nullptr);
    EXPECT_EQ(GetAsyncTextureList().count, 0u) << "the last reference went with the sprite's";
}

}  // namespace
