// The renderer core: capacity and the square index pattern, the camera and
// projection product, the state bracket and the bounds of the shared vertex
// buffer.
#include <vector>

#include "fx/gl/buffers.h"
#include "fx/gl/shader.h"
#include "fx_gl_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using FxRendererTest = FxGlTest;

TEST_F(FxRendererTest, CapacitySizesBothBuffersAndRefusesWhatIndicesCannotReach) {
    EXPECT_EQ(renderer->GetVertexBuffer()->GetSize(), 192000u);
    EXPECT_EQ(renderer->GetIndexBuffer()->GetCount(), 7200u);
    const uint16_t* indices = renderer->GetIndexBuffer()->GetIndices();
    EXPECT_EQ(std::vector<uint16_t>(indices + 6, indices + 12), std::vector<uint16_t>({7, 5, 4, 7, 4, 6}));
    EXPECT_EQ(indices[7199], 1199 * 4 + 2);
    for (int32_t bad : {0, -1, 16385, INT32_MAX}) EXPECT_EQ(FxRenderer::Renderer::Create(bad), nullptr) << bad;
}

TEST_F(FxRendererTest, CameraProjectionIsCameraTimesProjection) {
    Fx::Matrix44 camera, projection;
    camera.value[3][0] = 2.0f;      // translate x by 2
    projection.value[0][0] = 3.0f;  // then scale x by 3
    renderer->SetCameraMatrix(camera);
    renderer->SetProjectionMatrix(projection);
    renderer->BeginRendering();
    EXPECT_FLOAT_EQ(renderer->GetCameraProjectionMatrix().value[3][0], 6.0f);  // P x C would give 2
}

// What the bracket must put back, as one list of values.
std::vector<GLint> ReadState() {
    std::vector<GLint> state;
    for (GLenum capability : {GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST}) state.push_back(glIsEnabled(capability));
    for (GLenum name : {GL_DEPTH_WRITEMASK, GL_BLEND_SRC_RGB, GL_BLEND_DST_RGB, GL_BLEND_SRC_ALPHA, GL_BLEND_DST_ALPHA,
                        GL_BLEND_EQUATION_RGB, GL_TEXTURE_BINDING_2D, GL_CURRENT_PROGRAM}) {
        state.push_back(0);
        glGetIntegerv(name, &state.back());
    }
    return state;
}

// Two opposite starting states, each drawn over with a texture, the node's
// depth flags and every blend mode: a sprite of (200, 50, 0) at alpha 128 over
// (100, 100, 100). An unknown code (5) keeps the factors the multiply set.
TEST_F(FxRendererTest, BlendModesDrawAndEndRenderingPutsBackWhatTheyChanged) {
    const Rgba expected[6] = {{200, 50, 0, 255}, {150, 75, 50, 255}, {200, 125, 100, 255},
                              {0, 75, 100, 255}, {78, 20, 0, 255},   {78, 20, 0, 255}};
    effect.textures = {MakeTexture(1, 1, {0xFFFFFFFFu})};
    Fx::SpriteNodeParameter node;
    node.effect = &effect;
    node.textureIndex = 0;
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        (on ? glEnable : glDisable)(GL_BLEND);
        (on ? glEnable : glDisable)(GL_CULL_FACE);
        (on ? glDisable : glEnable)(GL_DEPTH_TEST);
        glDepthMask(on ? GL_FALSE : GL_TRUE);
        glBlendFuncSeparate(on ? GL_ONE : GL_DST_COLOR, GL_ZERO, GL_ONE_MINUS_DST_ALPHA, GL_SRC_ALPHA);
        glBlendEquation(on ? GL_FUNC_SUBTRACT : GL_FUNC_ADD);
        const std::vector<GLint> before = ReadState();
        renderer->BeginRendering();
        EXPECT_TRUE(glIsEnabled(GL_BLEND) && !glIsEnabled(GL_CULL_FACE));
        node.depthTest = node.depthWrite = on;
        for (node.alphaBlend = 0; node.alphaBlend <= 5; ++node.alphaBlend) {
            glClearColor(100 / 255.0f, 100 / 255.0f, 100 / 255.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            DrawBatch(*sprites, node, std::vector<Fx::SpriteInstanceParameter>{SquareSprite(1.0f, Fx::Color(200, 50, 0, 128))});
            EXPECT_TRUE(RectIs(0, kTop, kView, kView, expected[node.alphaBlend], 2)) << node.alphaBlend;
        }
        renderer->EndRendering();
        EXPECT_EQ(ReadState(), before);
        EXPECT_TRUE(NoGlError());
    }
}

TEST_F(FxRendererTest, VertexBufferRefusesSpaceBeyondItsSizeAndBrokenShadersGiveNull) {
    FxRenderer::VertexBuffer& buffer = *renderer->GetVertexBuffer();
    buffer.Lock();
    EXPECT_NE(buffer.DirectBuffer(191996), nullptr);
    EXPECT_EQ(buffer.DirectBuffer(5), nullptr);
    EXPECT_EQ(buffer.DirectBuffer(UINT32_MAX), nullptr);
    EXPECT_TRUE(buffer.Push("0123", 4));
    buffer.Unlock();

    LogCapture log;  // the driver's message names the program
    EXPECT_EQ(FxRenderer::Shader::Create(renderer, "#version 100\nvoid main() { nonsense; }", "x", "Broken"), nullptr);
    EXPECT_TRUE(log.Contains("Broken"));
}

}  // namespace
