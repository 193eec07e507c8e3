// The reader of the two static-mesh formats, "E3DO" (fixed 32-byte vertices,
// one plain material) and "E3D2" (described vertices, up to four attributes,
// 128-byte material records). It works on the file's bytes in memory and
// touches no GL, so it is checked and fuzzed on its own; Model::Load turns
// its result into buffers and textures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/gl_program.h"

constexpr int kModelAttribRows = 4;  // a_Position, a_Normal, a_TexCoord, a_Color
constexpr size_t kModelTextureNameSize = 64;

struct ModelFileMaterial {
    float diffuse[4];
    float ambient[3];
    float specular[3];
    float power;
    uint32_t firstIndex;
    uint32_t indexCount;
    char textureName[kModelTextureNameSize];  // NUL-terminated; empty = untextured
};

// Pointers into the bytes handed to ParseModelFile; valid while they are.
struct ModelFileData {
    uint32_t stride;
    float boundsCenter[3];  // zero for E3DO
    float boundsExtent[3];
    GlVertexAttrib rows[kModelAttribRows];  // a row without a name is absent
    std::vector<ModelFileMaterial> materials;
    const uint8_t* vertexData;
    uint32_t vertexBytes;
    const uint8_t* indexData;  // little-endian u16
    uint32_t indexBytes;
};

enum class ModelFileResult { kOk, kUnknownMagic, kInvalid };

// Reads and checks a whole model file: every count, size, range, attribute
// layout, texture name and index is validated (in 64-bit arithmetic) before
// anything points into the bytes. Anything but kOk leaves `out` unusable.
ModelFileResult ParseModelFile(const uint8_t* bytes, size_t size, ModelFileData* out);

// The GL component type of an attribute type code: 0 for "absent" (codes 0,
// 7, 8, 9 and 11); -1 for codes no file may hold.
int32_t ModelAttribGlType(uint8_t code);
