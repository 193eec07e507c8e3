// A node whose instances of one group are drawn together as a band: each
// instance gives a cross-section of a left and a right point.
#pragma once

#include "fx/color.h"
#include "fx/effect_node.h"
#include "fx/fx_renderers.h"
#include "fx/effect_node_sprite.h"

namespace Fx {

// The ribbon's colour has no curve form.
enum RibbonColorKind : int32_t { kRibbonColorFixed = 0, kRibbonColorRandom = 1, kRibbonColorEasing = 2 };

class EffectNodeRibbon : public EffectNode {
public:
    explicit EffectNodeRibbon(Effect* effect) : EffectNode(effect) {}
    NodeType GetType() const override { return kNodeRibbon; }

    void InitializeRenderer() override;
    void FinalizeRenderer() override;
    void BeginDrawing(int32_t count) override;
    void DrawInstance(Instance& instance) override;
    void EndDrawing() override;
    void InitializeInstanceValues(Instance& instance) override;
    void UpdateInstanceValues(Instance& instance) override;
    void BeginDrawingGroup(int32_t count) override;

    // Built when the renderer is set up and kept; the instance record
    // counts the points of the group being drawn.
    RibbonNodeParameter nodeParameter;
    RibbonInstanceParameter instanceParameter;

    // The renderer-common block's from format version 3 on, the record's own
    // before.
    int32_t blend = 0;
    int32_t textureIndex = 0;
    int32_t viewDependent = 0;  // non-zero: the band faces the viewer
    int32_t colorKind = kRibbonColorFixed;
    Color fixedColor;
    RandomColor randomColor;
    EasingColor easingColor;
    int32_t vertexColorKind = kVertexColorNone;
    Color vertexColors[2];  // left, right
    int32_t vertexPositionKind = kVertexPositionDefault;
    float vertexPositions[2] = {-0.5f, 0.5f};  // left, right, across the band

protected:
    void LoadTypeRecord(ByteReader& reader, int32_t version) override;
};

}  // namespace Fx
