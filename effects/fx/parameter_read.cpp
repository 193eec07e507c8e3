#include "fx/parameter_read.h"

#include "fx/byte_reader.h"

namespace Fx {

void Read(ByteReader& reader, Vector2D& out) {
    out.x = reader.ReadFloat();
    out.y = reader.ReadFloat();
}

void Read(ByteReader& reader, Vector3D& out) {
    out.x = reader.ReadFloat();
    out.y = reader.ReadFloat();
    out.z = reader.ReadFloat();
}

void Read(ByteReader& reader, RandomFloat& out) {
    out.max = reader.ReadFloat();
    out.min = reader.ReadFloat();
}

void Read(ByteReader& reader, RandomInt& out) {
    out.max = reader.ReadInt();
    out.min = reader.ReadInt();
}

void Read(ByteReader& reader, RandomVector2D& out) {
    Read(reader, out.max);
    Read(reader, out.min);
}

void Read(ByteReader& reader, RandomVector3D& out) {
    Read(reader, out.max);
    Read(reader, out.min);
}

void Read(ByteReader& reader, EasingFloat& out) {
    Read(reader, out.start);
    Read(reader, out.end);
    out.a = reader.ReadFloat();
    out.b = reader.ReadFloat();
    out.c = reader.ReadFloat();
}

void Read(ByteReader& reader, EasingVector2D& out) {
    Read(reader, out.start);
    Read(reader, out.end);
    out.a = reader.ReadFloat();
    out.b = reader.ReadFloat();
    out.c = reader.ReadFloat();
}

void Read(ByteReader& reader, EasingVector3D& out) {
    Read(reader, out.start);
    Read(reader, out.end);
    out.a = reader.ReadFloat();
    out.b = reader.ReadFloat();
    out.c = reader.ReadFloat();
}

void Read(ByteReader& reader, Color& out) {
    out.r = reader.ReadByte();
    out.g = reader.ReadByte();
    out.b = reader.ReadByte();
    out.a = reader.ReadByte();
}

void ReadRandomColor(ByteReader& reader, int32_t version, RandomColor& out) {
    out.mode = kColorModeRgb;
    if (version >= 4) {
        out.mode = reader.ReadByte();
        reader.Skip(1);
    }
    Read(reader, out.max);
    Read(reader, out.min);
}

void ReadEasingColor(ByteReader& reader, int32_t version, EasingColor& out) {
    ReadRandomColor(reader, version, out.start);
    ReadRandomColor(reader, version, out.end);
    out.a = reader.ReadFloat();
    out.b = reader.ReadFloat();
    out.c = reader.ReadFloat();
}

void ReadAllColor(ByteReader& reader, int32_t version, AllColorParameter& out) {
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kAllColorFixed: Read(reader, out.fixed); break;
        case kAllColorRandom: ReadRandomColor(reader, version, out.random); break;
        case kAllColorEasing: ReadEasingColor(reader, version, out.easing); break;
        case kAllColorFCurve:
            out.curve = std::make_unique<FCurveColor>();
            out.curve->Load(reader);
            break;
        default: break;
    }
}

}  // namespace Fx
