// Loads PNG files into GL textures for effects run without the engine's own
// texture cache. Every colour type becomes 8-bit RGBA; a damaged file gives
// null and one log line. The handle is the GL texture name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fx/file_interface.h"
#include "fx/resource_loaders.h"

namespace FxRenderer {

class TextureLoader : public Fx::TextureLoader {
public:
    explicit TextureLoader(Fx::FileInterface* files) : files_(files ? files : &defaultFiles_) {}

    void* Load(const char* path) override;
    void Unload(void* texture) override;

    // A texture from PNG bytes in memory; null when they do not decode.
    static void* LoadFromMemory(const void* data, size_t size);

private:
    Fx::DefaultFileInterface defaultFiles_;
    Fx::FileInterface* files_;
};

}  // namespace FxRenderer
