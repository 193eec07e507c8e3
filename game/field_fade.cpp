// Per-frame fading of tall objects that stand between the camera and the
// point it looks at, so units behind trees and towers stay visible.
#include <cmath>

#include "core/fast_math.h"
#include "game/field.h"
#include "gfx/material_shader.h"

namespace {

constexpr int32_t kFadingObjectHeight = 12;  // levels; lower objects never fade
constexpr float kFadeRate = 0.05f;
constexpr float kFadedAlpha = 0.4f;

}  // namespace

void QmField::Update(const CameraParams& camera) {
    float toTarget[3], dir[3], side[3];
    for (int i = 0; i < 3; ++i) toTarget[i] = camera.target[i] - camera.eye[i];
    Vec3Normalize(toTarget, dir);
    const float distance = FastSqrt(toTarget[0] * toTarget[0] + toTarget[1] * toTarget[1] + toTarget[2] * toTarget[2]);
    const float across[3] = {-dir[2], 0.0f, dir[0]};  // dir x (0, 1, 0)
    Vec3Normalize(across, side);
    for (int32_t i = 0; i < width * depth; ++i) {
        QmFieldCell& cell = cells[i];
        if (!cell.model || cell.objectHeight < kFadingObjectHeight) continue;
        const float foot[3] = {cell.centre[0] - camera.eye[0], cell.centre[1] - cell.extent[1] * 0.5f - camera.eye[1],
                               cell.centre[2] - camera.eye[2]};
        const float lateral = std::fabs(foot[0] * side[0] + foot[1] * side[1] + foot[2] * side[2]);
        const float c[3] = {cell.centre[0] - camera.eye[0], cell.centre[1] - camera.eye[1],
                            cell.centre[2] - camera.eye[2]};
        const float dist = FastSqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        if (dist < distance && cell.radius * 0.5f > lateral) {
            cell.alpha += (kFadedAlpha - cell.alpha) * kFadeRate;
            if (cell.alpha < 0.401f) cell.alpha = kFadedAlpha;
        } else {
            cell.alpha += (1.0f - cell.alpha) * kFadeRate;
            if (cell.alpha > 0.999f) cell.alpha = 1.0f;
        }
    }
}
