// XorStream: the scrambling layer of packed entries and of scrambled files.
// The XOR is its own inverse, so one layer descrambles reads and scrambles
// writes; only the bytes below the limit are touched.
#include "fs/object_alloc.h"
#include "fs/stream.h"

namespace {

// Writes are scrambled through a local buffer of this size so the caller's
// data is never modified.
constexpr uint32_t kXorPiece = 1024;

struct XorStreamObject : Stream {
    Stream* parent = nullptr;
    uint32_t position = 0;
    const uint8_t* key = nullptr;
    uint32_t keyLength = 0;
    uint32_t limit = 0;
};

XorStreamObject* Self(Stream* stream) { return static_cast<XorStreamObject*>(stream); }

void XorRelease(Stream* stream) {
    XorStreamObject* self = Self(stream);
    self->parent->Release();
    DeleteObject(self);
}

// Bytes from `position` that lie below the limit, at most `count`.
uint32_t ScrambledSpan(const XorStreamObject* self, uint32_t count) {
    if (self->key == nullptr || self->position >= self->limit) return 0;
    uint32_t left = self->limit - self->position;
    return count < left ? count : left;
}

uint32_t XorRead(Stream* stream, void* buffer, uint32_t count) {
    XorStreamObject* self = Self(stream);
    uint32_t got = self->parent->Read(buffer, count);
    uint32_t span = ScrambledSpan(self, got);
    auto* bytes = static_cast<uint8_t*>(buffer);
    for (uint32_t i = 0; i < span; ++i) bytes[i] ^= self->key[(self->position + i) % self->keyLength];
    self->position += got;
    return got;
}

uint32_t XorWrite(Stream* stream, const void* buffer, uint32_t count) {
    XorStreamObject* self = Self(stream);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    uint32_t span = ScrambledSpan(self, count);
    uint32_t written = 0;
    uint8_t piece[kXorPiece];
    while (written < span) {
        uint32_t n = span - written;
        if (n > kXorPiece) n = kXorPiece;
        for (uint32_t i = 0; i < n; ++i) {
            piece[i] = bytes[written + i] ^ self->key[(self->position + written + i) % self->keyLength];
        }
        uint32_t put = self->parent->Write(piece, n);
        written += put;
        if (put < n) {
            self->position += written;
            return written;
        }
    }
    if (written < count) written += self->parent->Write(bytes + written, count - written);
    self->position += written;
    return written;
}

int32_t XorFlush(Stream* stream) { return Self(stream)->parent->Flush(); }

uint32_t XorSeek(Stream* stream, int32_t offset, int whence) {
    XorStreamObject* self = Self(stream);
    if (whence != kSeekSet && whence != kSeekCurrent && whence != kSeekEnd) return 0;
    self->position = self->parent->Seek(offset, whence);
    return self->position;
}

uint32_t XorTell(Stream* stream) { return Self(stream)->position; }
uint32_t XorSize(Stream* stream) { return Self(stream)->parent->Size(); }
int XorState(Stream* stream) { return Self(stream)->parent->State(); }
void XorAbandon(Stream* stream) { Self(stream)->parent->Abandon(); }

constexpr StreamOps kXorStreamOps = {XorRelease, XorRead, XorWrite, XorFlush,
                                     XorSeek,    XorTell, XorSize,  XorState, XorAbandon, nullptr};

}  // namespace

Stream* XorStream(Stream* parent, const uint8_t* key, uint32_t keyLength, uint32_t limit,
                  Allocator* allocator) {
    if (parent == nullptr) return nullptr;
    XorStreamObject* self = NewObject<XorStreamObject>(allocator);
    if (self == nullptr) return nullptr;
    self->ops = &kXorStreamOps;
    self->parent = parent;
    // A key of length 0 would divide by zero: it counts as no key at all.
    self->key = keyLength > 0 ? key : nullptr;
    self->keyLength = keyLength;
    self->limit = limit;
    return self;
}
