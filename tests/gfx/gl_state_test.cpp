// The render-state cache, the blend and cull modes against pixels read back,
// the start state, and shader program building.
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
#include "tests/support/temp_dir.h"

namespace {

using GlStateTest = GfxTest;

GLint GetInt(GLenum what) {
    GLint value = -1;
    glGetIntegerv(what, &value);
    return value;
}

TEST_F(GlStateTest, BlendModesMatchTheirFormulas) {
    // Source (255, 0, 0, 128) over grey 128.
    const double a = 128 / 255.0;
    const double src[3] = {1, 0, 0}, dst[3] = {128 / 255.0, 128 / 255.0, 128 / 255.0};
    auto clamp = [](double v) { return std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255); };
    for (int mode = 0; mode <= 6; ++mode) {
        ClearScreen(128, 128, 128);
        GlState::SetTextureRepeat(nullptr);
        GlState::SetBlendMode(mode);
        DrawStd2dRectColor(0, 0, kWidth, kHeight, 0, 0, 0, 0, ColorWord(255, 0, 0, 128));
        Rgba want{};
        uint8_t* out[3] = {&want.r, &want.g, &want.b};
        for (int c = 0; c < 3; ++c) {
            double v = 0;
            switch (mode) {
                case 0: v = src[c]; break;
                case 1: v = src[c] * a + dst[c] * (1 - a); break;
                case 2: v = src[c] + dst[c]; break;
                case 3: v = src[c] * a + dst[c]; break;
                case 4: v = dst[c] - src[c] * a; break;
                default: v = dst[c] * src[c]; break;
            }
            *out[c] = static_cast<uint8_t>(clamp(v));
        }
        EXPECT_TRUE(RectIs(0, 0, 4, 4, want, 1)) << "blend mode " << mode;
        EXPECT_TRUE(RectIs(kWidth - 4, kHeight - 4, 4, 4, want, 1)) << "blend mode " << mode;
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
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_TRUE(mask);
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LESS);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GetInt(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(GetRenderStats().drawCalls, 0u);
    EXPECT_EQ(GetScreenWidth(), kWidth);
    RebindStd2dProgram();
}

TEST_F(GlStateTest, TextureCacheBindsOnlyChanges) {
    Texture* a = Texture::CreateEmpty(4, 4, kPixelRgba8888, nullptr);
    Texture* b = Texture::CreateEmpty(4, 4, kPixelRgba8888, nullptr);
    ResetRenderStats();
    GlState::SetTexture(a, GL_CLAMP_TO_EDGE, GL_NEAREST);
    GlState::SetTexture(a, GL_CLAMP_TO_EDGE, GL_NEAREST);
    EXPECT_EQ(GetRenderStats().textureBinds, 1u);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(a->name));

    // A newly bound texture gets its parameters even when the cached pair matches.
    GlState::SetTexture(b, GL_CLAMP_TO_EDGE, GL_NEAREST);
    EXPECT_EQ(GetRenderStats().textureBinds, 2u);
    GLint param = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &param);
    EXPECT_EQ(param, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &param);
    EXPECT_EQ(param, GL_CLAMP_TO_EDGE);

    // The same texture with another filter sets parameters without a bind.
    GlState::SetTexture(b, GL_REPEAT, GL_LINEAR);
    EXPECT_EQ(GetRenderStats().textureBinds, 2u);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &param);
    EXPECT_EQ(param, GL_LINEAR);

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
    std::vector<uint8_t> red = {255, 0, 0, 255}, blue = {0, 0, 255, 255};
    Image* redImage = MakeImage(kPixelRgba8888, 1, 1, 32, red);
    Image* blueImage = MakeImage(kPixelRgba8888, 1, 1, 32, blue);

    Texture* first = Texture::Create(pool);
    ASSERT_TRUE(Texture::UploadImage(first, 0, redImage, nullptr));
    DrawTexture(first, 0, 0, 0);
    Texture::Release(first);
    Texture* second = Texture::Create(pool);
    ASSERT_EQ(second, first);
    ASSERT_TRUE(Texture::UploadImage(second, 0, blueImage, nullptr));
    ResetRenderStats();
    DrawTexture(second, 0, 0, 0);
    EXPECT_EQ(GetRenderStats().textureBinds, 1u);
    EXPECT_EQ(ReadPixel(0, 0), (Rgba{0, 0, 255, 255}));

    Texture::Release(second);
    Image::Free(redImage);
    Image::Free(blueImage);
    DestroyAllocator(pool);
}

const char* const kBrokenFragment = "precision lowp float;\nvoid main() { gl_FragColor = undefinedThing; }\n";
const char* const kNeedsVarying =
    "precision lowp float;\nvarying vec4 v_Missing;\nvoid main() { gl_FragColor = v_Missing; }\n";
const char* const kPlainVertex = "attribute vec4 a_Position;\nvoid main() { gl_Position = a_Position; }\n";

TEST_F(GlStateTest, FailedBuildsLogAndLeaveNoProgram) {
    struct Case { const char* vertex; const char* fragment; const char* logged; } cases[] = {
        {kStd2dVertexSource, kBrokenFragment, "Error: Failed to compile the fragment shader of \"broken\": "},
        {"void main() { gl_Position = nothing; }", kStd2dFragmentSource,
         "Error: Failed to compile the vertex shader of \"broken\": "},
        {kPlainVertex, kNeedsVarying, "Error: Failed to link \"broken\": "},
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
    GlApplyBlendMode(7);
    GlApplyBlendMode(-1);
    GlApplyCullMode(-1);
    GlApplyCullMode(4);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GetInt(GL_BLEND_SRC_RGB), GL_ONE);
    EXPECT_EQ(GetInt(GL_BLEND_DST_RGB), GL_ONE);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_FRONT_AND_BACK);
    GlState::ApplyAll();  // back to what the cache holds
}

}  // namespace
