// The built-ins drawn on Mesa with the sample's files: focus lines around an
// empty centre that flicker between their two sets, an arrow model where its
// flight stands, and rain lines and splashes through the pack's own program.
#include "core/random.h"
#include "effects/game/efc_arrow.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/std2d.h"
#include "tests/effects_game/efc_fixture.h"

namespace {

const float kOrigin[3] = {0, 0, 0};

// Pixels of the whole screen that `test` accepts.
template <class Test>
int CountPixels(int x0, int y0, int x1, int y1, Test test) {
    const std::vector<uint8_t> rgba = GfxTest::ReadRect(x0, y0, x1 - x0, y1 - y0);
    int count = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) count += test(rgba[i], rgba[i + 1], rgba[i + 2]) ? 1 : 0;
    return count;
}

bool Lit(uint8_t r, uint8_t g, uint8_t b) { return r + g + b > 60; }

TEST_F(EfcTest, FocusLinesLeaveTheCentreAndFlicker) {
    RandomSeed(nullptr, 99);
    EfcStartEffect(kEfcFocusLinesId, kOrigin, kOrigin, 0);
    std::vector<uint8_t> shown[2];
    for (int set = 0; set < 2; ++set) {
        ClearScreen(0, 0, 0);
        EfcDrawScreen();
        ASSERT_TRUE(NoGlError());
        // Centre (128, 128): inner ends lie 100 px out or more, outer ends near 170.
        EXPECT_EQ(CountPixels(68, 68, 188, 188, Lit), 0);
        EXPECT_GT(CountPixels(0, 0, 256, 256, Lit), 2000);
        shown[set] = ReadRect(0, 0, kWidth, kHeight);
        for (int i = 0; i < 5; ++i) EfcUpdate();
    }
    EXPECT_NE(shown[0], shown[1]);
}

TEST_F(EfcTest, ArrowModelStandsWhereItFlies) {
    const int32_t program = BuildShaderProgram(
        "arrow",
        "attribute vec3 a_Position; uniform mat4 u_GeneralMatrix;\n"
        "void main() { gl_Position = u_GeneralMatrix * vec4(a_Position, 1.0); }\n",
        "precision mediump float; void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n", nullptr);
    ASSERT_GT(program, 0);
    UnbindStd2dProgram();
    MaterialShader::Begin(program);
    // From z = 128 with a 90-degree view: world x, y in -128..128 fill the screen 1:1.
    MaterialShader::SetCamera({90, 1, 1, 1000, {0, 0, 0}, {0, 0, 128}, {0, 1, 0}});
    const float from[3] = {-100, -20, 0}, to[3] = {100, -20, 0};
    EfcStartEffect(kEfcArrowId, from, to, 0);
    EfcDrawModels(nullptr);  // not moved yet: not drawn
    EXPECT_EQ(CountPixels(0, 0, 256, 256, Lit), 0);
    for (int i = 0; i < 3; ++i) EfcUpdate();  // t = 0.2: x = -60, y = -20 + 200 x 0.1 x sin(0.2 pi)
    EfcDrawModels(nullptr);
    MaterialShader::End();
    ASSERT_TRUE(NoGlError());
    // 40 units long around its centre (68, 136); its tip, lifted by the arc, sits right of it.
    EXPECT_GT(CountPixels(46, 124, 92, 146, Lit), 40);
    EXPECT_EQ(CountPixels(0, 0, 256, 256, Lit), CountPixels(46, 124, 92, 146, Lit));
    EXPECT_GT(CountPixels(76, 124, 92, 146, Lit), 0);
    DeleteShaderProgram(program);
    RebindStd2dProgram();
}

TEST_F(EfcTest, RainDrawsLinesAndSplashes) {
    auto field = FlatField(24, 24, 1);
    RandomSeed(nullptr, 7);
    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);
    EfcSetEffectParameter(-1026, 0, 200);
    UnbindStd2dProgram();
    const CameraParams camera{60, 1, 10, 10000, {0, 150, 0}, {0, 700, 2200}, {0, 1, 0}};
    MaterialShader::SetCamera(camera);
    for (QmField* context : {static_cast<QmField*>(nullptr), field.get()}) {
        EfcSetContext(context, &camera);
        for (int i = 0; i < 30; ++i) EfcUpdate();
        ClearScreen(0, 0, 0);
        GlClearDepthBuffer(1.0f);
        EfcDraw(nullptr);
        ASSERT_TRUE(NoGlError());
        const int blue = CountPixels(0, 0, 256, 256, [](uint8_t r, uint8_t, uint8_t b) { return b > 30 && r < 5; });
        const int splash = CountPixels(0, 0, 256, 256, [](uint8_t r, uint8_t g, uint8_t) { return r > 30 && g > 30; });
        EXPECT_EQ(blue > 200, context != nullptr);
        EXPECT_EQ(splash > 20, context != nullptr);
    }
    RebindStd2dProgram();
}

}  // namespace
