// Reads whole effect files through a file interface: the one given, or the
// stdio one it embeds.
#pragma once

#include "fx/file_interface.h"
#include "fx/resource_loaders.h"

namespace Fx {

// Effect files are small; a larger file is refused rather than read whole.
constexpr int64_t kMaxEffectFileSize = 64 << 20;

class DefaultEffectLoader : public EffectLoader {
public:
    explicit DefaultEffectLoader(FileInterface* fileInterface = nullptr);
    bool Load(const char* path, uint8_t*& data, size_t& size) override;
    void Unload(uint8_t* data, size_t size) override;

private:
    DefaultFileInterface defaultFileInterface_;
    FileInterface* fileInterface_;
};

}  // namespace Fx
