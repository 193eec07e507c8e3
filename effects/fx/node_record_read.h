// Readers of the parts of a node record that every node type shares, in the
// order the record holds them, and the mirroring of loaded values for a
// left-handed coordinate system.
#pragma once

#include <cstdint>

#include "fx/node_parameters.h"

namespace Fx {

class ByteReader;

void ReadNodeCommon(ByteReader& reader, NodeCommon& out);
void ReadLocation(ByteReader& reader, LocationParameter& out);
void ReadGravity(ByteReader& reader, GravityParameter& out);
void ReadRotation(ByteReader& reader, RotationParameter& out);
void ReadScale(ByteReader& reader, ScaleParameter& out);
void ReadGenerationPoint(ByteReader& reader, GenerationPoint& out);
// Only present from format version 3 on; below it the block stays all zero.
void ReadRendererCommon(ByteReader& reader, int32_t version, RendererCommon& out);
// Only present from format version 1 on.
void ReadNodeSound(ByteReader& reader, NodeSound& out);

// Negates what a left-handed system sees mirrored: the z of locations, the x
// and y of rotations, the z of rotation axes, the x and y rotation curves and
// the sphere's rotation ranges. A location curve is left as it is.
void MirrorLocation(LocationParameter& location);
void MirrorRotation(RotationParameter& rotation);
void MirrorGenerationPoint(GenerationPoint& point);

}  // namespace Fx
