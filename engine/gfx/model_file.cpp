// Parsing "E3DO" and "E3D2" model files from memory. Every field from the
// file is checked before use: a damaged or hostile model is refused whole.
#include "gfx/model_file.h"

#include <cstring>

namespace {

const char* const kRowNames[kModelAttribRows] = {"a_Position", "a_Normal", "a_TexCoord", "a_Color"};

constexpr size_t kE3d2HeaderSize = 48;
constexpr size_t kMaterialRecordSize = 128;
constexpr size_t kE3doVertexSize = 32;

uint32_t U32At(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

float F32At(const uint8_t* p) {
    uint32_t bits = U32At(p);
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

void FloatsAt(const uint8_t* p, float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = F32At(p + 4 * i);
}

uint32_t ComponentBytes(uint16_t glType) {
    switch (glType) {
        case GL_BYTE: case GL_UNSIGNED_BYTE: return 1;
        case GL_SHORT: case GL_UNSIGNED_SHORT: return 2;
        default: return 4;  // GL_INT, GL_UNSIGNED_INT, GL_FLOAT
    }
}

// Every material range inside the index data and every index naming a vertex.
bool RangesAndIndicesValid(const ModelFileData& data, uint64_t vertexCount) {
    const uint64_t indexCount = data.indexBytes / 2;
    for (const ModelFileMaterial& m : data.materials) {
        if (uint64_t{m.firstIndex} + m.indexCount > indexCount) return false;
    }
    for (uint64_t i = 0; i < indexCount; ++i) {
        const uint8_t* p = data.indexData + 2 * i;
        if ((uint32_t{p[0]} | (uint32_t{p[1]} << 8)) >= vertexCount) return false;
    }
    return true;
}

ModelFileResult ParseE3do(const uint8_t* bytes, size_t size, ModelFileData* out) {
    if (size < 12) return ModelFileResult::kInvalid;
    const uint64_t vertexCount = U32At(bytes + 4);
    const uint64_t indexCount = U32At(bytes + 8);
    const uint64_t vertexBytes = vertexCount * kE3doVertexSize;
    if (12 + vertexBytes + 2 * indexCount > size || vertexBytes > UINT32_MAX) return ModelFileResult::kInvalid;
    out->stride = kE3doVertexSize;
    out->rows[0] = {kRowNames[0], GL_FLOAT, 3, 0, 0};
    out->rows[1] = {kRowNames[1], GL_FLOAT, 3, 12, 0};
    out->rows[2] = {kRowNames[2], GL_FLOAT, 2, 24, 0};
    ModelFileMaterial plain{};
    plain.diffuse[0] = plain.diffuse[1] = plain.diffuse[2] = plain.diffuse[3] = 1.0f;
    plain.power = 1.0f;
    plain.indexCount = static_cast<uint32_t>(indexCount);
    out->materials.push_back(plain);
    out->vertexData = bytes + 12;
    out->vertexBytes = static_cast<uint32_t>(vertexBytes);
    out->indexData = bytes + 12 + vertexBytes;
    out->indexBytes = static_cast<uint32_t>(2 * indexCount);
    return RangesAndIndicesValid(*out, vertexCount) ? ModelFileResult::kOk : ModelFileResult::kInvalid;
}

bool ReadAttributeRows(const uint8_t* records, uint32_t count, ModelFileData* out) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* r = records + 4 * i;
        const int32_t glType = ModelAttribGlType(r[0]);
        if (glType < 0) return false;
        if (glType == 0) continue;
        const uint8_t components = r[1];
        if (components < 1 || components > 4) return false;
        if (uint64_t{r[2]} + uint64_t{components} * ComponentBytes(static_cast<uint16_t>(glType)) > out->stride) {
            return false;
        }
        out->rows[i] = {kRowNames[i], static_cast<uint16_t>(glType), components, r[2], r[3]};
    }
    return true;
}

ModelFileResult ParseE3d2(const uint8_t* bytes, size_t size, ModelFileData* out) {
    if (size < kE3d2HeaderSize) return ModelFileResult::kInvalid;
    out->stride = U32At(bytes + 4);
    const uint32_t attribCount = U32At(bytes + 8);
    const uint64_t materialCount = U32At(bytes + 12);
    out->vertexBytes = U32At(bytes + 16);
    out->indexBytes = U32At(bytes + 20);
    FloatsAt(bytes + 24, out->boundsCenter, 3);
    FloatsAt(bytes + 36, out->boundsExtent, 3);
    if (out->stride == 0 || attribCount > kModelAttribRows || out->indexBytes % 2 != 0) {
        return ModelFileResult::kInvalid;
    }
    const uint64_t materialsAt = kE3d2HeaderSize + 4 * uint64_t{attribCount};
    const uint64_t dataAt = materialsAt + kMaterialRecordSize * materialCount;
    if (dataAt + out->vertexBytes + out->indexBytes > size) return ModelFileResult::kInvalid;
    if (!ReadAttributeRows(bytes + kE3d2HeaderSize, attribCount, out)) return ModelFileResult::kInvalid;

    out->materials.resize(materialCount);
    for (uint64_t i = 0; i < materialCount; ++i) {
        const uint8_t* r = bytes + materialsAt + kMaterialRecordSize * i;
        ModelFileMaterial& m = out->materials[i];
        FloatsAt(r, m.diffuse, 4);
        FloatsAt(r + 16, m.ambient, 3);
        FloatsAt(r + 28, m.specular, 3);
        m.power = F32At(r + 40);
        m.firstIndex = U32At(r + 56);
        m.indexCount = U32At(r + 60);
        if (memchr(r + 64, '\0', kModelTextureNameSize) == nullptr) return ModelFileResult::kInvalid;
        memcpy(m.textureName, r + 64, kModelTextureNameSize);
    }
    out->vertexData = bytes + dataAt;
    out->indexData = out->vertexData + out->vertexBytes;
    const uint64_t vertexCount = out->vertexBytes / out->stride;
    return RangesAndIndicesValid(*out, vertexCount) ? ModelFileResult::kOk : ModelFileResult::kInvalid;
}

}  // namespace

int32_t ModelAttribGlType(uint8_t code) {
    switch (code) {
        case 0: case 7: case 8: case 9: case 11: return 0;
        case 1: return GL_BYTE;
        case 2: return GL_UNSIGNED_BYTE;
        case 3: return GL_SHORT;
        case 4: return GL_UNSIGNED_SHORT;
        case 5: return GL_INT;  // not a vertex type in ES 2.0; such a model fails at draw
        case 6: return GL_UNSIGNED_INT;
        case 10: return GL_FLOAT;
        default: return -1;
    }
}

ModelFileResult ParseModelFile(const uint8_t* bytes, size_t size, ModelFileData* out) {
    *out = ModelFileData{};
    if (bytes == nullptr || size < 4) return ModelFileResult::kUnknownMagic;
    if (memcmp(bytes, "E3D2", 4) == 0) return ParseE3d2(bytes, size, out);
    if (memcmp(bytes, "E3DO", 4) == 0) return ParseE3do(bytes, size, out);
    return ModelFileResult::kUnknownMagic;
}
