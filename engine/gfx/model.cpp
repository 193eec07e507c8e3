// Loading models into GL buffers, sharing their textures, and drawing them
// material by material.
#include "gfx/model.h"

#include <cstring>

#include "core/allocator.h"
#include "core/path_util.h"
#include "core/string_util.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

namespace {

List gModels;

// The file's bytes in one block, or null with the open failure logged; a
// short read gives null too, since a model needs every byte it declares.
uint8_t* ReadModelBytes(const char* name, FsMgr* fs, uint32_t* outSize, bool* opened, Allocator* allocator) {
    *opened = false;
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, allocator);
    if (!stream) return nullptr;
    *opened = true;
    const uint32_t size = stream->Size();
    auto* block = static_cast<uint8_t*>(Alloc(allocator, static_cast<size_t>(size) + 1, 0));
    const uint32_t got = block && size > 0 ? stream->Read(block, size) : 0;
    stream->Release();
    if (block && got != size) {
        Allocator::Free(block);
        return nullptr;
    }
    *outSize = size;
    return block;
}

// A texture with alpha (RGBA 8888, 5551 or 4444) turns the alpha test on.
void AttachTexture(Model* model, int index, const std::string& directory, ModelTextureLoader loader, void* user) {
    ModelMaterial& m = model->materials[index];
    if (m.textureName[0] == '\0') return;
    int earlier = 0;
    while (earlier < index && strcmp(model->materials[earlier].textureName, m.textureName) != 0) ++earlier;
    if (earlier < index) {
        m.texture = model->materials[earlier].texture;  // null again when that load failed
        Texture::AddRef(m.texture);
    } else {
        m.texture = loader(user, PathJoin(directory.c_str(), m.textureName).c_str(), model->fs);
    }
    if (m.texture && m.texture->format >= 0 && m.texture->format <= 2) {
        m.alphaTest = 1;
        m.alphaRef = 0.2f;
    }
}

Model* BuildModel(const ModelFileData& data, const char* name, FsMgr* fs, ModelTextureLoader loader, void* user,
                  Allocator* allocator) {
    const size_t count = data.materials.size();
    auto* model = static_cast<Model*>(Alloc(allocator, sizeof(Model) + count * sizeof(ModelMaterial), 0));
    if (!model) return nullptr;
    memset(static_cast<void*>(model), 0, sizeof(Model) + count * sizeof(ModelMaterial));
    model->materials = reinterpret_cast<ModelMaterial*>(model + 1);
    model->materialCount = static_cast<int32_t>(count);
    model->stride = static_cast<int32_t>(data.stride);
    model->cachedProgram = -1;
    model->fs = fs;
    memcpy(model->boundsCenter, data.boundsCenter, sizeof model->boundsCenter);
    memcpy(model->boundsExtent, data.boundsExtent, sizeof model->boundsExtent);
    memcpy(model->rows, data.rows, sizeof model->rows);
    for (int i = 0; i < kModelAttribRows; ++i) model->locations[i] = -1;

    const std::string directory = GetDirectoryPart(name);
    for (size_t i = 0; i < count; ++i) {
        const ModelFileMaterial& from = data.materials[i];
        ModelMaterial& m = model->materials[i];
        memcpy(m.diffuse, from.diffuse, sizeof m.diffuse);
        memcpy(m.ambient, from.ambient, 3 * sizeof(float));
        memcpy(m.specular, from.specular, 3 * sizeof(float));
        m.ambient[3] = m.specular[3] = 1.0f;
        m.power = from.power;
        m.firstIndex = from.firstIndex;
        m.indexCount = from.indexCount;
        memcpy(m.textureName, from.textureName, sizeof m.textureName);
        AttachTexture(model, static_cast<int>(i), directory, loader, user);
    }
    model->vertexBuffer = GlCreateVertexBuffer(data.vertexData, data.vertexBytes, GL_STATIC_DRAW);
    model->indexBuffer = GlCreateIndexBuffer(data.indexData, data.indexBytes, GL_STATIC_DRAW);
    return model;
}

}  // namespace

Texture* LoadModelTexture(void* user, const char* path, FsMgr* fs) { return Texture::Load(path, fs, nullptr); }

