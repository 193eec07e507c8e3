// The renderer core: capacity and the square index pattern, the camera and
// projection product, the state bracket, the blend codes and the bounds of
// the shared vertex buffer.
#include <cmath>
#include <memory>

#include "fx/gl/buffers.h"
#include "fx/gl/render_state.h"
#include "fx/gl/shader.h"
#include "fx_gl_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using FxRendererTest = FxGlTest;

TEST_F(FxRendererTest, CapacitySizesBothBuffersAndRefusesWhatIndicesCannotReach) {
    EXPECT_EQ(renderer->GetVertexBuffer()->GetSize(), 192000u);
    EXPECT_EQ(renderer->GetIndexBuffer()->GetCount(), 7200u);
    const uint16_t* indices = renderer->GetIndexBuffer()->GetIndices();
    const uint16_t square1[6] = {7, 5, 4, 7, 4, 6};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(indices[6 + i], square1[i]);
    EXPECT_EQ(indices[7199], 1199 * 4 + 2);
    for (int32_t bad : {0, -1, 16385, INT32_MAX}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(FxRenderer::Renderer::Create(bad), nullptr);
    }
}

TEST_F(FxRendererTest, CameraProjectionIsCameraTimesProjection) {
    Fx::Matrix44 camera, projection;
    camera.value[3][0] = 2.0f;       // translate x by 2
    projection.value[0][0] = 3.0f;   // then scale x by 3
    renderer->SetCameraMatrix(camera);
    renderer->SetProjectionMatrix(projection);
    renderer->BeginRendering();
    renderer->EndRendering();
    EXPECT_FLOAT_EQ(renderer->GetCameraProjectionMatrix().value[3][0], 6.0f);  // P x C would give 2
}

struct SavedGl {
    GLboolean blend, cull, depth, mask;
    GLint src, dst, srcAlpha, dstAlpha, eq, texture0, program;
};

SavedGl ReadState() {
    SavedGl s{};
    s.blend = glIsEnabled(GL_BLEND);
    s.cull = glIsEnabled(GL_CULL_FACE);
    s.depth = glIsEnabled(GL_DEPTH_TEST);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.mask);
    glGetIntegerv(GL_BLEND_SRC_RGB, &s.src);
    glGetIntegerv(GL_BLEND_DST_RGB, &s.dst);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &s.srcAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &s.dstAlpha);
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &s.eq);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture0);
    glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
    return s;
}

void ExpectSame(const SavedGl& a, const SavedGl& b) {
    EXPECT_EQ(a.blend, b.blend);
    EXPECT_EQ(a.cull, b.cull);
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_EQ(a.mask, b.mask);
    EXPECT_EQ(a.src, b.src);
    EXPECT_EQ(a.dst, b.dst);
    EXPECT_EQ(a.srcAlpha, b.srcAlpha);
    EXPECT_EQ(a.dstAlpha, b.dstAlpha);
    EXPECT_EQ(a.eq, b.eq);
    EXPECT_EQ(a.texture0, b.texture0);
    EXPECT_EQ(a.program, b.program);
}

// Two opposite starting states, each drawn over with every node renderer.
TEST_F(FxRendererTest, EndRenderingPutsBackWhatTheDrawingChanged) {
    std::unique_ptr<Fx::SpriteRenderer> sprites(renderer->CreateSpriteRenderer());
    effect.textures = {MakeTexture(1, 1, {0xFF0000FFu})};
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        (on ? glEnable : glDisable)(GL_BLEND);
        (on ? glEnable : glDisable)(GL_CULL_FACE);
        (on ? glDisable : glEnable)(GL_DEPTH_TEST);
        glDepthMask(on ? GL_FALSE : GL_TRUE);
        glBlendFuncSeparate(on ? GL_ONE : GL_DST_COLOR, GL_ZERO, GL_ONE_MINUS_DST_ALPHA, GL_SRC_ALPHA);
        glBlendEquation(on ? GL_FUNC_SUBTRACT : GL_FUNC_ADD);
        const SavedGl before = ReadState();
        renderer->BeginRendering();
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        for (int blend = 0; blend <= 4; ++blend) {
            Fx::SpriteNodeParameter node;
            node.effect = &effect;
            node.textureIndex = 0;
            node.alphaBlend = blend;
            node.depthTest = node.depthWrite = on;
            sprites->BeginBatch(node, 1, nullptr);
            sprites->AddInstance(node, SquareSprite(0.5f, Fx::Color()), nullptr);
            sprites->EndBatch(node, nullptr);
        }
        renderer->EndRendering();
        ExpectSame(ReadState(), before);
        EXPECT_TRUE(NoGlError());
    }
}

TEST_F(FxRendererTest, UnknownBlendCodeKeepsTheFactors) {
    glBlendFunc(GL_DST_ALPHA, GL_ONE_MINUS_DST_COLOR);
    glBlendEquation(GL_FUNC_SUBTRACT);
    FxRenderer::SetAlphaBlend(5);
    const SavedGl s = ReadState();
    EXPECT_TRUE(s.blend);
    EXPECT_EQ(s.eq, GL_FUNC_ADD);
    EXPECT_EQ(s.src, GL_DST_ALPHA);
    EXPECT_EQ(s.dst, GL_ONE_MINUS_DST_COLOR);
    FxRenderer::SetAlphaBlend(0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(FxRendererTest, VertexBufferRefusesSpaceBeyondItsSize) {
    FxRenderer::VertexBuffer& buffer = *renderer->GetVertexBuffer();
    buffer.Lock();
    EXPECT_NE(buffer.DirectBuffer(191000), nullptr);
    EXPECT_EQ(buffer.DirectBuffer(1001), nullptr);
    EXPECT_EQ(buffer.DirectBuffer(UINT32_MAX), nullptr);
    EXPECT_EQ(buffer.GetOffset(), 191000u);
    EXPECT_TRUE(buffer.Push("0123", 4));
    buffer.Unlock();
    buffer.Lock();
    EXPECT_EQ(buffer.GetOffset(), 0u);
    buffer.Unlock();
}

// A program that does not build logs the driver's message and gives null;
// every node renderer holds a renderer reference until it is deleted.
TEST_F(FxRendererTest, BrokenShaderGivesNullAndRenderersHoldTheRenderer) {
    LogCapture log;
    EXPECT_EQ(FxRenderer::Shader::Create(renderer, "#version 100\nvoid main() { nonsense; }", "x", "Broken"), nullptr);
    EXPECT_TRUE(log.Contains("Broken"));
    std::unique_ptr<Fx::SpriteRenderer> sprite(renderer->CreateSpriteRenderer());
    std::unique_ptr<Fx::RibbonRenderer> ribbon(renderer->CreateRibbonRenderer());
    std::unique_ptr<Fx::RingRenderer> ring(renderer->CreateRingRenderer());
    std::unique_ptr<Fx::ModelRenderer> model(renderer->CreateModelRenderer());
    ASSERT_TRUE(sprite && ribbon && ring && model);
    EXPECT_EQ(renderer->AddRef(), 6);
    EXPECT_EQ(renderer->Release(), 5);
    sprite.reset();
    ribbon.reset();
    EXPECT_EQ(renderer->AddRef(), 4);
    renderer->Release();
}

}  // namespace
