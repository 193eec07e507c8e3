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
    Fx::Matrix43 placement = instance.matrix;
    Fx::Vector3D scale;
    if (parameter.viewDependent) {
        BillboardMatrix(batch_->GetRenderer()->GetCameraMatrix(), Fx::kBillboardYAxisFixed, instance.matrix, scale,
                        placement);
    }
    for (EffectVertex& v : point) {
        Fx::Vector3D p(v.position[0], 0.0f, 0.0f);
        if (parameter.viewDependent) p.x *= scale.x;
        Fx::Vector3D::Transform(p, p, placement);
        v.position[0] = p.x;
        v.position[1] = p.y;
        v.position[2] = p.z;
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
