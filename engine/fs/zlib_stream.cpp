// ZlibStream: zlib data on a parent stream, inflated on read and deflated at
// level 5 on write through a 2048-byte buffer. Reading takes its input in
// 16 KiB pieces: with 2 KiB zlib copies its window after every small call and
// loses a fifth of its speed. Every zlib result is checked and
// a pass that makes no progress counts as an error, so damaged or truncated
// data ends the stream instead of spinning.
#define ZLIB_CONST  // next_in takes the caller's const data
#include <zlib.h>

#include "fs/object_alloc.h"
#include "fs/stream.h"
#include "platform/debug_log.h"

namespace {

constexpr uint32_t kDeflateOutputSize = 2048;
constexpr uint32_t kInflateInputSize = 16384;
constexpr int kDeflateLevel = 5;

struct ZlibStreamObject : Stream {
    Stream* parent = nullptr;
    z_stream zs{};
    int mode = 0;
    uint8_t buffer[kInflateInputSize];  // inflate input, or the first 2048 bytes deflate output
    uint32_t position = 0;  // bytes produced when reading, consumed when writing
    uint32_t size = 0;
    bool ended = false;     // inflate reached the end of the data
    bool finished = false;  // deflate wrote the end of the data (after Flush)
    bool failed = false;
    int pendingByte = -1;   // inflated past the promised size, not yet read
};

ZlibStreamObject* Self(Stream* stream) { return static_cast<ZlibStreamObject*>(stream); }

void Fail(ZlibStreamObject* self, const char* what, int code) {
    if (!self->failed) {
        LogError("%s compressed data: zlib %d (%s)", what, code, self->zs.msg ? self->zs.msg : "no detail");
    }
    self->failed = true;
    // Compressed data with a hole is lost whole: the stream below must not keep it.
    if (self->mode == kZlibDeflate) self->parent->Abandon();
}

// Hands the filled part of the output buffer to the parent.
bool DrainOutput(ZlibStreamObject* self) {
    uint32_t filled = kDeflateOutputSize - self->zs.avail_out;
    if (filled > 0 && self->parent->Write(self->buffer, filled) != filled) {
        Fail(self, "could not write", Z_ERRNO);
        return false;
    }
    self->zs.next_out = self->buffer;
    self->zs.avail_out = kDeflateOutputSize;
    return true;
}

// Inflates into `out` until it is full, the data ends or an error; returns
// the bytes produced (meaningless once `failed` is set).
uint32_t InflateInto(ZlibStreamObject* self, uint8_t* out, uint32_t space) {
    self->zs.next_out = out;
    self->zs.avail_out = space;
    while (self->zs.avail_out > 0) {
        if (self->zs.avail_in == 0) {
            self->zs.next_in = self->buffer;
            self->zs.avail_in = self->parent->Read(self->buffer, kInflateInputSize);
        }
        uInt outBefore = self->zs.avail_out;
        uInt inBefore = self->zs.avail_in;
        int result = inflate(&self->zs, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            self->ended = true;
            break;
        }
        // Z_NEED_DICT (a preset dictionary) and Z_BUF_ERROR (the input ran out)
        // are failures here like the negative codes.
        if (result != Z_OK) {
            Fail(self, "damaged", result);
            break;
        }
        if (self->zs.avail_out == outBefore && self->zs.avail_in == inBefore) {
            Fail(self, "stalled on", result);
            break;
        }
    }
    return space - self->zs.avail_out;
}

uint32_t ZlibRead(Stream* stream, void* buffer, uint32_t count) {
    ZlibStreamObject* self = Self(stream);
    if (self->mode != kZlibInflate || self->failed || count == 0) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t produced = 0;
    if (self->pendingByte >= 0) {
        out[produced++] = static_cast<uint8_t>(self->pendingByte);
        self->pendingByte = -1;
    }
    if (!self->ended && produced < count) produced += InflateInto(self, out + produced, count - produced);
    if (self->failed) return 0;
    self->position += produced;
    if (!self->ended && self->position == self->size) {
        // All the promised bytes came: make zlib read on to its end and check
        // the data's checksum, so damage is found now rather than never. A
        // byte beyond the promised size is kept for the next read.
        uint8_t extra = 0;
        if (InflateInto(self, &extra, 1) == 1) self->pendingByte = extra;
        if (self->failed) return 0;
    }
    return produced;
}

uint32_t ZlibWrite(Stream* stream, const void* buffer, uint32_t count) {
    ZlibStreamObject* self = Self(stream);
    if (self->mode != kZlibDeflate || self->failed || count == 0) return 0;
    if (self->finished) {
        // The compressed data was already closed by Flush; more would be lost,
        // so what was written is not kept either.
        LogError("write of %u bytes after the end of the compressed data", count);
        self->failed = true;
        self->parent->Abandon();
        return 0;
    }
    self->zs.next_in = static_cast<const Bytef*>(buffer);
    self->zs.avail_in = count;
    while (self->zs.avail_in > 0) {
        if (self->zs.avail_out == 0 && !DrainOutput(self)) return 0;
        int result = deflate(&self->zs, Z_NO_FLUSH);
        if (result != Z_OK) {
            Fail(self, "could not deflate", result);
            return 0;
        }
    }
    self->position += count;
    if (self->position > self->size) self->size = self->position;
    return count;
}

int32_t ZlibFlush(Stream* stream) {
    ZlibStreamObject* self = Self(stream);
    if (self->mode != kZlibDeflate) return 0;
    if (!self->finished && !self->failed) {
        self->zs.next_in = nullptr;
        self->zs.avail_in = 0;
        for (;;) {
            if (self->zs.avail_out == 0 && !DrainOutput(self)) break;
            uInt outBefore = self->zs.avail_out;
            int result = deflate(&self->zs, Z_FINISH);
            if (result == Z_STREAM_END) break;
            if ((result != Z_OK && result != Z_BUF_ERROR) || self->zs.avail_out == outBefore) {
                Fail(self, "could not finish", result);
                break;
            }
        }
        if (!self->failed) DrainOutput(self);
        self->finished = true;
    }
    int32_t parentResult = self->parent->Flush();
    return self->failed ? -1 : parentResult;
}

uint32_t ZlibSeek(Stream* stream, int32_t offset, int whence) {
    ZlibStreamObject* self = Self(stream);
    if (self->mode != kZlibInflate || whence != kSeekCurrent || offset < 1) return self->position;
    uint8_t discard[256];
    uint32_t left = static_cast<uint32_t>(offset);
    while (left > 0) {
        uint32_t n = left < sizeof discard ? left : static_cast<uint32_t>(sizeof discard);
        uint32_t got = ZlibRead(stream, discard, n);
        left -= got;
        if (got < n) break;
    }
    return self->position;
}

uint32_t ZlibTell(Stream* stream) { return Self(stream)->position; }
uint32_t ZlibSize(Stream* stream) { return Self(stream)->size; }

int ZlibState(Stream* stream) {
    ZlibStreamObject* self = Self(stream);
    if (self->mode == kZlibDeflate) {
        return self->failed || self->parent->State() == kStreamFailed ? kStreamFailed : kStreamHasData;
    }
    return ((self->ended && self->pendingByte < 0) || self->failed) ? kStreamAtEnd : kStreamHasData;
}

void ZlibRelease(Stream* stream) {
    ZlibStreamObject* self = Self(stream);
    if (self->mode == kZlibInflate) {
        inflateEnd(&self->zs);
    } else {
        ZlibFlush(stream);
        deflateEnd(&self->zs);
    }
    self->parent->Release();
    DeleteObject(self);
}

void ZlibAbandon(Stream* stream) {
    ZlibStreamObject* self = Self(stream);
    self->failed = true;
    self->parent->Abandon();
}

constexpr StreamOps kZlibStreamOps = {ZlibRelease, ZlibRead, ZlibWrite, ZlibFlush,
                                      ZlibSeek,    ZlibTell, ZlibSize,  ZlibState, ZlibAbandon, nullptr};

}  // namespace

Stream* ZlibStream(Stream* parent, uint32_t size, int mode, Allocator* allocator) {
    if (parent == nullptr || (mode != kZlibInflate && mode != kZlibDeflate)) return nullptr;
    ZlibStreamObject* self = NewObject<ZlibStreamObject>(allocator);
    if (self == nullptr) return nullptr;
    self->ops = &kZlibStreamOps;
    self->mode = mode;
    int result;
    if (mode == kZlibInflate) {
        result = inflateInit(&self->zs);
    } else {
        result = deflateInit(&self->zs, kDeflateLevel);
        self->zs.next_out = self->buffer;
        self->zs.avail_out = kDeflateOutputSize;
    }
    if (result != Z_OK) {
        LogError("zlib could not start: %d", result);
        DeleteObject(self);
        return nullptr;
    }
    self->parent = parent;
    self->size = size;
    return self;
}
