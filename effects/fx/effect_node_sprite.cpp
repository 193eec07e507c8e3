#include "fx/effect_node_sprite.h"

#include "fx/byte_reader.h"
#include "fx/parameter_read.h"

namespace Fx {

void EffectNodeSprite::LoadTypeRecord(ByteReader& reader, int32_t version) {
    reader.Skip(4);
    drawOrder = reader.ReadInt();
    blend = version < 3 ? reader.ReadInt() : rendererCommon.blend;
    billboard = reader.ReadInt();
    ReadAllColor(reader, version, allColor);
    vertexColorKind = reader.ReadInt();
    if (vertexColorKind == kVertexColorFixed) {
        for (Color& color : vertexColors) Read(reader, color);
    }
    vertexPositionKind = reader.ReadInt();
    if (vertexPositionKind == kVertexPositionFixed) {
        for (Vector2D& point : vertexPositions) Read(reader, point);
    }
    textureIndex = version < 3 ? reader.ReadInt() : rendererCommon.textureIndex;
}

}  // namespace Fx
