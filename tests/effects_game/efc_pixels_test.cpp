// The built-ins drawn on Mesa with the sample's files: focus lines around an
// empty centre, flickering between their two sets; an arrow model where its
// flight stands; rain lines and splashes through the pack's own program.
#include "core/random.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/std2d.h"
#include "tests/effects_game/efc_fixture.h"

namespace {

const float kOrigin[3] = {0, 0, 0};

// Pixels of the rectangle [x0, x1) x [y0, y1) brighter than dark grey.
int LitPixels(int x0, int y0, int x1, int y1, int minRed = 0, int maxRed = 255) {
    const std::vector<uint8_t> rgba = GfxTest::ReadRect(x0, y0, x1 - x0, y1 - y0);
    int count = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        count += rgba[i] + rgba[i + 1] + rgba[i + 2] > 60 && rgba[i] >= minRed && rgba[i] <= maxRed;
    }
    return count;
}

TEST_F(EfcTest, FocusLinesLeaveTheCentreAndFlicker) {
    EfcStartEffect(kEfcFocusLinesId, kOrigin, kOrigin, 0);
    std::vector<uint8_t> shown[2];
    for (auto& frame : shown) {
        ClearScreen(0, 0, 0);
        EfcDrawScreen();
        EXPECT_EQ(LitPixels(68, 68, 188, 188), 0);  // inner ends lie 100 px out or more
        EXPECT_GT(LitPixels(0, 0, 256, 256), 2000);
        frame = ReadRect(0, 0, kWidth, kHeight);
        for (int i = 0; i < 5; ++i) EfcUpdate();
    }
    EXPECT_NE(shown[0], shown[1]);
    EXPECT_TRUE(NoGlError());
}

TEST_F(EfcTest, ArrowModelStandsWhereItFlies) {
    const int32_t program = BuildShaderProgram(
        "arrow", "attribute vec3 a_Position; uniform mat4 u_GeneralMatrix;\n"
        "void main() { gl_Position = u_GeneralMatrix * vec4(a_Position, 1.0); }\n",
        "precision mediump float; void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n", nullptr);
    UnbindStd2dProgram();
    MaterialShader::Begin(program);
    // From z = 128 with a 90-degree view: world x, y in -128..128 fill the screen 1:1.
    MaterialShader::SetCamera({90, 1, 1, 1000, {0, 0, 0}, {0, 0, 128}, {0, 1, 0}});
    const float from[3] = {-100, -20, 0}, to[3] = {100, -20, 0};
    EfcStartEffect(kEfcArrowId, from, to, 0);
    for (int i = 0; i < 3; ++i) EfcUpdate();  // t = 0.2: centre (-60, -8.2), 40 units long
    EfcDrawModels(nullptr);
    MaterialShader::End();
    EXPECT_TRUE(NoGlError());
    EXPECT_GT(LitPixels(46, 124, 92, 146), 40);
    EXPECT_EQ(LitPixels(0, 0, 256, 256), LitPixels(46, 124, 92, 146));
    DeleteShaderProgram(program);
}

TEST_F(EfcTest, RainDrawsLinesAndSplashesOnlyOnAField) {
    auto field = FlatField(24, 24, 1);
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
        EXPECT_TRUE(NoGlError());
        EXPECT_EQ(LitPixels(0, 0, 256, 256, 0, 4) > 200, context != nullptr);  // blue lines
        EXPECT_EQ(LitPixels(0, 0, 256, 256, 30) > 20, context != nullptr);    // pale splashes
    }
}

}  // namespace
