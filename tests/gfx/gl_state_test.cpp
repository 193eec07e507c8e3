// The render-state cache, the blend and cull modes against pixels read back,
// the start state, shader program building, and the Std2d program's pixels.
#include "gfx/gl_state.h"

#include <cmath>
#include <cstring>
#include <string>

#include "core/allocator.h"
#include "gfx/gl_program.h"
#include "gfx/graphics.h"
#include "gfx/std2d.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using GlStateTest = GfxTest;

GLint GetInt(GLenum what) {
    GLint value = -1;
    glGetIntegerv(what, &value);
    return value;
}

TEST_F(GlStateTest, BlendModesMatchTheirFormulas) {
    // Source (255, 0, 0, 128) over grey 128.
    const double a = 128 / 255.0, g = 128 / 255.0;
    for (int mode = 0; mode <= 6; ++mode) {
        ClearScreen(128, 128, 128);
        GlState::SetTextureRepeat(nullptr);
        GlState::SetBlendMode(mode);
        DrawStd2dRectColor(0, 0, kWidth, kHeight, 0, 0, 0, 0, ColorWord(255, 0, 0, 128));
        const double want[][2] = {{1, 0}, {a + g * (1 - a), g * (1 - a)}, {1, g}, {a + g, g}, {g - a, g}, {g, 0}, {g, 0}};
        const auto level = [](double v) { return static_cast<uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255)); };
        const Rgba colour{level(want[mode][0]), level(want[mode][1]), level(want[mode][1]), 255};
        EXPECT_TRUE(RectIs(0, 0, 4, 4, colour, 1)) << "blend mode " << mode;
        EXPECT_TRUE(RectIs(kWidth - 4, kHeight - 4, 4, 4, colour, 1)) << "blend mode " << mode;
    }
}

TEST_F(GlStateTest, GraphicsInitLeavesTheStartState) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_ALWAYS);
    GlApplyCullMode(1);
    GlApplyBlendMode(2);
    glActiveTexture(GL_TEXTURE1);
    GraphicsShutdown();
    ASSERT_TRUE(GraphicsInit(kWidth, kHeight, nullptr));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_TRUE(mask && GetInt(GL_DEPTH_FUNC) == GL_LESS && GetInt(GL_ACTIVE_TEXTURE) == GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_CULL_FACE) || glIsEnabled(GL_BLEND));
    EXPECT_EQ(GetRenderStats().drawCalls, 0u);
    EXPECT_EQ(GetScreenWidth(), kWidth);
    RebindStd2dProgram();
}

TEST_F(GlStateTest, TextureCacheBindsOnlyChanges) {
    Texture* a = Texture::CreateEmpty(4, 4, kPixelRgba8888, nullptr);
    Texture* b = Texture::CreateEmpty(4, 4, kPixelRgba8888, nullptr);
    auto param = [](GLenum name) {
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        return value;
    };
    ResetRenderStats();
    GlState::SetTexture(a, GL_CLAMP_TO_EDGE, GL_NEAREST);
    GlState::SetTexture(a, GL_CLAMP_TO_EDGE, GL_NEAREST);
    EXPECT_EQ(GetRenderStats().textureBinds, 1u);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(a->name));
    // A newly bound texture gets its parameters even when the cached pair matches.
    GlState::SetTexture(b, GL_CLAMP_TO_EDGE, GL_NEAREST);
    EXPECT_EQ(GetRenderStats().textureBinds, 2u);
    EXPECT_TRUE(param(GL_TEXTURE_MIN_FILTER) == GL_NEAREST && param(GL_TEXTURE_WRAP_T) == GL_CLAMP_TO_EDGE);
    // The same texture with another filter sets parameters without a bind.
    GlState::SetTexture(b, GL_REPEAT, GL_LINEAR);
    EXPECT_EQ(GetRenderStats().textureBinds, 2u);
    EXPECT_EQ(param(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    GlState::SetTexture(nullptr, GL_REPEAT, GL_LINEAR);
    GlState::SetTexture(nullptr, GL_REPEAT, GL_LINEAR);
    EXPECT_EQ(GetRenderStats().textureBinds, 3u);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), 0);
    Texture::Release(a);
    Texture::Release(b);
}

TEST_F(GlStateTest, ATextureAtTheAddressOfADestroyedOneIsStillBound) {
    // A pool of one block hands the second texture the first one's address.
    Allocator* pool = PoolAllocator(nullptr, 256, 1, 16, false);
    ASSERT_NE(pool, nullptr);
    Image* red = MakeImage(kPixelRgba8888, 1, 1, 32, {255, 0, 0, 255});
    Image* blue = MakeImage(kPixelRgba8888, 1, 1, 32, {0, 0, 255, 255});
    Texture* first = Texture::Create(pool);
    ASSERT_TRUE(Texture::UploadImage(first, 0, red, nullptr));
    DrawTexture(first, 0, 0, 0);
    Texture::Release(first);
    Texture* second = Texture::Create(pool);
    ASSERT_EQ(second, first);
    ASSERT_TRUE(Texture::UploadImage(second, 0, blue, nullptr));
    ResetRenderStats();
    DrawTexture(second, 0, 0, 0);
    EXPECT_EQ(GetRenderStats().textureBinds, 1u);
    EXPECT_EQ(ReadPixel(0, 0), (Rgba{0, 0, 255, 255}));
    Texture::Release(second);
    Image::Free(red);
    Image::Free(blue);
    DestroyAllocator(pool);
}

