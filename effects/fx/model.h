// An effect model file: two header words kept as they are, the vertices in
// the layout the model renderer uploads (position, normal, binormal, tangent,
// texture coordinate: 56 bytes), and triangles of three vertex indices. The
// file has no magic; the reader checks every count against the file's size
// and every index against the vertex count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fx/random_range.h"
#include "fx/vector3d.h"

namespace Fx {

struct ModelVertex {
    Vector3D position, normal, binormal, tangent;
    Vector2D uv;
};
static_assert(sizeof(ModelVertex) == 56, "the model renderer uploads vertices as they lie");

struct ModelFace {
    int32_t index[3];
};

class Model {
public:
    // Null, with one error line, when the file is refused.
    static std::unique_ptr<Model> Load(const void* data, size_t size);

    int32_t version = 0;
    int32_t secondWord = 0;
    std::vector<ModelVertex> vertices;
    std::vector<ModelFace> faces;
};

}  // namespace Fx
