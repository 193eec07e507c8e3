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

}  // namespace FxWriter
