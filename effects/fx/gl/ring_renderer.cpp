#include "fx/gl/ring_renderer.h"

#include <cmath>

#include "fx/gl/billboard.h"
#include "fx/gl/renderer.h"

namespace FxRenderer {

RingRenderer* RingRenderer::Create(Renderer* renderer) {
    std::unique_ptr<EffectBatch> batch = EffectBatch::Create(renderer, "RingRenderer");
    return batch ? new RingRenderer(std::move(batch)) : nullptr;
}

void RingRenderer::BeginBatch(const Fx::RingNodeParameter&, int32_t count, void*) {
    batch_->Begin();
    basis_ = BillboardBasis(batch_->GetRenderer()->GetCameraMatrix());
    instanceCount_ = count;
}

void RingRenderer::AddInstance(const Fx::RingNodeParameter& parameter, const Fx::RingInstanceParameter& instance,
                               void*) {
    const int32_t n = parameter.vertexCount;
    if (n < 1 || n > batch_->GetRenderer()->GetSquareMaxCount() / 2) return;
    EffectVertex* v = batch_->TakeSquares(2 * int64_t(n));
    if (!v) return;

    const float arc = instance.viewingAngle * 0.0055555557f * 3.141592f;
    const float step = arc / static_cast<float>(n);
    const float stepCos = std::cos(step), stepSin = std::sin(step);
    float cosine = std::cos(-arc * 0.5f), sine = std::sin(-arc * 0.5f);

    const Fx::Vector2D outer = instance.outerLocation, inner = instance.innerLocation;
    const float ratio = instance.centerRatio;
    const Fx::Vector2D centre{inner.x + (outer.x - inner.x) * ratio, inner.y + (outer.y - inner.y) * ratio};
    const Fx::TextureRect& uv = instance.uv;
    const float uStep = uv.width / static_cast<float>(n);
    const float vOuter = uv.y, vCentre = uv.y + uv.height * 0.5f, vInner = uv.y + uv.height;

    for (int32_t i = 0; i < n; ++i) {
        const float nextCos = cosine * stepCos - sine * stepSin;
        const float nextSin = sine * stepCos + cosine * stepSin;
        const float u0 = uv.x + uStep * static_cast<float>(i), u1 = uv.x + uStep * static_cast<float>(i + 1);
        EffectVertex* s = v + i * 8;
        s[0].Set(cosine * outer.x, sine * outer.x, outer.y, instance.outerColor, u0, vOuter);
        s[1].Set(cosine * centre.x, sine * centre.x, centre.y, instance.centerColor, u0, vCentre);
        s[2].Set(nextCos * outer.x, nextSin * outer.x, outer.y, instance.outerColor, u1, vOuter);
        s[3].Set(nextCos * centre.x, nextSin * centre.x, centre.y, instance.centerColor, u1, vCentre);
        s[4] = s[1];
        s[5].Set(cosine * inner.x, sine * inner.x, inner.y, instance.innerColor, u0, vInner);
        s[6] = s[3];
        s[7].Set(nextCos * inner.x, nextSin * inner.x, inner.y, instance.innerColor, u1, vInner);
        cosine = nextCos;
        sine = nextSin;
    }

    const int32_t kind = parameter.billboard;
    Fx::Matrix43 placement;
    if (IsFacing(kind)) {
        Fx::Vector3D scale;
        Fx::Matrix43 facing, scaling;
        BillboardMatrix(basis_, kind, instance.matrix, scale, facing);
        scaling.SetScale(scale.x, scale.y, scale.z);
        Fx::Matrix43::Multiply(placement, scaling, facing);
    } else if (kind == Fx::kBillboardFixed) {
        placement = instance.matrix;
    } else {
        return;
    }
    if (instanceCount_ > 1) {
        for (int32_t i = 0; i < 8 * n; ++i) v[i].SetPosition(v[i].position[0], v[i].position[1], v[i].position[2], placement);
    } else {
        singleInstance_.SetFrom(placement);
    }
}

void RingRenderer::EndBatch(const Fx::RingNodeParameter& parameter, void*) {
    const Fx::Matrix44& cameraProjection = batch_->GetRenderer()->GetCameraProjectionMatrix();
    if (instanceCount_ > 1) {
        batch_->End(BatchDrawState::Of(parameter), cameraProjection);
        return;
    }
    Fx::Matrix44 projection;
    Fx::Matrix44::Multiply(projection, singleInstance_, cameraProjection);
    batch_->End(BatchDrawState::Of(parameter), projection);
}

}  // namespace FxRenderer
