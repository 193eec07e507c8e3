#include "fx/model.h"

#include "fx/byte_reader.h"
#include "fx/parameter_read.h"
#include "platform/debug_log.h"

namespace Fx {

std::unique_ptr<Model> Model::Load(const void* data, size_t size) {
    ByteReader reader(static_cast<const uint8_t*>(data), data != nullptr ? size : 0);
    auto model = std::make_unique<Model>();
    model->version = reader.ReadInt();
    model->secondWord = reader.ReadInt();
    int32_t vertexCount = reader.ReadCount(sizeof(ModelVertex), "the vertex count is larger than the file");
    model->vertices.resize(static_cast<size_t>(vertexCount));
    for (ModelVertex& vertex : model->vertices) {
        Read(reader, vertex.position);
        Read(reader, vertex.normal);
        Read(reader, vertex.binormal);
        Read(reader, vertex.tangent);
        Read(reader, vertex.uv);
    }
    int32_t faceCount = reader.ReadCount(sizeof(ModelFace), "the face count is larger than the file");
    model->faces.resize(static_cast<size_t>(faceCount));
    for (ModelFace& face : model->faces) {
        for (int32_t& index : face.index) {
            index = reader.ReadInt();
            if (reader.Ok() && (index < 0 || index >= vertexCount)) reader.Fail("a face names a missing vertex");
        }
    }
    if (!reader.Ok()) {
        LogError("Effect model refused: %s (byte %zu).", reader.Failure(), reader.FailureOffset());
        return nullptr;
    }
    return model;
}

}  // namespace Fx
