// A loaded effect: the resource paths its file names with what the loaders
// made of them, a magnification and the node tree. It is made from an effect
// file image, belongs to one manager (holding a reference to it) and is shared
// by every play of it through its own reference count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Fx {

class EffectNode;
class Manager;

class Effect {
public:
    // Reads an effect file image (the data is not kept). Null, with one error
    // line, for no data or a file that is refused. `materialPath` is the folder
    // the resource paths are relative to (UTF-8, may be null).
    static Effect* Create(Manager* manager, const void* data, size_t size, const char* materialPath = nullptr);

    virtual int AddRef() = 0;
    // At 0 the effect gives its resources back and is freed.
    virtual int Release() = 0;

    virtual Manager* GetManager() const = 0;
    virtual int GetVersion() const = 0;
    virtual float GetMagnification() const = 0;
    virtual EffectNode* GetRoot() const = 0;

    // What the loaders answered for the resource at `index`; null when the
    // index is out of range, there was no loader, or it failed.
    virtual void* GetTexture(int index) const = 0;
    virtual void* GetSound(int index) const = 0;
    virtual void* GetModel(int index) const = 0;

    virtual int GetTextureCount() const = 0;
    virtual int GetSoundCount() const = 0;
    virtual int GetModelCount() const = 0;
    // The paths as the file stores them, in UTF-8; empty when out of range.
    virtual std::string GetTexturePath(int index) const = 0;
    virtual std::string GetSoundPath(int index) const = 0;
    virtual std::string GetModelPath(int index) const = 0;

    // Replaces the contents from a new file image, rebuilding the plays of
    // the effect. A refused image changes nothing and answers false.
    virtual bool Reload(const void* data, size_t size, const char* materialPath) = 0;
    // The same from a file read through the manager's effect loader; with no
    // material path the file's own folder is taken.
    virtual bool Reload(const char* path, const char* materialPath) = 0;

protected:
    virtual ~Effect() = default;
};

}  // namespace Fx
