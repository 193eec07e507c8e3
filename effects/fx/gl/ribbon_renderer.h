// Draws the points of a ribbon node as strips: square k of a group joins
// point k's left and right vertices to point k + 1's. Each square is written
// whole when its second point arrives, so squares always match the vertices
// written and a group never joins another group's strip.
#pragma once

#include <memory>

#include "fx/fx_renderers.h"
#include "fx/gl/billboard.h"
#include "fx/gl/effect_batch.h"

namespace FxRenderer {

class RibbonRenderer : public Fx::RibbonRenderer {
public:
    static RibbonRenderer* Create(Renderer* renderer);

    void BeginBatch(const Fx::RibbonNodeParameter& parameter, int32_t count, void* userData) override;
    void AddInstance(const Fx::RibbonNodeParameter& parameter, const Fx::RibbonInstanceParameter& instance,
                     void* userData) override;
    void EndBatch(const Fx::RibbonNodeParameter& parameter, void* userData) override;

private:
    explicit RibbonRenderer(std::unique_ptr<EffectBatch> batch) : batch_(std::move(batch)) {}
    std::unique_ptr<EffectBatch> batch_;
    BillboardBasis basis_{Fx::Matrix44()};
    // The previous point of the open strip: its left and right vertices.
    EffectVertex previous_[2] = {};
    bool stripOpen_ = false;
    int32_t previousIndex_ = 0;
    int32_t previousCount_ = 0;
};

}  // namespace FxRenderer
