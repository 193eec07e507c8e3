// A node whose instances are each drawn as a copy of one of the effect's
// models, tinted by the instance colour and optionally lit. Blend and colour
// texture always come from the renderer-common block.
#pragma once

#include "fx/all_color_parameter.h"
#include "fx/effect_node.h"
#include "fx/fx_renderers.h"

namespace Fx {

class EffectNodeModel : public EffectNode {
public:
    explicit EffectNodeModel(Effect* effect) : EffectNode(effect) {}
    NodeType GetType() const override { return kNodeModel; }

    void InitializeRenderer() override;
    void FinalizeRenderer() override;
    void BeginDrawing(int32_t count) override;
    void DrawInstance(Instance& instance) override;
    void EndDrawing() override;
    void InitializeInstanceValues(Instance& instance) override;
    void UpdateInstanceValues(Instance& instance) override;
    ModelNodeParameter MakeParameter() const;

    float magnification = 1.0f;  // from format version 7 on
    int32_t modelIndex = 0;      // negative: nothing is drawn
    int32_t normalTextureIndex = 0;  // negative: no normal map
    bool lighting = false;       // the record's value above 0
    int32_t culling = 0;         // 0 front, 1 back, 2 both
    AllColorParameter allColor;

protected:
    void LoadTypeRecord(ByteReader& reader, int32_t version) override;
};

}  // namespace Fx
