// Vertex and index buffer objects of the effect renderer.
#include "fx/gl/buffers.h"

#include <cstring>

#include "fx/gl/renderer.h"
#include "platform/debug_log.h"

namespace FxRenderer {

DeviceObject::DeviceObject(Renderer* renderer, bool holdsReference)
    : renderer_(renderer), holdsReference_(holdsReference) {
    if (renderer_ && holdsReference_) renderer_->AddRef();
}

DeviceObject::~DeviceObject() {
    if (renderer_ && holdsReference_) renderer_->Release();
}

std::unique_ptr<VertexBuffer> VertexBuffer::Create(Renderer* renderer, uint32_t size, bool dynamic,
                                                   bool holdsReference) {
    std::unique_ptr<VertexBuffer> buffer(new VertexBuffer(renderer, holdsReference));
    buffer->size_ = size;
    buffer->dynamic_ = dynamic;
    buffer->memory_.assign(size, 0);
    glGenBuffers(1, &buffer->name_);
    if (buffer->name_ == 0) {
        LogFailed("create the effect vertex buffer (%u bytes)", size);
        return nullptr;
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffer->name_);
    glBufferData(GL_ARRAY_BUFFER, size, buffer->memory_.data(), GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return buffer;
}

VertexBuffer::~VertexBuffer() {
    if (name_ != 0) glDeleteBuffers(1, &name_);
}

void VertexBuffer::Lock() {
    locked_ = true;
    offset_ = 0;
}

void VertexBuffer::Unlock() {
    if (offset_ > 0) {
        glBindBuffer(GL_ARRAY_BUFFER, name_);
        glBufferSubData(GL_ARRAY_BUFFER, 0, offset_, memory_.data());
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    }
    locked_ = false;
}

uint8_t* VertexBuffer::DirectBuffer(uint32_t size) {
    if (size > size_ - offset_) return nullptr;
    uint8_t* at = memory_.data() + offset_;
    offset_ += size;
    return at;
}

bool VertexBuffer::Push(const void* data, uint32_t size) {
    uint8_t* at = DirectBuffer(size);
    if (!at) return false;
    memcpy(at, data, size);
    return true;
}

std::unique_ptr<IndexBuffer> IndexBuffer::Create(Renderer* renderer, uint32_t maxCount, bool holdsReference) {
    std::unique_ptr<IndexBuffer> buffer(new IndexBuffer(renderer, holdsReference));
    glGenBuffers(1, &buffer->name_);
    if (buffer->name_ == 0) {
        LogFailed("create the effect index buffer (%u indices)", maxCount);
        return nullptr;
    }
    buffer->maxCount_ = maxCount;
    buffer->indices_.assign(maxCount, 0);
    return buffer;
}

IndexBuffer::~IndexBuffer() {
    if (name_ != 0) glDeleteBuffers(1, &name_);
}

void IndexBuffer::Lock() {
    locked_ = true;
    count_ = 0;
}

uint16_t* IndexBuffer::Push(uint32_t count) {
    if (count > maxCount_ - count_) return nullptr;
    uint16_t* at = indices_.data() + count_;
    count_ += count;
    return at;
}

void IndexBuffer::Unlock() {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, count_ * sizeof(uint16_t), indices_.data(), GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    locked_ = false;
}

}  // namespace FxRenderer
