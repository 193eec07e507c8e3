#include "fx/effect_implemented.h"

#include "fx/effect_node.h"
#include "fx/manager.h"
#include "fx/resource_loaders.h"
#include "platform/debug_log.h"

namespace Fx {

namespace {

// Loads every path through `loader` (when there is one) into `handles`.
template <typename Loader>
void LoadResources(Loader* loader, const std::vector<std::string>& paths, const char* materialPath,
                   std::vector<void*>& handles) {
    handles.assign(paths.size(), nullptr);
    if (loader == nullptr) return;
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string full = JoinEffectPath(materialPath, paths[i]);
        if (full.empty() && !paths[i].empty()) {
            LogError("Effect resource path too long: \"%s\"", paths[i].c_str());
            continue;
        }
        handles[i] = loader->Load(full.c_str());
    }
}

template <typename Loader>
void UnloadResources(Loader* loader, std::vector<void*>& handles) {
    if (loader != nullptr) {
        for (void* handle : handles) {
            if (handle != nullptr) loader->Unload(handle);
        }
    }
    handles.clear();
}

}  // namespace

Effect* Effect::Create(Manager* manager, const void* data, size_t size, const char* materialPath) {
    if (manager == nullptr || data == nullptr || size == 0) {
        LogError("Effect file refused: no data.");
        return nullptr;
    }
    auto* effect = new EffectImplemented(manager);
    if (!effect->Load(data, size, materialPath)) {
        effect->Release();
        return nullptr;
    }
    return effect;
}

EffectImplemented::EffectImplemented(Manager* manager) : manager_(manager) { manager_->AddRef(); }

EffectImplemented::~EffectImplemented() {
    Reset();
    manager_->Release();
}

int EffectImplemented::AddRef() { return ++referenceCount_; }

int EffectImplemented::Release() {
    int count = --referenceCount_;
    if (count == 0) delete this;
    return count;
}

bool EffectImplemented::ReadImage(const void* data, size_t size, EffectContent& out) {
    EffectFileError error;
    if (data == nullptr ||
        !ReadEffectFile(static_cast<const uint8_t*>(data), size, this, manager_->GetCoordinateSystem(), out, error)) {
        LogError("Effect file refused: %s (byte %zu).", data == nullptr ? "no data" : error.reason.c_str(),
                 error.offset);
        return false;
    }
    if (out.trailingBytes > 0) DebugPrint("Effect file: %zu bytes after the node tree ignored.", out.trailingBytes);
    return true;
}

void EffectImplemented::Install(EffectContent&& content, const char* materialPath) {
    content_ = std::move(content);
    LoadResources(manager_->GetTextureLoader(), content_.texturePaths, materialPath, textures_);
    LoadResources(manager_->GetSoundLoader(), content_.soundPaths, materialPath, sounds_);
    LoadResources(manager_->GetModelLoader(), content_.modelPaths, materialPath, models_);
    if (content_.root != nullptr) content_.root->InitializeRenderers();
    loaded_ = true;
}

bool EffectImplemented::Load(const void* data, size_t size, const char* materialPath) {
    EffectContent content;
    if (!ReadImage(data, size, content)) return false;
    Reset();
    Install(std::move(content), materialPath);
    return true;
}

void EffectImplemented::Reset() {
    if (content_.root != nullptr) content_.root->FinalizeRenderers();
    UnloadResources(manager_->GetTextureLoader(), textures_);
    UnloadResources(manager_->GetSoundLoader(), sounds_);
    UnloadResources(manager_->GetModelLoader(), models_);
    content_ = EffectContent();
    loaded_ = false;
}

bool EffectImplemented::Reload(const void* data, size_t size, const char* materialPath) {
    EffectContent content;
    if (!ReadImage(data, size, content)) return false;
    manager_->BeginReloadEffect(this);
    Reset();
    Install(std::move(content), materialPath);
    manager_->EndReloadEffect(this);
    return true;
}

bool EffectImplemented::Reload(const char* path, const char* materialPath) {
    EffectLoader* loader = manager_->GetEffectLoader();
    uint8_t* data = nullptr;
    size_t size = 0;
    if (loader == nullptr || path == nullptr || !loader->Load(path, data, size)) return false;
    std::string folder = materialPath != nullptr ? std::string(materialPath) : EffectPathFolder(path);
    bool reloaded = Reload(data, size, folder.c_str());
    loader->Unload(data, size);
    return reloaded;
}

void* EffectImplemented::Resource(const std::vector<void*>& list, int index) {
    return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)] : nullptr;
}

std::string EffectImplemented::Path(const std::vector<std::string>& list, int index) {
    return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)] : std::string();
}

}  // namespace Fx