const List& GetModelList() { return gModels; }

Model* Model::Load(const char* name, FsMgr* fs, ModelTextureLoader loader, void* user, Allocator* allocator) {
    if (!name) return nullptr;
    uint32_t size = 0;
    bool opened = false;
    uint8_t* bytes = ReadModelBytes(name, fs, &size, &opened, allocator);
    if (!opened) {
        LogFailed("open \"%s\"", name);
        return nullptr;
    }
    ModelFileData data;
    Model* model = nullptr;
    if (bytes && ParseModelFile(bytes, size, &data) == ModelFileResult::kOk) {
        model = BuildModel(data, name, fs, loader ? loader : LoadModelTexture, user, allocator);
    }
    Allocator::Free(bytes);
    if (!model) {
        LogError("%s is invalid data format.", name);
        return nullptr;
    }
    for (const GlVertexAttrib& row : model->rows) {
        if (row.name && (row.type == GL_INT || row.type == GL_UNSIGNED_INT)) {
            LogWarning("%s: %s has 32-bit integers, which OpenGL ES 2.0 cannot draw.", name, row.name);
        }
    }
    model->fileName = StrDup(name);
    ListPushBack(&gModels, &model->link);
    return model;
}

void Model::Release(Model* model) {
    if (!model) return;
    ListRemove(&gModels, &model->link);
    Allocator::Free(model->fileName);
    GlDeleteBuffer(model->vertexBuffer);
    GlDeleteBuffer(model->indexBuffer);
    for (int i = 0; i < model->materialCount; ++i) Texture::Release(model->materials[i].texture);
    Allocator::Free(model);
}

void Model::Draw(Model* model) {
    if (!model) return;
    const int32_t program = GlGetCurrentProgram();
    if (program != model->cachedProgram) {
        GlGetAttribLocations(program, kModelAttribRows, model->rows, model->locations);
        model->cachedProgram = program;
    }
    GlBindVertexBuffer(model->vertexBuffer);
    GlBindIndexBuffer(model->indexBuffer);
    GlEnableAttribArrays(kModelAttribRows, model->locations);
    for (int i = 0; i < kModelAttribRows; ++i) {
        const GlVertexAttrib& row = model->rows[i];
        if (model->locations[i] < 0) continue;
        // Offsets into the bound buffer travel as pointers.
        glVertexAttribPointer(static_cast<GLuint>(model->locations[i]), row.components, row.type,
                              row.normalized ? GL_TRUE : GL_FALSE, model->stride,
                              reinterpret_cast<const void*>(static_cast<uintptr_t>(row.offset)));
    }
    for (int i = 0; i < model->materialCount; ++i) {
        const ModelMaterial& m = model->materials[i];
        MaterialShader::SetAlphaTest(m.alphaTest, m.alphaRef);
        GlState::SetTexture(m.texture, GL_CLAMP_TO_EDGE, GL_LINEAR);
        MaterialShader::SetTexEnable();
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(m.indexCount), GL_UNSIGNED_SHORT,
                       reinterpret_cast<const void*>(static_cast<uintptr_t>(m.firstIndex) * 2));
        // The vertex figure is the index count halved, as the engine's counters have always shown it.
        CountDraw(m.indexCount / 3, m.indexCount / 2);
    }
    GlDisableAttribArrays(kModelAttribRows, model->locations);
    GlBindVertexBuffer(0);
    GlBindIndexBuffer(0);
}

int32_t Model::GetMaterialCount(const Model* model) { return model ? model->materialCount : 0; }

void Model::SetMaterialAlphaTest(Model* model, int32_t index, int32_t flag, float ref) {
    if (!model || index < 0 || index >= model->materialCount) return;
    model->materials[index].alphaTest = flag;
    model->materials[index].alphaRef = ref;
}

void Model::GetBoundsCenter(const Model* model, float out[3]) { memcpy(out, model->boundsCenter, 3 * sizeof(float)); }

void Model::GetBoundsExtent(const Model* model, float out[3]) { memcpy(out, model->boundsExtent, 3 * sizeof(float)); }
