// The interfaces through which an effect reaches its files and resources.
// Paths are UTF-8: the effect file stores them as UTF-16 and the reader
// converts them once. A loader answers an opaque handle (null: failure) and
// gets the same handle back when the effect lets go of it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Fx {

class TextureLoader {
public:
    virtual ~TextureLoader() = default;
    virtual void* Load(const char* path) { return nullptr; }
    virtual void Unload(void* texture) {}
};

class SoundLoader {
public:
    virtual ~SoundLoader() = default;
    virtual void* Load(const char* path) { return nullptr; }
    virtual void Unload(void* sound) {}
};

// A model loader answers an Fx::Model, or an object of a class derived from
// it: the model emitters of the instances read its vertices and faces.
class ModelLoader {
public:
    virtual ~ModelLoader() = default;
    virtual void* Load(const char* path) { return nullptr; }
    virtual void Unload(void* model) {}
};

// Reads a whole effect file for a reload from a path.
class EffectLoader {
public:
    virtual ~EffectLoader() = default;
    virtual bool Load(const char* path, uint8_t*& data, size_t& size) = 0;
    virtual void Unload(uint8_t* data, size_t size) = 0;
};

}  // namespace Fx
