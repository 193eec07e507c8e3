// The unit billboard on Mesa: a unit drawn by QmUnit::Draw through a
// program with the unit vertex layout stands on its ground point, upright
// and as wide as its frame, whatever way the camera has turned.
#include <gtest/gtest.h>

#include <cmath>

#include "game/battle_camera.h"
#include "game/unit.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/std2d.h"
#include "tests/gfx/gfx_fixture.h"

namespace {

constexpr char kVertex[] = R"(
attribute vec4 a_Position;
attribute vec2 a_TexCoord;
attribute vec4 a_Color;
uniform mat4 u_GeneralMatrix;
varying vec2 v_TexCoord;
varying vec4 v_Color;
void main() { gl_Position = u_GeneralMatrix * a_Position; v_TexCoord = a_TexCoord; v_Color = a_Color; }
)";
constexpr char kFragment[] = R"(
precision mediump float;
uniform sampler2D u_Texture0;
varying vec2 v_TexCoord;
varying vec4 v_Color;
void main() { gl_FragColor = texture2D(u_Texture0, v_TexCoord) * v_Color; }
)";

using UnitBillboardTest = GfxTest;

TEST_F(UnitBillboardTest, StandsOnItsGroundPointFacingTheCamera) {
    // A sheet whose attack frames (row 4: 96 x 96 from (0, 192)) are solid red.
    std::vector<uint8_t> pixels(512 * 512 * 4, 0);
    for (int y = 192; y < 288; ++y)
        for (int x = 0; x < 480; ++x) pixels[(y * 512 + x) * 4] = 255, pixels[(y * 512 + x) * 4 + 3] = 255;
    Image* image = MakeImage(kPixelRgba8888, 512, 512, 32, pixels);
    Texture* sheet = Texture::Create(nullptr);
    ASSERT_TRUE(Texture::UploadImage(sheet, 0, image, nullptr));
    Image::Free(image);
    const int32_t program = BuildShaderProgram("unit", kVertex, kFragment, nullptr);
    ASSERT_GT(program, 0);
    GetUnitAttribs().Lookup(static_cast<uint32_t>(program));

    for (float yaw : {0.0f, 135.0f, -250.0f}) {
        SCOPED_TRACE(yaw);
        ClearScreen(0, 0, 0);
        QmBattleCamera camera;
        camera.view.aspect = 1.0f;
        camera.yaw = yaw, camera.pitch = 0;
        camera.viewport[2] = camera.viewport[3] = 256;
        camera.Step();
        QmUnit unit;
        unit.texture = sheet;
        unit.anim = 4, unit.type = 1, unit.frame = 0;
        MaterialShader::Begin(program);
        camera.Apply();
        GetUnitAttribs().Enable();
        unit.Draw(camera);
        GetUnitAttribs().Disable();
        MaterialShader::End();
        // 1176 units from the eye, a 20 degree view spans 414.7 units over 256
        // pixels: the 96 x 96 frame is 59 pixels square, its feet at the centre.
        EXPECT_EQ(ReadPixel(128, 128 - 30).r, 255);
        EXPECT_EQ(ReadPixel(128 + 26, 128 - 30).r, 255);
        EXPECT_EQ(ReadPixel(128 + 33, 128 - 30).r, 0);
        EXPECT_EQ(ReadPixel(128, 128 - 56).r, 255);
        EXPECT_EQ(ReadPixel(128, 128 - 62).r, 0);
        EXPECT_EQ(ReadPixel(128, 128 + 3).r, 0);
    }
    RebindStd2dProgram();
    DeleteShaderProgram(program);
    Texture::Release(sheet);
    EXPECT_TRUE(NoGlError());
}

}  // namespace
