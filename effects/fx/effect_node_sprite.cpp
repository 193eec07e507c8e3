#include "fx/effect_node_sprite.h"

#include "fx/byte_reader.h"
#include "fx/effect.h"
#include "fx/instance.h"
#include "fx/manager.h"
#include "fx/parameter_read.h"

namespace Fx {

void EffectNodeSprite::LoadTypeRecord(ByteReader& reader, int32_t version) {
    reader.Skip(4);
    drawOrder = reader.ReadInt();
    blend = version < 3 ? reader.ReadInt() : rendererCommon.blend;
    billboard = reader.ReadInt();
    ReadAllColor(reader, version, allColor);
    vertexColorKind = reader.ReadInt();
    if (vertexColorKind == kVertexColorFixed) {
        for (Color& color : vertexColors) Read(reader, color);
    }
    vertexPositionKind = reader.ReadInt();
    if (vertexPositionKind == kVertexPositionFixed) {
        for (Vector2D& point : vertexPositions) Read(reader, point);
    }
    textureIndex = version < 3 ? reader.ReadInt() : rendererCommon.textureIndex;
}

}  // namespace Fx

namespace Fx {

namespace {
SpriteRenderer* Renderer(const EffectNode& node) {
    Manager* manager = node.GetManager();
    return manager == nullptr ? nullptr : manager->GetSpriteRenderer();
}
}  // namespace

SpriteNodeParameter EffectNodeSprite::MakeParameter() const {
    SpriteNodeParameter parameter;
    FillRendererParameter(parameter);
    parameter.textureIndex = textureIndex;
    parameter.alphaBlend = blend;
    parameter.billboard = billboard;
    return parameter;
}

void EffectNodeSprite::InitializeRenderer() {
    if (SpriteRenderer* renderer = Renderer(*this)) renderer->LoadRenderer(MakeParameter(), rendererData);
}

void EffectNodeSprite::FinalizeRenderer() {
    if (SpriteRenderer* renderer = Renderer(*this)) renderer->RemoveRenderer(MakeParameter(), rendererData);
}

void EffectNodeSprite::BeginDrawing(int32_t count) {
    if (SpriteRenderer* renderer = Renderer(*this)) renderer->BeginBatch(MakeParameter(), count, rendererData);
}

void EffectNodeSprite::EndDrawing() {
    if (SpriteRenderer* renderer = Renderer(*this)) renderer->EndBatch(MakeParameter(), rendererData);
}

void EffectNodeSprite::InitializeInstanceValues(Instance& instance) {
    allColor.InitializeValues(instance.drawValues.all, *GetManager(), instance.GetLife());
}

void EffectNodeSprite::UpdateInstanceValues(Instance& instance) {
    allColor.UpdateValues(instance.drawValues.all, instance.GetLivingTime(), instance.GetLife());
}

void EffectNodeSprite::DrawInstance(Instance& instance) {
    SpriteRenderer* renderer = Renderer(*this);
    if (renderer == nullptr) return;
    SpriteInstanceParameter parameter;
    const Color color = instance.drawValues.all.color;
    const float fade = GetFadeAlpha(instance.GetLivingTime(), instance.GetLife());
    static const Vector2D kCorners[4] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}};
    for (int i = 0; i < 4; ++i) {
        Color corner = vertexColorKind == kVertexColorFixed ? Color::Multiply(color, vertexColors[i]) : color;
        parameter.colors[i] = FadeColor(corner, fade);
        parameter.positions[i] = vertexPositionKind == kVertexPositionFixed ? vertexPositions[i] : kCorners[i];
    }
    parameter.allColor = color;
    parameter.matrix = instance.GetGlobalMatrix43();
    parameter.uv = instance.GetUV();
    renderer->AddInstance(MakeParameter(), parameter, rendererData);
}

}  // namespace Fx
