#include "fx/gl/sprite_renderer.h"

#include "fx/gl/billboard.h"
#include "fx/gl/renderer.h"

namespace FxRenderer {

SpriteRenderer* SpriteRenderer::Create(Renderer* renderer) {
    std::unique_ptr<EffectBatch> batch = EffectBatch::Create(renderer, "SpriteRenderer");
    return batch ? new SpriteRenderer(std::move(batch)) : nullptr;
}

void SpriteRenderer::BeginBatch(const Fx::SpriteNodeParameter&, int32_t, void*) { batch_->Begin(); }

void SpriteRenderer::AddInstance(const Fx::SpriteNodeParameter& parameter, const Fx::SpriteInstanceParameter& instance,
                                 void*) {
    EffectVertex* v = batch_->TakeSquares(1);
    if (!v) return;
    const Fx::TextureRect& uv = instance.uv;
    const float us[4] = {uv.x, uv.x + uv.width, uv.x, uv.x + uv.width};
    const float vs[4] = {uv.y + uv.height, uv.y + uv.height, uv.y, uv.y};

    const int32_t kind = parameter.billboard;
    Fx::Vector3D scale(1.0f, 1.0f, 1.0f);
    Fx::Matrix43 placement;
    const bool facing = kind == Fx::kBillboard || kind == Fx::kBillboardYAxisFixed || kind == Fx::kBillboardRotated;
    if (facing) BillboardMatrix(batch_->GetRenderer()->GetCameraMatrix(), kind, instance.matrix, scale, placement);
    for (int i = 0; i < 4; ++i) {
        Fx::Vector3D p(instance.positions[i].x, instance.positions[i].y, 0.0f);
        if (facing) {
            p.x *= scale.x;
            p.y *= scale.y;
            Fx::Vector3D::Transform(p, p, placement);
        } else if (kind == Fx::kBillboardFixed) {
            Fx::Vector3D::Transform(p, p, instance.matrix);
        }
        v[i].Set(p.x, p.y, p.z, instance.colors[i], us[i], vs[i]);
    }
}

void SpriteRenderer::EndBatch(const Fx::SpriteNodeParameter& parameter, void*) {
    batch_->End(BatchDrawState::Of(parameter), batch_->GetRenderer()->GetCameraProjectionMatrix());
}

}  // namespace FxRenderer
