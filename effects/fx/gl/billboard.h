// Placement of camera-facing effect instances. The view direction is the
// third column of the camera matrix, negated. When it is parallel to world Y
// a kind 0 or 3 billboard has no right axis and collapses (draws nothing
// visible); cameras looking straight down should tilt slightly.
#pragma once

#include <cstdint>

#include "fx/matrix43.h"
#include "fx/matrix44.h"

namespace FxRenderer {

// For kinds 0 (faces the camera, up is world Y), 1 (turns about the
// instance's own Y axis) and 3 (as 0, then rolled by the instance's
// rotation): the instance's scale and the rows -R, U, F, T of the facing
// matrix. Other kinds give the instance's own matrix.
void BillboardMatrix(const Fx::Matrix44& camera, int32_t kind, const Fx::Matrix43& instance, Fx::Vector3D& scale,
                     Fx::Matrix43& out);

}  // namespace FxRenderer
