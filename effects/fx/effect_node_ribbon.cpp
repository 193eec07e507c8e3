#include "fx/effect_node_ribbon.h"

#include "fx/byte_reader.h"
#include "fx/parameter_read.h"

namespace Fx {

void EffectNodeRibbon::LoadTypeRecord(ByteReader& reader, int32_t version) {
    reader.Skip(4);
    blend = version < 3 ? reader.ReadInt() : rendererCommon.blend;
    viewDependent = reader.ReadInt();
    colorKind = reader.ReadInt();
    switch (colorKind) {
        case kRibbonColorFixed: Read(reader, fixedColor); break;
        case kRibbonColorRandom: ReadRandomColor(reader, version, randomColor); break;
        case kRibbonColorEasing: ReadEasingColor(reader, version, easingColor); break;
        default: break;
    }
    vertexColorKind = reader.ReadInt();
    if (vertexColorKind == kVertexColorFixed) {
        for (Color& color : vertexColors) Read(reader, color);
    }
    vertexPositionKind = reader.ReadInt();
    if (vertexPositionKind == kVertexPositionFixed) {
        for (float& position : vertexPositions) position = reader.ReadFloat();
    }
    textureIndex = version < 3 ? reader.ReadInt() : rendererCommon.textureIndex;
}

}  // namespace Fx
