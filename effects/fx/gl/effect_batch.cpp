// The shared effect shader and the batch draw.
#include "fx/gl/effect_batch.h"

#include "fx/effect.h"
#include "fx/gl/buffers.h"
#include "fx/gl/render_state.h"
#include "fx/gl/renderer.h"

namespace FxRenderer {

namespace {

const char kVertexSource[] = R"(#version 100
attribute vec4 atPosition;
attribute vec4 atColor;
attribute vec4 atTexCoord;
uniform mat4 uMatProjection;
varying vec4 vaColor;
varying vec4 vaTexCoord;
void main() {
    gl_Position = uMatProjection * atPosition;
    vaColor = atColor;
    vaTexCoord = atTexCoord;
}
)";

const char kFragmentSource[] = R"(#version 100
precision mediump float;
varying lowp vec4 vaColor;
varying mediump vec4 vaTexCoord;
uniform sampler2D uTexture0;
uniform bool uTexEnable;
void main() {
    if (uTexEnable) {
        gl_FragColor = vaColor * texture2D(uTexture0, vaTexCoord.xy);
    } else {
        gl_FragColor = vaColor;
    }
}
)";

const ShaderAttribInfo kAttribs[3] = {
    {"atPosition", GL_FLOAT, 3, 0, GL_FALSE},
    {"atColor", GL_UNSIGNED_BYTE, 4, 12, GL_TRUE},
    {"atTexCoord", GL_FLOAT, 2, 16, GL_FALSE},
};

}  // namespace

std::unique_ptr<EffectBatch> EffectBatch::Create(Renderer* renderer, const char* name) {
    std::unique_ptr<Shader> shader = Shader::Create(renderer, kVertexSource, kFragmentSource, name);
    if (!shader) return nullptr;
    return std::unique_ptr<EffectBatch>(new EffectBatch(renderer, std::move(shader)));
}

EffectBatch::EffectBatch(Renderer* renderer, std::unique_ptr<Shader> shader)
    : renderer_(renderer), shader_(std::move(shader)) {
    shader_->GetAttribIdList(3, kAttribs, attribIds_);
    projectionId_ = shader_->GetUniformId("uMatProjection");
    textureId_ = shader_->GetUniformId("uTexture0");
    textureEnableId_ = shader_->GetUniformId("uTexEnable");
}

void EffectBatch::Begin() {
    squareCount_ = 0;
    renderer_->GetVertexBuffer()->Lock();
}

EffectVertex* EffectBatch::TakeSquares(int64_t count) {
    if (count < 1 || count > renderer_->GetSquareMaxCount() - squareCount_) return nullptr;
    uint8_t* at = renderer_->GetVertexBuffer()->DirectBuffer(uint32_t(count) * 4 * sizeof(EffectVertex));
    if (!at) return nullptr;
    squareCount_ += int32_t(count);
    return reinterpret_cast<EffectVertex*>(at);
}

void EffectBatch::End(const BatchDrawState& state, const Fx::Matrix44& projection) {
    VertexBuffer* vertices = renderer_->GetVertexBuffer();
    vertices->Unlock();
    if (squareCount_ == 0) return;

    shader_->Begin();
    SetDepthTest(state.depthTest);
    SetDepthWrite(state.depthWrite);
    // An index with no loaded texture draws the vertex colours alone.
    void* texture = state.textureIndex >= 0 && state.effect ? state.effect->GetTexture(state.textureIndex) : nullptr;
    glActiveTexture(GL_TEXTURE0);
    BindEffectTexture(texture);
    if (texture) SetTextureFilterWrap(state.textureFilter, state.textureWrap);
    glUniform1i(textureId_, 0);
    glUniform1i(textureEnableId_, texture ? 1 : 0);
    glUniformMatrix4fv(projectionId_, 1, GL_FALSE, &projection.value[0][0]);
    SetAlphaBlend(state.alphaBlend);

    glBindBuffer(GL_ARRAY_BUFFER, vertices->GetName());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, renderer_->GetIndexBuffer()->GetName());
    Shader::EnableAttribs(3, attribIds_);
    Shader::SetVertex(3, kAttribs, attribIds_, sizeof(EffectVertex), 0);
    glDrawElements(GL_TRIANGLES, squareCount_ * 6, GL_UNSIGNED_SHORT, nullptr);
    Shader::DisableAttribs(3, attribIds_);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    shader_->End();
}

}  // namespace FxRenderer
