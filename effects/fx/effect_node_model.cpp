#include "fx/effect_node_model.h"

#include "fx/byte_reader.h"
#include "fx/parameter_read.h"

namespace Fx {

void EffectNodeModel::LoadTypeRecord(ByteReader& reader, int32_t version) {
    reader.Skip(4);
    if (version >= 7) magnification = reader.ReadFloat();
    modelIndex = reader.ReadInt();
    normalTextureIndex = reader.ReadInt();
    lighting = reader.ReadInt() > 0;
    culling = reader.ReadInt();
    ReadAllColor(reader, version, allColor);
}

}  // namespace Fx
