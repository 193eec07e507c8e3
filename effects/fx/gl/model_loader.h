// Loads effect model files into GL buffers (ModelBuffers, the handle an
// effect keeps for a model). The file is checked whole by the model reader
// before anything reaches the GPU.
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

    // A ModelBuffers pointer, or null (missing or refused file).
    void* Load(const char* path) override;
    void Unload(void* model) override;

    // The buffers of a model already read; null when they cannot be made.
    static ModelBuffers* CreateBuffers(const Fx::Model& model);
    static void DeleteBuffers(ModelBuffers* buffers);

private:
    Fx::DefaultFileInterface defaultFiles_;
    Fx::FileInterface* files_;
};

}  // namespace FxRenderer
