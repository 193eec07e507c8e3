#include "fx/default_effect_loader.h"

#include "platform/debug_log.h"

namespace Fx {

DefaultEffectLoader::DefaultEffectLoader(FileInterface* fileInterface)
    : fileInterface_(fileInterface != nullptr ? fileInterface : &defaultFileInterface_) {}

bool DefaultEffectLoader::Load(const char* path, uint8_t*& data, size_t& size) {
    data = nullptr;
    size = 0;
    std::unique_ptr<FileReader> reader = fileInterface_->OpenRead(path);
    if (reader == nullptr) return false;
    int64_t length = reader->GetLength();
    if (length <= 0 || length > kMaxEffectFileSize) {
        LogError("Effect file \"%s\" has an unusable size (%lld bytes).", path, static_cast<long long>(length));
        return false;
    }
    auto* buffer = new uint8_t[static_cast<size_t>(length)];
    if (reader->Read(buffer, static_cast<size_t>(length)) != static_cast<size_t>(length)) {
        LogFailed("read \"%s\"", path);
        delete[] buffer;
        return false;
    }
    data = buffer;
    size = static_cast<size_t>(length);
    return true;
}

void DefaultEffectLoader::Unload(uint8_t* data, size_t size) { delete[] data; }

}  // namespace Fx
