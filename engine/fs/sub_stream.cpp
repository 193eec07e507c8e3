// SubStream: a byte range of a parent stream. It re-seeks the parent before
// each transfer, so several sub-streams can share one parent.
#include "fs/object_alloc.h"
#include "fs/stream.h"

namespace {

struct SubStreamObject : Stream {
    Stream* parent = nullptr;
    uint32_t offset = 0;
    uint32_t size = 0;
    bool ownsParent = false;
    uint32_t position = 0;
};

SubStreamObject* Self(Stream* stream) { return static_cast<SubStreamObject*>(stream); }

void SubRelease(Stream* stream) {
    SubStreamObject* self = Self(stream);
    if (self->ownsParent) self->parent->Release();
    DeleteObject(self);
}

// Moves the parent to this window's position; the count clamped to the
// window, or 0 when nothing may be transferred.
uint32_t PrepareTransfer(SubStreamObject* self, uint32_t count) {
    if (self->position >= self->size) return 0;
    uint32_t left = self->size - self->position;
    if (count > left) count = left;
    uint64_t absolute = uint64_t{self->offset} + self->position;
    if (absolute > 0x7FFFFFFFu) return 0;  // beyond what a 32-bit signed seek can reach
    if (self->parent->Tell() != absolute) {
        if (self->parent->Seek(static_cast<int32_t>(absolute), kSeekSet) != absolute) return 0;
    }
    return count;
}

uint32_t SubRead(Stream* stream, void* buffer, uint32_t count) {
    SubStreamObject* self = Self(stream);
    count = PrepareTransfer(self, count);
    if (count == 0) return 0;
    uint32_t got = self->parent->Read(buffer, count);
    self->position += got;
    return got;
}

uint32_t SubWrite(Stream* stream, const void* buffer, uint32_t count) {
    SubStreamObject* self = Self(stream);
    count = PrepareTransfer(self, count);
    if (count == 0) return 0;
    uint32_t put = self->parent->Write(buffer, count);
    self->position += put;
    return put;
}

int32_t SubFlush(Stream* stream) { return Self(stream)->parent->Flush(); }

uint32_t SubSeek(Stream* stream, int32_t offset, int whence) {
    SubStreamObject* self = Self(stream);
    int64_t target;
    if (!SeekTarget(offset, whence, self->position, self->size, &target)) return 0;
    self->position = target < 0 ? 0 : static_cast<uint32_t>(target);
    return self->position;
}

uint32_t SubTell(Stream* stream) { return Self(stream)->position; }
uint32_t SubSize(Stream* stream) { return Self(stream)->size; }
int SubState(Stream* stream) {
    SubStreamObject* self = Self(stream);
    if (self->parent->State() == kStreamFailed) return kStreamFailed;
    return self->position < self->size ? kStreamHasData : kStreamAtEnd;
}

// A failed write inside the window spoils the parent too, owned or not.
void SubAbandon(Stream* stream) { Self(stream)->parent->Abandon(); }

constexpr StreamOps kSubStreamOps = {SubRelease, SubRead, SubWrite, SubFlush,
                                     SubSeek,    SubTell, SubSize,  SubState, SubAbandon, nullptr};

}  // namespace

Stream* SubStream(Stream* parent, uint32_t offset, uint32_t size, bool ownsParent, Allocator* allocator) {
    if (parent == nullptr) return nullptr;
    SubStreamObject* self = NewObject<SubStreamObject>(allocator);
    if (self == nullptr) return nullptr;
    self->ops = &kSubStreamOps;
    self->parent = parent;
    self->offset = offset;
    self->size = size;
    self->ownsParent = ownsParent;
    return self;
}
