// Readers of the value types as an effect file lays them out: ranges are max
// then min, vectors x, y, z, colours r, g, b, a. Colour ranges in type
// records carry a mode byte and a spare byte from format version 4 on.
#pragma once

#include <cstdint>

#include "fx/all_color_parameter.h"
#include "fx/color.h"
#include "fx/random_range.h"

namespace Fx {

class ByteReader;

void Read(ByteReader& reader, Vector2D& out);
void Read(ByteReader& reader, Vector3D& out);
void Read(ByteReader& reader, RandomFloat& out);
void Read(ByteReader& reader, RandomInt& out);
void Read(ByteReader& reader, RandomVector2D& out);
void Read(ByteReader& reader, RandomVector3D& out);
void Read(ByteReader& reader, EasingFloat& out);
void Read(ByteReader& reader, EasingVector2D& out);
void Read(ByteReader& reader, EasingVector3D& out);
void Read(ByteReader& reader, Color& out);

void ReadRandomColor(ByteReader& reader, int32_t version, RandomColor& out);
void ReadEasingColor(ByteReader& reader, int32_t version, EasingColor& out);
// int32 kind, then its body; kinds other than 0..3 have none.
void ReadAllColor(ByteReader& reader, int32_t version, AllColorParameter& out);

}  // namespace Fx