TEST_F(GlStateTest, FailedBuildsLogAndLeaveNoProgram) {
    struct Case { const char* vertex; const char* fragment; const char* logged; } cases[] = {
        {kStd2dVertexSource, "precision lowp float;\nvoid main() { gl_FragColor = undefinedThing; }\n",
         "Error: Failed to compile the fragment shader of \"broken\": "},
        {"void main() { gl_Position = nothing; }", kStd2dFragmentSource,
         "Error: Failed to compile the vertex shader of \"broken\": "},
        {"attribute vec4 a_Position;\nvoid main() { gl_Position = a_Position; }\n",
         "precision lowp float;\nvarying vec4 v_Missing;\nvoid main() { gl_FragColor = v_Missing; }\n",
         "Error: Failed to link \"broken\": "},
        {nullptr, kStd2dFragmentSource, "Error: Failed to build \"broken\""},
    };
    for (const Case& c : cases) {
        GLuint probe = glCreateProgram();
        glDeleteProgram(probe);
        LogCapture log;
        EXPECT_EQ(BuildShaderProgram("broken", c.vertex, c.fragment, nullptr), -1);
        ASSERT_EQ(log.Count(), 1u);
        const std::string line = log.Lines()[0];
        EXPECT_EQ(line.rfind(c.logged, 0), 0u) << line;
        if (c.vertex) { EXPECT_GT(line.size(), strlen(c.logged)) << "the compiler's message is logged"; }
        for (GLuint id = probe; id < probe + 4; ++id) EXPECT_FALSE(glIsProgram(id)) << id;
    }
}

TEST_F(GlStateTest, UnknownModesChangeNothing) {
    GlApplyBlendMode(2);
    GlApplyCullMode(3);
    for (int mode : {7, -1}) GlApplyBlendMode(mode);
    for (int mode : {-1, 4}) GlApplyCullMode(mode);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(GetInt(GL_BLEND_SRC_RGB) == GL_ONE && GetInt(GL_BLEND_DST_RGB) == GL_ONE);
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_FRONT_AND_BACK);
    GlState::ApplyAll();  // back to what the cache holds
}

TEST_F(GlStateTest, Std2dRectanglesArePixelExactAndMapTexelForPixel) {
    GlState::SetTextureRepeat(nullptr);
    GlState::SetBlendMode(0);
    ResetRenderStats();
    DrawStd2dRectColor(10, 20, 30, 40, 0, 0, 0, 0, ColorWord(255, 0, 0));
    const Rgba black{0, 0, 0, 255};
    EXPECT_TRUE(RectIs(10, 20, 30, 40, Rgba{255, 0, 0, 255}));
    EXPECT_TRUE(RectIs(9, 19, 32, 1, black) && RectIs(9, 60, 32, 1, black));
    EXPECT_TRUE(RectIs(9, 20, 1, 40, black) && RectIs(40, 20, 1, 40, black));
    EXPECT_TRUE(GetRenderStats().drawCalls == 1u && GetRenderStats().vertices == 4u);

    std::vector<uint8_t> texels(4 * 4 * 4);
    for (int i = 0; i < 16; ++i) {
        texels[i * 4] = static_cast<uint8_t>(i * 16), texels[i * 4 + 1] = ((i % 4 + i / 4) % 2) ? 255 : 0;
        texels[i * 4 + 2] = static_cast<uint8_t>(255 - i * 16), texels[i * 4 + 3] = 255;
    }
    Image* image = MakeImage(kPixelRgba8888, 4, 4, 32, texels);
    Texture* texture = Texture::Create(nullptr);
    ASSERT_TRUE(Texture::UploadImage(texture, 0, image, nullptr));
    DrawTexture(texture, 77, 79, 0);
    // Twice the size: every texel covers 2 x 2 pixels; then a sub-rectangle of texels.
    DrawStd2dRectColor(120, 120, 8, 8, 0, 0, 4, 4, 0xFFFFFFFFu);
    DrawStd2dRectColor(140, 140, 2, 2, 1, 2, 2, 2, 0xFFFFFFFFu);
    for (int i = 0; i < 16; ++i) {
        const int x = i % 4, y = i / 4;
        const Rgba want{texels[i * 4], texels[i * 4 + 1], texels[i * 4 + 2], 255};
        EXPECT_EQ(ReadPixel(77 + x, 79 + y), want) << x << "," << y;
        EXPECT_TRUE(RectIs(120 + 2 * x, 120 + 2 * y, 2, 2, want)) << x << "," << y;
        if (x >= 1 && x < 3 && y >= 2) { EXPECT_EQ(ReadPixel(140 + x - 1, 140 + y - 2), want) << x << "," << y; }
    }
    Texture::Release(texture);
    Image::Free(image);
}

}  // namespace
