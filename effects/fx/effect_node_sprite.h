// A node whose instances are each drawn as one textured quad.
#pragma once

#include "fx/all_color_parameter.h"
#include "fx/effect_node.h"
#include "fx/fx_renderers.h"

namespace Fx {

enum VertexColorKind : int32_t { kVertexColorNone = 0, kVertexColorFixed = 1 };
enum VertexPositionKind : int32_t { kVertexPositionDefault = 0, kVertexPositionFixed = 1 };

class EffectNodeSprite : public EffectNode {
public:
    explicit EffectNodeSprite(Effect* effect) : EffectNode(effect) {}
    NodeType GetType() const override { return kNodeSprite; }

    void InitializeRenderer() override;
    void FinalizeRenderer() override;
    void BeginDrawing(int32_t count) override;
    void DrawInstance(Instance& instance) override;
    void EndDrawing() override;
    void InitializeInstanceValues(Instance& instance) override;
    void UpdateInstanceValues(Instance& instance) override;
    SpriteNodeParameter MakeParameter() const;

    // The renderer-common block's from format version 3 on, the record's own
    // before.
    int32_t blend = 0;
    int32_t textureIndex = 0;
    int32_t billboard = 0;
    AllColorParameter allColor;
    int32_t vertexColorKind = kVertexColorNone;
    // Lower left, lower right, upper left, upper right, multiplied into the
    // instance colour per corner.
    Color vertexColors[4];
    int32_t vertexPositionKind = kVertexPositionDefault;
    Vector2D vertexPositions[4];  // same corner order

protected:
    void LoadTypeRecord(ByteReader& reader, int32_t version) override;
};

}  // namespace Fx
