#include "fx/gl/ribbon_renderer.h"

#include "fx/gl/billboard.h"
#include "fx/gl/renderer.h"

namespace FxRenderer {

RibbonRenderer* RibbonRenderer::Create(Renderer* renderer) {
    std::unique_ptr<EffectBatch> batch = EffectBatch::Create(renderer, "RibbonRenderer");
    return batch ? new RibbonRenderer(std::move(batch)) : nullptr;
}

void RibbonRenderer::BeginBatch(const Fx::RibbonNodeParameter&, int32_t, void*) {
    batch_->Begin();
    basis_ = BillboardBasis(batch_->GetRenderer()->GetCameraMatrix());
    stripOpen_ = false;
}

void RibbonRenderer::AddInstance(const Fx::RibbonNodeParameter& parameter, const Fx::RibbonInstanceParameter& instance,
                                 void*) {
    const int32_t count = instance.instanceCount;
    const int32_t index = instance.instanceIndex;
    if (count < 2 || index < 0 || index >= count) return;

    EffectVertex point[2];
    const float step = 1.0f / static_cast<float>(count);
    point[0].Set(instance.positions[0], 0.0f, 0.0f, instance.colors[0], 1.0f, static_cast<float>(index) * step);
    point[1].Set(instance.positions[1], 0.0f, 0.0f, instance.colors[1], 0.0f, static_cast<float>(index + 1) * step);
    if (parameter.viewDependent) {
        Fx::Vector3D scale;
        Fx::Matrix43 placement;
        BillboardMatrix(basis_, Fx::kBillboardYAxisFixed, instance.matrix, scale, placement);
        for (EffectVertex& v : point) v.SetPosition(v.position[0] * scale.x, 0.0f, 0.0f, placement);
    } else {
        for (EffectVertex& v : point) v.SetPosition(v.position[0], 0.0f, 0.0f, instance.matrix);
    }

    // A point continues the strip only when it follows the previous point
    // of the same group.
    const bool continues = stripOpen_ && index > 0 && index == previousIndex_ + 1 && count == previousCount_;
    if (continues) {
        EffectVertex* square = batch_->TakeSquares(1);
        if (square) {
            square[0] = previous_[0];
            square[1] = previous_[1];
            square[2] = point[0];
            square[3] = point[1];
        }
    }
    previous_[0] = point[0];
    previous_[1] = point[1];
    previousIndex_ = index;
    previousCount_ = count;
    stripOpen_ = index < count - 1;
}

void RibbonRenderer::EndBatch(const Fx::RibbonNodeParameter& parameter, void*) {
    stripOpen_ = false;
    batch_->End(BatchDrawState::Of(parameter), batch_->GetRenderer()->GetCameraProjectionMatrix());
}

}  // namespace FxRenderer
