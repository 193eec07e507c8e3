// Placement of camera-facing effect instances. The view direction F is the
// third column of the camera matrix, negated; facing instances take the
// rows -R, U, F, T. When F is parallel to world Y a kind 0 or 3 billboard has
// no right axis and collapses (draws nothing visible); cameras looking
// straight down should tilt slightly.
#pragma once

#include <cstdint>

#include "fx/matrix43.h"
#include "fx/matrix44.h"

namespace FxRenderer {

// The camera's axes, worked out once per batch: every kind 0 and 3
// instance shares them, so per instance only its scale, roll and
// translation remain.
struct BillboardBasis {
    Fx::Vector3D front, right, up;
    explicit BillboardBasis(const Fx::Matrix44& camera);
};

// True for kinds 0 (faces the camera, up is world Y), 1 (turns about the
// instance's own Y axis) and 3 (as 0, then rolled by the instance's
// rotation about its z axis).
inline bool IsFacing(int32_t kind) { return kind == 0 || kind == 1 || kind == 3; }

// For a facing kind: the instance's scale (its row lengths) and the facing
// matrix. Other kinds give scale 1 and the instance's own matrix.
void BillboardMatrix(const BillboardBasis& basis, int32_t kind, const Fx::Matrix43& instance, Fx::Vector3D& scale,
                     Fx::Matrix43& out);

}  // namespace FxRenderer
