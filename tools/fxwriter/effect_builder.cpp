#include "effect_builder.h"

namespace FxWriter {

void EffectBuilder::SetDefaults(Fx::EffectNode& node) {
    node.common.maxGeneration = 1;
    node.common.life.max = node.common.life.min = 60;
    node.common.removeOnLifeEnd = 1;
    node.common.removeWithParent = 1;
    node.common.generationInterval = 1.0f;
    node.rendererCommon.textureIndex = -1;
    node.rendererCommon.blend = 1;
    node.rendererCommon.depthTest = true;
}

Fx::EffectNode& EffectBuilder::Add(Fx::EffectNode& parent, int32_t type) {
    std::unique_ptr<Fx::EffectNode> node = Fx::EffectNode::MakeNode(type, nullptr);
    if (node == nullptr || type == Fx::kNodeRoot) node = std::make_unique<Fx::EffectNode>(nullptr);
    SetDefaults(*node);
    parent.children.push_back(std::move(node));
    return *parent.children.back();
}

}  // namespace FxWriter
