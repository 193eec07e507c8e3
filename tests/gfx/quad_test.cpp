// Quad arithmetic, quad batches and the Std2d program's pixels.
#include "gfx/quad.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "gfx/gl_state.h"
#include "gfx/std2d.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"

namespace {

struct Corners {
    int tlx, tly, blx, bly, trx, try_, brx, bry;
};

Corners PositionsOf(const QuadVertex* q) {
    return {q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y};
}

TEST(QuadMath, CenteredRectGivesTheOddPixelToRightAndBottom) {
    struct Case {
        int x, y, w, h, left, top, right, bottom;
    } cases[] = {
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
    struct Case {
        const char* what;
        int32_t clip[4];
        bool transposed;
        Corners positions;
        int u[4], v[4];
    } cases[] = {
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
    struct Case {
        const char* what;
        int x, y, w, h;
        Corners want;
    } cases[] = {
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

}  // namespace
