#include "fx/effect_node_ring.h"

#include "fx/byte_reader.h"
#include "fx/parameter_read.h"

namespace Fx {

namespace {

void ReadSingle(ByteReader& reader, RingSingleValue& out) {
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kRingValueFixed: out.fixed = reader.ReadFloat(); break;
        case kRingValueRandom: Read(reader, out.random); break;
        case kRingValueEasing: Read(reader, out.easing); break;
        default: break;
    }
}

void ReadPoint(ByteReader& reader, RingPointValue& out) {
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kRingPointFixed: Read(reader, out.fixed); break;
        case kRingPointPva:
            Read(reader, out.position);
            Read(reader, out.velocity);
            Read(reader, out.acceleration);
            break;
        case kRingPointEasing: Read(reader, out.easing); break;
        default: break;
    }
}

void ReadRingColor(ByteReader& reader, int32_t version, RingColorValue& out) {
    out.kind = reader.ReadInt();
    switch (out.kind) {
        case kRingValueFixed: Read(reader, out.fixed); break;
        case kRingValueRandom: ReadRandomColor(reader, version, out.random); break;
        case kRingValueEasing: ReadEasingColor(reader, version, out.easing); break;
        default: break;
    }
}

}  // namespace

void EffectNodeRing::LoadTypeRecord(ByteReader& reader, int32_t version) {
    reader.Skip(4);
    drawOrder = reader.ReadInt();
    blend = version < 3 ? reader.ReadInt() : rendererCommon.blend;
    billboard = reader.ReadInt();
    vertexCount = reader.ReadInt();
    if (reader.Ok() && (vertexCount < 1 || vertexCount > kMaxRingVertexCount)) {
        reader.Fail("a ring's vertex count is out of range");
    }
    ReadSingle(reader, arcAngle);
    ReadPoint(reader, outerLocation);
    ReadPoint(reader, innerLocation);
    ReadSingle(reader, centerRatio);
    ReadRingColor(reader, version, outerColor);
    ReadRingColor(reader, version, centerColor);
    ReadRingColor(reader, version, innerColor);
    textureIndex = version < 3 ? reader.ReadInt() : rendererCommon.textureIndex;
}

}  // namespace Fx
