// The renderer core: buffers, matrices and the state bracket.
#include "fx/gl/renderer.h"

#include "fx/gl/buffers.h"
#include "fx/gl/model_loader.h"
#include "fx/gl/model_renderer.h"
#include "fx/gl/ribbon_renderer.h"
#include "fx/gl/ring_renderer.h"
#include "fx/gl/sprite_renderer.h"
#include "fx/gl/texture_loader.h"
#include "gfx/gl_program.h"
#include "platform/debug_log.h"

namespace FxRenderer {

Renderer* Renderer::Create(int32_t squareMaxCount) {
    if (squareMaxCount < 1 || squareMaxCount > kMaxSquareCapacity) {
        LogError("Effect renderer: a capacity of %d squares is outside 1..%d.", squareMaxCount, kMaxSquareCapacity);
        return nullptr;
    }
    Renderer* renderer = new Renderer();
    renderer->squareMaxCount_ = squareMaxCount;
    // The renderer's own buffers hold no reference to it.
    renderer->vertexBuffer_ = VertexBuffer::Create(
        renderer, static_cast<uint32_t>(squareMaxCount) * kVertexBytesPerSquare, true, false);
    renderer->indexBuffer_ = IndexBuffer::Create(renderer, static_cast<uint32_t>(squareMaxCount) * 6, false);
    if (!renderer->vertexBuffer_ || !renderer->indexBuffer_) {
        delete renderer;
        return nullptr;
    }
    IndexBuffer& indices = *renderer->indexBuffer_;
    indices.Lock();
    for (int32_t square = 0; square < squareMaxCount; ++square) {
        uint16_t* at = indices.Push(6);
        const uint16_t b = static_cast<uint16_t>(square * 4);
        const uint16_t pattern[6] = {uint16_t(b + 3), uint16_t(b + 1), b, uint16_t(b + 3), b, uint16_t(b + 2)};
        for (int i = 0; i < 6; ++i) at[i] = pattern[i];
    }
    indices.Unlock();
    return renderer;
}

Renderer::~Renderer() = default;

int Renderer::Release() {
    int count = --referenceCount_;
    if (count == 0) delete this;
    return count;
}

bool Renderer::BeginRendering() {
    Fx::Matrix44::Multiply(cameraProjection_, camera_, projection_);
    SavedState& s = saved_;
    s.blend = glIsEnabled(GL_BLEND);
    s.cullFace = glIsEnabled(GL_CULL_FACE);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
    glGetIntegerv(GL_BLEND_SRC_RGB, &s.blendSrcRgb);
    glGetIntegerv(GL_BLEND_DST_RGB, &s.blendDstRgb);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &s.blendSrcAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &s.blendDstAlpha);
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &s.blendEquationRgb);
    glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &s.blendEquationAlpha);
    // The node renderers also bind textures on units 0 and 1, a program and
    // buffers; the engine's own state cache relies on getting them back.
    glGetIntegerv(GL_ACTIVE_TEXTURE, &s.activeTexture);
    glActiveTexture(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture1);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture0);
    glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &s.arrayBuffer);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &s.elementBuffer);
    glEnable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    return true;
}

namespace {
void SetEnabled(GLenum capability, GLboolean enabled) {
    if (enabled) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}
}  // namespace

bool Renderer::EndRendering() {
    const SavedState& s = saved_;
    SetEnabled(GL_BLEND, s.blend);
    SetEnabled(GL_CULL_FACE, s.cullFace);
    SetEnabled(GL_DEPTH_TEST, s.depthTest);
    glDepthMask(s.depthMask);
    glBlendFuncSeparate(GLenum(s.blendSrcRgb), GLenum(s.blendDstRgb), GLenum(s.blendSrcAlpha),
                        GLenum(s.blendDstAlpha));
    glBlendEquationSeparate(GLenum(s.blendEquationRgb), GLenum(s.blendEquationAlpha));
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, GLuint(s.texture1));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, GLuint(s.texture0));
    glActiveTexture(GLenum(s.activeTexture));
    GlUseProgram(s.program);
    glBindBuffer(GL_ARRAY_BUFFER, GLuint(s.arrayBuffer));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, GLuint(s.elementBuffer));
    return true;
}

Fx::SpriteRenderer* Renderer::CreateSpriteRenderer() { return SpriteRenderer::Create(this); }
Fx::RibbonRenderer* Renderer::CreateRibbonRenderer() { return RibbonRenderer::Create(this); }
Fx::RingRenderer* Renderer::CreateRingRenderer() { return RingRenderer::Create(this); }
Fx::ModelRenderer* Renderer::CreateModelRenderer() { return ModelRenderer::Create(this); }
Fx::TextureLoader* Renderer::CreateTextureLoader(Fx::FileInterface* files) { return new TextureLoader(files); }
Fx::ModelLoader* Renderer::CreateModelLoader(Fx::FileInterface* files) { return new ModelLoader(files); }

}  // namespace FxRenderer
