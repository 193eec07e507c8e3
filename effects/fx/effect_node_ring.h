// A node whose instances are each drawn as a ring or arc: an arc angle split
// into segments between an outer and an inner circle, each given by a point
// (radius, height), a centre circle placed between them by a ratio, and
// outer, centre and inner colours. Each value is fixed, drawn, moving or
// eased over the instance's life.
#pragma once

#include "fx/color.h"
#include "fx/effect_node.h"
#include "fx/fx_renderers.h"
#include "fx/random_range.h"

namespace Fx {

// A ring with more segments than this is refused: no renderer batch holds it.
constexpr int32_t kMaxRingVertexCount = 1 << 16;

enum RingValueKind : int32_t { kRingValueFixed = 0, kRingValueRandom = 1, kRingValueEasing = 2 };
enum RingPointKind : int32_t { kRingPointFixed = 0, kRingPointPva = 1, kRingPointEasing = 2 };

struct RingSingleValue {
    int32_t kind = kRingValueFixed;
    float fixed = 0.0f;
    RandomFloat random;
    EasingFloat easing;
};

struct RingPointValue {
    int32_t kind = kRingPointFixed;
    Vector2D fixed;
    RandomVector2D position, velocity, acceleration;
    EasingVector2D easing;
};

struct RingColorValue {
    int32_t kind = kRingValueFixed;
    Color fixed;
    RandomColor random;
    EasingColor easing;
};

class EffectNodeRing : public EffectNode {
public:
    explicit EffectNodeRing(Effect* effect) : EffectNode(effect) {}
    NodeType GetType() const override { return kNodeRing; }

    void InitializeRenderer() override;
    void FinalizeRenderer() override;
    void BeginDrawing(int32_t count) override;
    void DrawInstance(Instance& instance) override;
    void EndDrawing() override;
    void InitializeInstanceValues(Instance& instance) override;
    void UpdateInstanceValues(Instance& instance) override;
    RingNodeParameter MakeParameter() const;

    // The renderer-common block's from format version 3 on, the record's own
    // before.
    int32_t blend = 0;
    int32_t textureIndex = 0;
    int32_t billboard = 0;
    int32_t vertexCount = 1;  // segments of the arc, 1..kMaxRingVertexCount
    RingSingleValue arcAngle;  // the arc angle, degrees
    RingPointValue outerLocation, innerLocation;
    RingSingleValue centerRatio;
    RingColorValue outerColor, centerColor, innerColor;

protected:
    void LoadTypeRecord(ByteReader& reader, int32_t version) override;
};

}  // namespace Fx
