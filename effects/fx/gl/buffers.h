// The renderer's two buffer objects: one dynamic vertex buffer that every
// node renderer writes its batch into (a CPU block uploaded at Unlock), and
// the static 16-bit index buffer of the squares.
#pragma once

#include <GLES2/gl2.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fx/gl/device_object.h"

namespace FxRenderer {

class VertexBuffer : public DeviceObject {
public:
    // Null when the GL buffer cannot be made.
    static std::unique_ptr<VertexBuffer> Create(Renderer* renderer, uint32_t size, bool dynamic,
                                                bool holdsReference = true);
    ~VertexBuffer() override;

    // Starts a batch at the front of the buffer.
    void Lock();
    // Uploads the bytes written since Lock.
    void Unlock();
    bool IsLocked() const { return locked_; }

    // Room for `size` more bytes at the write position, which moves past it;
    // null (and nothing taken) when they would not fit.
    uint8_t* DirectBuffer(uint32_t size);
    bool Push(const void* data, uint32_t size);

    uint32_t GetSize() const { return size_; }
    uint32_t GetOffset() const { return offset_; }
    // The CPU copy of the last batch, as uploaded.
    const uint8_t* GetMemory() const { return memory_.data(); }
    GLuint GetName() const { return name_; }

private:
    VertexBuffer(Renderer* renderer, bool holdsReference) : DeviceObject(renderer, holdsReference) {}
    uint32_t size_ = 0;
    uint32_t offset_ = 0;
    bool dynamic_ = true;
    bool locked_ = false;
    std::vector<uint8_t> memory_;
    GLuint name_ = 0;
};

class IndexBuffer : public DeviceObject {
public:
    static std::unique_ptr<IndexBuffer> Create(Renderer* renderer, uint32_t maxCount, bool holdsReference = true);
    ~IndexBuffer() override;

    void Lock();
    // Where `count` more indices go; null when they would not fit.
    uint16_t* Push(uint32_t count);
    void Unlock();

    uint32_t GetMaxCount() const { return maxCount_; }
    uint32_t GetCount() const { return count_; }
    const uint16_t* GetIndices() const { return indices_.data(); }
    GLuint GetName() const { return name_; }

private:
    IndexBuffer(Renderer* renderer, bool holdsReference) : DeviceObject(renderer, holdsReference) {}
    uint32_t maxCount_ = 0;
    uint32_t count_ = 0;
    bool locked_ = false;
    std::vector<uint16_t> indices_;
    GLuint name_ = 0;
};

}  // namespace FxRenderer
