// Loads effect model files into ModelBuffers: the model as read (the handle
// an effect keeps is its Fx::Model base) with its GL buffers. The file is
// checked whole by the model reader before anything reaches the GPU.
#pragma once

#include <memory>

#include "fx/file_interface.h"
#include "fx/gl/render_state.h"
#include "fx/resource_loaders.h"

namespace Fx {
class Model;
}

namespace FxRenderer {

class ModelLoader : public Fx::ModelLoader {
public:
    // Reads through `files` (not owned); null: the C library's files.
    explicit ModelLoader(Fx::FileInterface* files) : files_(files ? files : &defaultFiles_) {}

    // The Fx::Model of a ModelBuffers, or null (missing or refused file).
    void* Load(const char* path) override;
    void Unload(void* model) override;

    // The model with its buffers; null when they cannot be made.
    static ModelBuffers* CreateBuffers(Fx::Model&& model);
    static void DeleteBuffers(ModelBuffers* buffers);
    // The ModelBuffers behind a handle this loader answered (null for null).
    static const ModelBuffers* FromHandle(const void* handle) {
        return static_cast<const ModelBuffers*>(static_cast<const Fx::Model*>(handle));
    }

private:
    Fx::DefaultFileInterface defaultFiles_;
    Fx::FileInterface* files_;
};

}  // namespace FxRenderer
