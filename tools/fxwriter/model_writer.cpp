#include "model_writer.h"

#include "byte_writer.h"

namespace FxWriter {

std::vector<uint8_t> WriteModel(const Fx::Model& model) {
    ByteWriter out;
    out.Int(model.version);
    out.Int(model.secondWord);
    out.Int(static_cast<int32_t>(model.vertices.size()));
    for (const Fx::ModelVertex& v : model.vertices) {
        for (const Fx::Vector3D* p : {&v.position, &v.normal, &v.binormal, &v.tangent}) {
            out.Float(p->x);
            out.Float(p->y);
            out.Float(p->z);
        }
        out.Float(v.uv.x);
        out.Float(v.uv.y);
    }
    out.Int(static_cast<int32_t>(model.faces.size()));
    for (const Fx::ModelFace& face : model.faces) {
        for (int32_t index : face.index) out.Int(index);
    }
    return out.Bytes();
}

}  // namespace FxWriter
