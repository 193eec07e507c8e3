#include "sample/tools/field_writers.h"

#include <cstring>

namespace {

void PutU32(std::string* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>(v >> (8 * i)));
}

void PutF32(std::string* out, float f) {
    uint32_t v;
    memcpy(&v, &f, 4);
    PutU32(out, v);
}

void PutIndices(std::string* out, const std::vector<uint16_t>& indices) {
    for (uint16_t i : indices) out->push_back(static_cast<char>(i & 0xFF)), out->push_back(static_cast<char>(i >> 8));
}

}  // namespace

void PushFloats(std::vector<uint8_t>* bytes, std::initializer_list<float> values) {
    for (float f : values) {
        uint8_t b[4];
        memcpy(b, &f, 4);
        bytes->insert(bytes->end(), b, b + 4);
    }
}

std::string WriteE3d2(const E3d2Model& model) {
    std::string out = "E3D2";
    PutU32(&out, model.stride);
    PutU32(&out, static_cast<uint32_t>(model.attribs.size()));
    PutU32(&out, static_cast<uint32_t>(model.materials.size()));
    PutU32(&out, static_cast<uint32_t>(model.vertices.size()));
    PutU32(&out, static_cast<uint32_t>(model.indices.size() * 2));
    for (float f : model.centre) PutF32(&out, f);
    for (float f : model.extent) PutF32(&out, f);
    for (const E3d2Attrib& a : model.attribs) {
        out.push_back(static_cast<char>(a.type)), out.push_back(static_cast<char>(a.components));
        out.push_back(static_cast<char>(a.offset)), out.push_back(static_cast<char>(a.normalized));
    }
    for (const E3d2Material& m : model.materials) {
        for (float f : m.diffuse) PutF32(&out, f);
        for (int i = 0; i < 3; ++i) PutF32(&out, 0.25f);  // ambient
        for (int i = 0; i < 3; ++i) PutF32(&out, 0.0f);   // specular
        PutF32(&out, 1.0f);                              // power
        out.append(12, '\0');
        PutU32(&out, m.firstIndex);
        PutU32(&out, m.indexCount);
        std::string name = m.texture.substr(0, 63);
        name.resize(64, '\0');
        out += name;
    }
    out.append(model.vertices.begin(), model.vertices.end());
    PutIndices(&out, model.indices);
    return out;
}

std::string WriteE3do(const std::vector<float>& vertices, const std::vector<uint16_t>& indices) {
    std::string out = "E3DO";
    PutU32(&out, static_cast<uint32_t>(vertices.size() / 8));
    PutU32(&out, static_cast<uint32_t>(indices.size()));
    for (float f : vertices) PutF32(&out, f);
    PutIndices(&out, indices);
    return out;
}

std::string WriteMapText(const std::vector<std::string>& models, int32_t width, int32_t depth,
                         const std::vector<MapCell>& cells) {
    std::string out = "102\r\n";
    for (size_t slot = 0; slot < 20; ++slot) out += (slot < models.size() ? models[slot] : "") + "\r\n";
    out += std::to_string(width) + "," + std::to_string(depth) + "\r\n";
    out += "height,shape,blocked,model,yaw,scale,lift,chip\r\n";
    for (int32_t z = 0; z < depth; ++z) {
        for (int32_t x = 0; x < (width > 24 ? width : 24); ++x) {
            if (x >= width) {
                out += "\r\n";
                continue;
            }
            const MapCell& c = cells[static_cast<size_t>(z) * width + x];
            for (int32_t v : {c.height, c.shape, c.blocked, c.slot, c.yaw, c.scale, c.lift}) out += std::to_string(v) + ",";
            out += std::to_string(c.chip) + "\r\n";
        }
    }
    return out;
}
