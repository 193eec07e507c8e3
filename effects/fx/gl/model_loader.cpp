#include "fx/gl/model_loader.h"

#include <cstring>
#include <limits>
#include <vector>

#include "fx/model.h"
#include "platform/debug_log.h"

namespace FxRenderer {

namespace {
bool HasUintIndices() {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && strstr(extensions, "GL_OES_element_index_uint") != nullptr;
}
}  // namespace

void* ModelLoader::Load(const char* path) {
    std::unique_ptr<Fx::FileReader> reader = path ? files_->OpenRead(path) : nullptr;
    if (!reader) {
        LogFailed("open the effect model \"%s\"", path ? path : "");
        return nullptr;
    }
    const int64_t length = reader->GetLength();
    if (length < 0 || length > std::numeric_limits<int32_t>::max()) {
        LogError("Effect model \"%s\": unreadable length.", path);
        return nullptr;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (reader->Read(bytes.data(), bytes.size()) != bytes.size()) {
        LogError("Effect model \"%s\": short read.", path);
        return nullptr;
    }
    std::unique_ptr<Fx::Model> model = Fx::Model::Load(bytes.data(), bytes.size());
    ModelBuffers* buffers = model ? CreateBuffers(std::move(*model)) : nullptr;
    return buffers ? static_cast<Fx::Model*>(buffers) : nullptr;
}

void ModelLoader::Unload(void* model) { DeleteBuffers(const_cast<ModelBuffers*>(FromHandle(model))); }

ModelBuffers* ModelLoader::CreateBuffers(Fx::Model&& model) {
    const size_t vertexCount = model.vertices.size();
    const size_t indexCount = model.faces.size() * 3;
    // Without 32-bit indices a model of up to 65536 vertices goes as 16-bit.
    const bool wide = HasUintIndices();
    if (!wide && vertexCount > 65536) {
        LogError("Effect model: %zu vertices need 32-bit indices, which this GL lacks.", vertexCount);
        return nullptr;
    }
    auto* buffers = new ModelBuffers();
    static_cast<Fx::Model&>(*buffers) = std::move(model);
    buffers->vertexCount = static_cast<int32_t>(vertexCount);
    buffers->indexCount = static_cast<int32_t>(indexCount);
    buffers->indexType = wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    glGenBuffers(1, &buffers->vertexBuffer);
    glGenBuffers(1, &buffers->indexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffers->vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertexCount * sizeof(Fx::ModelVertex)), buffers->vertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers->indexBuffer);
    if (wide) {
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indexCount * 4), buffers->faces.data(), GL_STATIC_DRAW);
    } else {
        std::vector<uint16_t> narrow(indexCount);
        for (size_t i = 0; i < indexCount; ++i) narrow[i] = uint16_t(buffers->faces[i / 3].index[i % 3]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indexCount * 2), narrow.data(), GL_STATIC_DRAW);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return buffers;
}

void ModelLoader::DeleteBuffers(ModelBuffers* buffers) {
    if (!buffers) return;
    glDeleteBuffers(1, &buffers->indexBuffer);
    glDeleteBuffers(1, &buffers->vertexBuffer);
    delete buffers;
}

}  // namespace FxRenderer
