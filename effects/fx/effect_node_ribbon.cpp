#include "fx/effect_node_ribbon.h"

#include "fx/byte_reader.h"
#include "fx/effect.h"
#include "fx/instance.h"
#include "fx/manager.h"
#include "fx/parameter_read.h"

namespace Fx {

void EffectNodeRibbon::LoadTypeRecord(ByteReader& reader, int32_t version) {
    reader.Skip(4);
    blend = version < 3 ? reader.ReadInt() : rendererCommon.blend;
    viewDependent = reader.ReadInt();
    colorKind = reader.ReadInt();
    switch (colorKind) {
        case kRibbonColorFixed: Read(reader, fixedColor); break;
        case kRibbonColorRandom: ReadRandomColor(reader, version, randomColor); break;
        case kRibbonColorEasing: ReadEasingColor(reader, version, easingColor); break;
        default: break;
    }
    vertexColorKind = reader.ReadInt();
    if (vertexColorKind == kVertexColorFixed) {
        for (Color& color : vertexColors) Read(reader, color);
    }
    vertexPositionKind = reader.ReadInt();
    if (vertexPositionKind == kVertexPositionFixed) {
        for (float& position : vertexPositions) position = reader.ReadFloat();
    }
    textureIndex = version < 3 ? reader.ReadInt() : rendererCommon.textureIndex;
}

}  // namespace Fx

namespace Fx {

namespace {
RibbonRenderer* Renderer(const EffectNode& node) {
    Manager* manager = node.GetManager();
    return manager == nullptr ? nullptr : manager->GetRibbonRenderer();
}
}  // namespace

void EffectNodeRibbon::InitializeRenderer() {
    RibbonRenderer* renderer = Renderer(*this);
    if (renderer == nullptr) return;
    FillRendererParameter(nodeParameter);
    nodeParameter.textureIndex = textureIndex;
    nodeParameter.alphaBlend = blend;
    nodeParameter.viewDependent = viewDependent != 0;
    renderer->LoadRenderer(nodeParameter, rendererData);
}

void EffectNodeRibbon::FinalizeRenderer() {
    if (RibbonRenderer* renderer = Renderer(*this)) renderer->RemoveRenderer(nodeParameter, rendererData);
}

void EffectNodeRibbon::BeginDrawing(int32_t count) {
    if (RibbonRenderer* renderer = Renderer(*this)) renderer->BeginBatch(nodeParameter, count, rendererData);
}

void EffectNodeRibbon::BeginDrawingGroup(int32_t count) {
    if (Renderer(*this) == nullptr) return;
    instanceParameter.instanceCount = count;
    instanceParameter.instanceIndex = 0;
}

void EffectNodeRibbon::EndDrawing() {
    if (RibbonRenderer* renderer = Renderer(*this)) renderer->EndBatch(nodeParameter, rendererData);
}

// An eased ribbon colour is evaluated at creation too, so a point drawn
// before its first step shows its start colour rather than white.
void EffectNodeRibbon::InitializeInstanceValues(Instance& instance) {
    AllColorValues& values = instance.drawValues.all;
    const Manager& manager = *GetManager();
    switch (colorKind) {
    case kRibbonColorFixed:
        values.color = fixedColor;
        break;
    case kRibbonColorRandom:
        values.color = randomColor.Draw(manager);
        break;
    case kRibbonColorEasing:
        values.start = easingColor.start.DrawRaw(manager);
        values.end = easingColor.end.DrawRaw(manager);
        values.color = easingColor.Evaluate(values.start, values.end, 0.0f);
        break;
    default:
        break;
    }
}

void EffectNodeRibbon::UpdateInstanceValues(Instance& instance) {
    AllColorValues& values = instance.drawValues.all;
    if (colorKind == kRibbonColorEasing)
        values.color = easingColor.Evaluate(values.start, values.end,
                                            TimeFraction(instance.GetLivingTime(), instance.GetLife()));
}

void EffectNodeRibbon::DrawInstance(Instance& instance) {
    RibbonRenderer* renderer = Renderer(*this);
    if (renderer == nullptr) return;
    const Color color = instance.drawValues.all.color;
    instanceParameter.allColor = color;
    instanceParameter.matrix = instance.GetGlobalMatrix43();
    const float fade = GetFadeAlpha(instance.GetLivingTime(), instance.GetLife());
    for (int i = 0; i < 2; ++i) {
        Color side = vertexColorKind == kVertexColorFixed ? Color::Multiply(color, vertexColors[i]) : color;
        instanceParameter.colors[i] = FadeColor(side, fade);
    }
    if (vertexPositionKind == kVertexPositionDefault) {
        instanceParameter.positions[0] = -0.5f;
        instanceParameter.positions[1] = 0.5f;
    } else if (vertexPositionKind == kVertexPositionFixed) {
        instanceParameter.positions[0] = vertexPositions[0];
        instanceParameter.positions[1] = vertexPositions[1];
    }
    renderer->AddInstance(nodeParameter, instanceParameter, rendererData);
    ++instanceParameter.instanceIndex;
}

}  // namespace Fx
