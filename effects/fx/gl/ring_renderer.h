// Draws the instances of a ring node: an arc of n segments, each an outer
// and an inner band (2n squares). A ring that is the only instance of its
// batch stays in ring space and is placed through the projection uniform.
#pragma once

#include <memory>

#include "fx/fx_renderers.h"
#include "fx/gl/billboard.h"
#include "fx/gl/effect_batch.h"

namespace FxRenderer {

class RingRenderer : public Fx::RingRenderer {
public:
    static RingRenderer* Create(Renderer* renderer);

    void BeginBatch(const Fx::RingNodeParameter& parameter, int32_t count, void* userData) override;
    // Vertex counts outside 1..capacity/2 draw nothing.
    void AddInstance(const Fx::RingNodeParameter& parameter, const Fx::RingInstanceParameter& instance,
                     void* userData) override;
    void EndBatch(const Fx::RingNodeParameter& parameter, void* userData) override;

private:
    explicit RingRenderer(std::unique_ptr<EffectBatch> batch) : batch_(std::move(batch)) {}
    std::unique_ptr<EffectBatch> batch_;
    BillboardBasis basis_{Fx::Matrix44()};
    int32_t instanceCount_ = 0;
    Fx::Matrix44 singleInstance_;
};

}  // namespace FxRenderer
