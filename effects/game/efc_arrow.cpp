// Arrow flights: one step per 12.8 units of distance, an arc whose top is a
// tenth of the flight's length, drawn through the material shader.
#include "effects/game/efc_arrow.h"

#include <cmath>

#include "core/fast_math.h"
#include "gfx/material_shader.h"
#include "gfx/model.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kStepsPerUnit = 5.0f * 0.015625f;
constexpr float kArcHeight = 0.1f;
constexpr float kArrowScale = 20.0f;

// An exact root: a flight of 128 units must be 10 steps, which the
// bit-trick root (a hair short of 128) would make 9.
float Length(const float v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void StepFlight(ArrowFlight* a) {
    // A flight of no steps arrives at once rather than dividing 0 by 0.
    const float t = a->frames == 0 ? 1.0f : static_cast<float>(a->frame) / static_cast<float>(a->frames);
    for (int i = 0; i < 3; ++i) {
        a->previous[i] = a->position[i];
        a->position[i] = a->start[i] + a->delta[i] * t;
    }
    a->position[1] += Length(a->delta) * std::sin(t * kPi) * kArcHeight;
}

}  // namespace

bool ArrowModelMatrix(const float position[3], const float previous[3], Mat4* out) {
    const float d[3] = {position[0] - previous[0], position[1] - previous[1], position[2] - previous[2]};
    const float length = Length(d);
    if (!(length > 0.0f)) return false;
    // The axis is +X cross d; a flight along X alone keeps any axis.
    float axis[3] = {0.0f, -d[2], d[1]};
    Vec3Normalize(axis, axis);
    if (Length(axis) == 0.0f) axis[0] = 0.0f, axis[1] = 0.0f, axis[2] = 1.0f;
    const float cosine = std::fmax(-1.0f, std::fmin(1.0f, d[0] / length));
    const float degrees = std::acos(cosine) * 180.0f * 0.31830987f;
    const float scale[3] = {kArrowScale, kArrowScale, kArrowScale};
    *out = Mat4::Identity();
    Mat4::Translate(out, *out, position);
    Mat4::Rotate(out, *out, axis, degrees);
    Mat4::Scale(out, *out, scale);
    return true;
}

QmEfcArrow::QmEfcArrow(FsMgr* pack) {
    const char* const file = "3do/arrow.3do";
    undrawn = "the arrows are not drawn";
    if (PackHas(pack, file)) model_ = Model::Load(file, pack, nullptr, nullptr, nullptr);
}

QmEfcArrow::~QmEfcArrow() {
    if (model_) Model::Release(model_);
}

int32_t QmEfcArrow::Start(const float from[3], const float to[3], int32_t flag) {
    ArrowFlight* a = nullptr;
    for (ArrowFlight& candidate : arrows_) {
        if (!candidate.active) {
            a = &candidate;
            break;
        }
    }
    if (!a) return 0;
    const float lift = flag ? kArrowLift : 0.0f;
    for (int i = 0; i < 3; ++i) a->start[i] = a->position[i] = from[i];
    a->delta[0] = to[0] - from[0];
    a->delta[1] = to[1] + lift - from[1];
    a->delta[2] = to[2] - from[2];
    // Held below 2^31 steps so that far or non-finite points stay defined.
    const float steps = Length(a->delta) * kStepsPerUnit;
    a->frames = steps >= 0.0f ? static_cast<uint32_t>(std::fmin(steps, 2147483647.0f)) : 0u;
    a->frame = 0;
    ended = 0;
    a->active = 1;
    StepFlight(a);
    return 1;
}

void QmEfcArrow::Update() {
    bool flying = false;
    for (ArrowFlight& a : arrows_) {
        if (a.frame < a.frames) {
            ++a.frame;
            StepFlight(&a);
            flying = true;
        } else {
            a.active = 0;
        }
    }
    if (!flying) ended = 1;
}

void QmEfcArrow::DrawModels(const CameraParams* camera) {
    if (!model_) return;
    for (const ArrowFlight& a : arrows_) {
        Mat4 matrix;
        if (!a.active || !ArrowModelMatrix(a.position, a.previous, &matrix)) continue;
        MaterialShader::SetModel(&matrix);
        Model::Draw(model_);
    }
}
