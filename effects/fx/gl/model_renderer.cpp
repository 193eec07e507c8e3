// The model renderer and its shader. Vertices are the model file's 56-byte
// layout; the matrices are row-vector matrices uploaded as they lie.
#include "fx/gl/model_renderer.h"

#include "fx/effect.h"
#include "fx/gl/model_loader.h"
#include "fx/gl/render_state.h"
#include "fx/gl/renderer.h"

namespace FxRenderer {

namespace {

const char kVertexSource[] = R"(#version 100
precision mediump float;
attribute vec3 a_Position;
attribute vec3 a_Normal;
attribute vec3 a_Binormal;
attribute vec3 a_Tangent;
attribute vec2 a_TexCoord;
uniform mat4 ProjectionMatrix;
uniform mat4 ModelMatrix;
uniform vec4 UVOffset;
uniform vec4 ModelColor;
uniform vec3 LightDirection;
uniform vec4 LightColor;
uniform bool LightingEnable;
uniform bool NormalMapEnable;
varying vec4 vColor;
varying vec2 vTexCoord;
varying vec3 vNormal;
varying vec3 vBinormal;
varying vec3 vTangent;
void main() {
    gl_Position = ProjectionMatrix * ModelMatrix * vec4(a_Position, 1.0);
    vTexCoord = a_TexCoord + UVOffset.xy;
    vColor = ModelColor;
    vNormal = vec3(0.0, 0.0, 1.0);
    vBinormal = vec3(0.0, 1.0, 0.0);
    vTangent = vec3(1.0, 0.0, 0.0);
    if (LightingEnable) {
        vNormal = normalize((ModelMatrix * vec4(a_Normal, 0.0)).xyz);
        vBinormal = normalize((ModelMatrix * vec4(a_Binormal, 0.0)).xyz);
        vTangent = normalize((ModelMatrix * vec4(a_Tangent, 0.0)).xyz);
        float diffuse = NormalMapEnable ? 1.0 : max(0.0, dot(vNormal, LightDirection));
        vColor = ModelColor * vec4(diffuse * LightColor.rgb, 1.0);
    }
}
)";

const char kFragmentSource[] = R"(#version 100
precision mediump float;
uniform sampler2D ColorTexture;
uniform sampler2D NormalTexture;
uniform vec3 LightDirection;
uniform vec4 LightAmbient;
uniform bool TextureEnable;
uniform bool LightingEnable;
uniform bool NormalMapEnable;
varying vec4 vColor;
varying vec2 vTexCoord;
varying vec3 vNormal;
varying vec3 vBinormal;
varying vec3 vTangent;
void main() {
    float diffuse = 1.0;
    if (LightingEnable && NormalMapEnable) {
        vec3 local = (texture2D(NormalTexture, vTexCoord).xyz - 0.5) * 2.0;
        vec3 normal = normalize(mat3(vTangent, vBinormal, vNormal) * local);
        diffuse = max(0.0, dot(normal, LightDirection));
    }
    vec4 color = vColor;
    if (TextureEnable) color = color * texture2D(ColorTexture, vTexCoord);
    color.rgb = color.rgb * diffuse;
    if (LightingEnable) color.rgb = color.rgb + LightAmbient.rgb;
    gl_FragColor = color;
}
)";

const ShaderAttribInfo kAttribs[5] = {
    {"a_Position", GL_FLOAT, 3, 0, GL_FALSE},  {"a_Normal", GL_FLOAT, 3, 12, GL_FALSE},
    {"a_Binormal", GL_FLOAT, 3, 24, GL_FALSE}, {"a_Tangent", GL_FLOAT, 3, 36, GL_FALSE},
    {"a_TexCoord", GL_FLOAT, 2, 48, GL_FALSE},
};
constexpr int kModelStride = 56;

enum Uniform {
    kProjectionMatrix, kModelMatrix, kUvOffset, kModelColor, kColorTexture, kNormalTexture,
    kLightDirection, kLightColor, kLightAmbient, kTextureEnable, kLightingEnable, kNormalMapEnable,
};
const char* const kUniformNames[12] = {
    "ProjectionMatrix", "ModelMatrix",   "UVOffset",     "ModelColor",    "ColorTexture",   "NormalTexture",
    "LightDirection",   "LightColor",    "LightAmbient", "TextureEnable", "LightingEnable", "NormalMapEnable",
};

void SetColorUniform(GLint id, const Fx::Color& c) {
    const float k = 1.0f / 255.0f;
    glUniform4f(id, c.r * k, c.g * k, c.b * k, c.a * k);
}

}  // namespace

