// The effect object itself. Its contents are replaced only whole: a load or
// reload reads the new image completely before anything of the old one is
// let go, so a refused image leaves the effect as it was.
#pragma once

#include <vector>

#include "fx/effect.h"
#include "fx/effect_file.h"

namespace Fx {

class EffectImplemented : public Effect {
public:
    explicit EffectImplemented(Manager* manager);

    // Reads the image and loads its resources; false (with one error line)
    // when the image is refused, leaving the effect as it was.
    bool Load(const void* data, size_t size, const char* materialPath);
    // Gives every resource back to its loader and drops the node tree.
    void Reset();
    bool IsLoaded() const { return loaded_; }

    int AddRef() override;
    int Release() override;
    Manager* GetManager() const override { return manager_; }
    int GetVersion() const override { return content_.version; }
    float GetMagnification() const override { return content_.magnification; }
    EffectNode* GetRoot() const override { return content_.root.get(); }
    void* GetTexture(int index) const override { return Resource(textures_, index); }
    void* GetSound(int index) const override { return Resource(sounds_, index); }
    void* GetModel(int index) const override { return Resource(models_, index); }
    int GetTextureCount() const override { return static_cast<int>(content_.texturePaths.size()); }
    int GetSoundCount() const override { return static_cast<int>(content_.soundPaths.size()); }
    int GetModelCount() const override { return static_cast<int>(content_.modelPaths.size()); }
    std::string GetTexturePath(int index) const override { return Path(content_.texturePaths, index); }
    std::string GetSoundPath(int index) const override { return Path(content_.soundPaths, index); }
    std::string GetModelPath(int index) const override { return Path(content_.modelPaths, index); }
    bool Reload(const void* data, size_t size, const char* materialPath) override;
    bool Reload(const char* path, const char* materialPath) override;

private:
    ~EffectImplemented() override;

    bool ReadImage(const void* data, size_t size, EffectContent& out);
    void Install(EffectContent&& content, const char* materialPath);
    static void* Resource(const std::vector<void*>& list, int index);
    static std::string Path(const std::vector<std::string>& list, int index);

    Manager* manager_;
    bool loaded_ = false;
    int referenceCount_ = 1;
    EffectContent content_;
    std::vector<void*> textures_, sounds_, models_;
};

}  // namespace Fx
