#include "fx/effect_node_model.h"

#include "fx/byte_reader.h"
#include "fx/effect.h"
#include "fx/instance.h"
#include "fx/manager.h"
#include "fx/parameter_read.h"

namespace Fx {

void EffectNodeModel::LoadTypeRecord(ByteReader& reader, int32_t version) {
    reader.Skip(4);
    if (version >= 7) magnification = reader.ReadFloat();
    modelIndex = reader.ReadInt();
    normalTextureIndex = reader.ReadInt();
    lighting = reader.ReadInt() > 0;
    culling = reader.ReadInt();
    ReadAllColor(reader, version, allColor);
}

}  // namespace Fx

namespace Fx {

namespace {
ModelRenderer* Renderer(const EffectNode& node) {
    Manager* manager = node.GetManager();
    return manager == nullptr ? nullptr : manager->GetModelRenderer();
}
}  // namespace

ModelNodeParameter EffectNodeModel::MakeParameter() const {
    ModelNodeParameter parameter;
    FillRendererParameter(parameter);
    parameter.alphaBlend = rendererCommon.blend;
    parameter.lighting = lighting;
    parameter.culling = culling;
    parameter.modelIndex = modelIndex;
    parameter.colorTextureIndex = rendererCommon.textureIndex;
    parameter.normalTextureIndex = normalTextureIndex;
    parameter.magnification = magnification;
    Manager* manager = GetManager();
    parameter.isRightHand = manager != nullptr && manager->GetCoordinateSystem() == kCoordinateSystemRightHanded;
    return parameter;
}

void EffectNodeModel::InitializeRenderer() {
    if (ModelRenderer* renderer = Renderer(*this)) renderer->LoadRenderer(MakeParameter(), rendererData);
}

void EffectNodeModel::FinalizeRenderer() {
    if (ModelRenderer* renderer = Renderer(*this)) renderer->RemoveRenderer(MakeParameter(), rendererData);
}

void EffectNodeModel::BeginDrawing(int32_t count) {
    if (ModelRenderer* renderer = Renderer(*this)) renderer->BeginBatch(MakeParameter(), count, rendererData);
}

void EffectNodeModel::EndDrawing() {
    if (ModelRenderer* renderer = Renderer(*this)) renderer->EndBatch(MakeParameter(), rendererData);
}

void EffectNodeModel::InitializeInstanceValues(Instance& instance) {
    allColor.InitializeValues(instance.drawValues.all, *GetManager(), instance.GetLife());
}

void EffectNodeModel::UpdateInstanceValues(Instance& instance) {
    allColor.UpdateValues(instance.drawValues.all, instance.GetLivingTime(), instance.GetLife());
}

void EffectNodeModel::DrawInstance(Instance& instance) {
    ModelRenderer* renderer = Renderer(*this);
    if (renderer == nullptr) return;
    ModelInstanceParameter parameter;
    parameter.matrix = instance.GetGlobalMatrix43();
    parameter.uv = instance.GetUV();
    parameter.allColor =
        FadeColor(instance.drawValues.all.color, GetFadeAlpha(instance.GetLivingTime(), instance.GetLife()));
    renderer->AddInstance(MakeParameter(), parameter, rendererData);
}

}  // namespace Fx
