// Static triangle meshes: a model file read into one GL vertex buffer and one
// index buffer, with its materials (colour terms, index range, a texture that
// materials naming the same file share, alpha test). Models are drawn with
// whatever program the caller made current, through the material shader's
// uniforms. Every live model is on one global list. Main thread only.
#pragma once

#include <cstdint>

#include "core/list.h"
#include "gfx/gl_program.h"
#include "gfx/model_file.h"

struct Allocator;
struct FsMgr;
struct Texture;

// Returns a texture with one reference for the caller, or null. `path` is the
// material's name joined to the model file's folder.
using ModelTextureLoader = Texture* (*)(void* user, const char* path, FsMgr* fs);

struct ModelMaterial {
    float diffuse[4];
    float power;
    float ambient[4];   // alpha 1
    float specular[4];  // alpha 1
    Texture* texture;   // null = untextured
    char textureName[kModelTextureNameSize];
    uint32_t firstIndex;
    uint32_t indexCount;
    int32_t alphaTest;
    float alphaRef;
};

struct Model {
    ListNode link;  // first: the global model list links the model itself
    uint32_t vertexBuffer;
    uint32_t indexBuffer;
    float boundsCenter[3];
    float boundsExtent[3];
    int32_t stride;
    int32_t materialCount;
    ModelMaterial* materials;  // in the same block as the model
    int32_t cachedProgram;     // whose attribute locations are cached; -1 = none yet
    FsMgr* fs;
    char* fileName;
    GlVertexAttrib rows[kModelAttribRows];
    int32_t locations[kModelAttribRows];

    // Null with "open \"%s\"" when the file cannot be opened, and with
    // "%s is invalid data format." when its bytes are not a whole, valid model. A null
    // loader means LoadModelTexture.
    static Model* Load(const char* name, FsMgr* fs, ModelTextureLoader loader, void* user, Allocator* allocator);
    // Unlinks the model, deletes its buffers and drops its texture references.
    static void Release(Model* model);
    // Draws every material range with the current program.
    static void Draw(Model* model);
    static int32_t GetMaterialCount(const Model* model);
    // Ignored for an index outside the materials.
    static void SetMaterialAlphaTest(Model* model, int32_t index, int32_t flag, float ref);
    static void GetBoundsCenter(const Model* model, float out[3]);
    static void GetBoundsExtent(const Model* model, float out[3]);
};

// Texture::Load through `fs` with the default allocator; `user` is unused.
Texture* LoadModelTexture(void* user, const char* path, FsMgr* fs);

// The models alive now, in load order.
const List& GetModelList();