ModelRenderer* ModelRenderer::Create(Renderer* renderer) {
    std::unique_ptr<Shader> shader = Shader::Create(renderer, kVertexSource, kFragmentSource, "ModelRenderer");
    return shader ? new ModelRenderer(renderer, std::move(shader)) : nullptr;
}

ModelRenderer::ModelRenderer(Renderer* renderer, std::unique_ptr<Shader> shader)
    : renderer_(renderer), shader_(std::move(shader)) {
    shader_->GetAttribIdList(5, kAttribs, attribIds_);
    shader_->GetUniformIdList(12, kUniformNames, uniformIds_);
}

void ModelRenderer::BeginBatch(const Fx::ModelNodeParameter&, int32_t, void*) {
    matrices_.clear();
    uvs_.clear();
    colors_.clear();
}

void ModelRenderer::AddInstance(const Fx::ModelNodeParameter& parameter, const Fx::ModelInstanceParameter& instance,
                                void*) {
    Fx::Matrix44 matrix;
    matrix.SetFrom(instance.matrix);
    if (parameter.magnification != 1.0f) {
        Fx::Matrix44 scaling;
        for (int i = 0; i < 3; ++i) scaling.value[i][i] = parameter.magnification;
        Fx::Matrix44::Multiply(matrix, matrix, scaling);
    }
    if (!parameter.isRightHand) {
        Fx::Matrix44 mirror;
        mirror.value[2][2] = -1.0f;
        Fx::Matrix44::Multiply(matrix, matrix, mirror);
    }
    matrices_.push_back(matrix);
    uvs_.push_back(instance.uv);
    colors_.push_back(instance.allColor);
}

void ModelRenderer::BindTexture(const Fx::ModelNodeParameter& parameter, int32_t index, int unit) {
    void* texture = parameter.effect->GetTexture(index);  // null for -1 or any index out of range
    const bool color = unit == 0;
    glUniform1i(uniformIds_[color ? kTextureEnable : kNormalMapEnable], texture ? 1 : 0);
    if (!texture) return;
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    BindEffectTexture(texture);
    SetTextureFilterWrap(parameter.textureFilter, parameter.textureWrap);
    glUniform1i(uniformIds_[color ? kColorTexture : kNormalTexture], unit);
    glActiveTexture(GL_TEXTURE0);
}

void ModelRenderer::EndBatch(const Fx::ModelNodeParameter& parameter, void*) {
    if (matrices_.empty() || parameter.modelIndex < 0 || !parameter.effect) return;
    const ModelBuffers* model = ModelLoader::FromHandle(parameter.effect->GetModel(parameter.modelIndex));
    if (!model || model->indexCount == 0) return;

    shader_->Begin();
    SetDepthTest(parameter.depthTest);
    SetDepthWrite(parameter.depthWrite);
    SetCullingType(parameter.culling);
    SetAlphaBlend(parameter.alphaBlend);
    BindTexture(parameter, parameter.colorTextureIndex, 0);
    BindTexture(parameter, parameter.normalTextureIndex, 1);
    if (parameter.lighting) {
        Fx::Vector3D direction;
        Fx::Vector3D::Normalize(direction, renderer_->GetLightDirection());
        glUniform3f(uniformIds_[kLightDirection], direction.x, direction.y, direction.z);
        SetColorUniform(uniformIds_[kLightColor], renderer_->GetLightColor());
        SetColorUniform(uniformIds_[kLightAmbient], renderer_->GetLightAmbientColor());
    }
    glUniform1i(uniformIds_[kLightingEnable], parameter.lighting ? 1 : 0);
    glUniformMatrix4fv(uniformIds_[kProjectionMatrix], 1, GL_FALSE,
                       &renderer_->GetCameraProjectionMatrix().value[0][0]);

    glBindBuffer(GL_ARRAY_BUFFER, model->vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, model->indexBuffer);
    Shader::EnableAttribs(5, attribIds_);
    Shader::SetVertex(5, kAttribs, attribIds_, kModelStride, 0);
    for (size_t i = 0; i < matrices_.size(); ++i) {
        glUniformMatrix4fv(uniformIds_[kModelMatrix], 1, GL_FALSE, &matrices_[i].value[0][0]);
        glUniform4f(uniformIds_[kUvOffset], uvs_[i].x, uvs_[i].y, uvs_[i].width, uvs_[i].height);
        SetColorUniform(uniformIds_[kModelColor], colors_[i]);
        glDrawElements(GL_TRIANGLES, model->indexCount, model->indexType, nullptr);
    }
    Shader::DisableAttribs(5, attribIds_);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisable(GL_CULL_FACE);
    shader_->End();
}

}  // namespace FxRenderer
