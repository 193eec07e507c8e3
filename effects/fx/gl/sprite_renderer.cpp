#include "fx/gl/sprite_renderer.h"

#include "fx/gl/billboard.h"
#include "fx/gl/renderer.h"

namespace FxRenderer {

SpriteRenderer* SpriteRenderer::Create(Renderer* renderer) {
    std::unique_ptr<EffectBatch> batch = EffectBatch::Create(renderer, "SpriteRenderer");
    return batch ? new SpriteRenderer(std::move(batch)) : nullptr;
}

void SpriteRenderer::BeginBatch(const Fx::SpriteNodeParameter&, int32_t, void*) {
    batch_->Begin();
    basis_ = BillboardBasis(batch_->GetRenderer()->GetCameraMatrix());
}

void SpriteRenderer::AddInstance(const Fx::SpriteNodeParameter& parameter, const Fx::SpriteInstanceParameter& instance,
                                 void*) {
    EffectVertex* v = batch_->TakeSquares(1);
    if (!v) return;
    const Fx::TextureRect& uv = instance.uv;
    const float us[4] = {uv.x, uv.x + uv.width, uv.x, uv.x + uv.width};
    const float vs[4] = {uv.y + uv.height, uv.y + uv.height, uv.y, uv.y};

    const int32_t kind = parameter.billboard;
    for (int i = 0; i < 4; ++i) v[i].Set(instance.positions[i].x, instance.positions[i].y, 0.0f, instance.colors[i], us[i], vs[i]);
    if (IsFacing(kind)) {
        Fx::Vector3D scale;
        Fx::Matrix43 placement;
        BillboardMatrix(basis_, kind, instance.matrix, scale, placement);
        for (int i = 0; i < 4; ++i) v[i].SetPosition(v[i].position[0] * scale.x, v[i].position[1] * scale.y, 0.0f, placement);
    } else if (kind == Fx::kBillboardFixed) {
        for (int i = 0; i < 4; ++i) v[i].SetPosition(v[i].position[0], v[i].position[1], 0.0f, instance.matrix);
    }
}

void SpriteRenderer::EndBatch(const Fx::SpriteNodeParameter& parameter, void*) {
    batch_->End(BatchDrawState::Of(parameter), batch_->GetRenderer()->GetCameraProjectionMatrix());
}

}  // namespace FxRenderer
