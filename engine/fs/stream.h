// Streams: every byte the engine reads or writes goes through one. A Stream is
// a plain structure whose first word points to a table of eight operations;
// the kinds (files, memory, sub-ranges, the descrambling layer and the zlib
// layer) stack, and a layer owns the stream below it.
#pragma once

#include <cstdint>

struct Allocator;
struct Stream;

// Open bits shared by file streams, file-system managers and the script File class.
enum StreamOpenMode : int {
    kOpenRead = 1,
    kOpenWrite = 2,
    kOpenLoadIntoMemory = 8,  // read the whole window at once, give a MemoryStream
    kOpenPrivate = 16,        // a written file of the operating system is readable by its owner only
};

// Results of Stream::State.
enum StreamState : int {
    kStreamHasData = 1,  // position below size
    kStreamAtEnd = 2,    // at or past the end, or a read error ended the data
    kStreamFailed = 3,   // a write could not be completed; what was written will not be kept
};

enum SeekWhence : int { kSeekSet = 0, kSeekCurrent = 1, kSeekEnd = 2 };

struct StreamOps {
    void (*Release)(Stream* self);
    uint32_t (*Read)(Stream* self, void* buffer, uint32_t count);
    uint32_t (*Write)(Stream* self, const void* buffer, uint32_t count);
    int32_t (*Flush)(Stream* self);
    // Any whence other than 0, 1 or 2 moves nothing and returns 0.
    uint32_t (*Seek)(Stream* self, int32_t offset, int whence);
    uint32_t (*Tell)(Stream* self);
    uint32_t (*Size)(Stream* self);
    int (*State)(Stream* self);
    // Gives up what was written, after a failure the caller cannot mend: a
    // stream that replaces a file on release then keeps the old file, and a
    // layer passes it on to the stream below. Null for kinds that cannot take
    // bytes back (memory, plain files).
    void (*Abandon)(Stream* self);
    // Makes what was written final now rather than on release (a stream that
    // replaces a file does it here) and says whether it was kept; only
    // Release may follow. Null for kinds that leave everything to Release.
    bool (*Commit)(Stream* self);
};

struct Stream {
    const StreamOps* ops;

    // After Release neither the stream nor the layers it owns may be used.
    void Release() { ops->Release(this); }
    uint32_t Read(void* buffer, uint32_t count) { return ops->Read(this, buffer, count); }
    uint32_t Write(const void* buffer, uint32_t count) { return ops->Write(this, buffer, count); }
    int32_t Flush() { return ops->Flush(this); }
    uint32_t Seek(int32_t offset, int whence) { return ops->Seek(this, offset, whence); }
    uint32_t Tell() { return ops->Tell(this); }
    uint32_t Size() { return ops->Size(this); }
    int State() { return ops->State(this); }
    void Abandon() {
        if (ops->Abandon != nullptr) ops->Abandon(this);
    }
    // True when everything written is kept: the commit's result, or for kinds
    // without one that no write failed.
    bool Commit() { return ops->Commit != nullptr ? ops->Commit(this) : State() != kStreamFailed; }

    // Little-endian typed access. A read that comes up short gives 0.
    int32_t ReadByte();  // sign-extended
    int8_t ReadI8();
    int16_t ReadI16();
    uint32_t ReadU32();
    uint32_t WriteByte(int32_t value);  // the low byte; returns the Write result
    uint32_t WriteU32(uint32_t value);

    // Reads one line into `buffer` (NUL-terminated, at most size - 1 bytes).
    // CR LF or a lone LF ends a line; a CR followed by anything else is dropped
    // and the next byte kept. Returns the length stored. What does not fit
    // stays for the next call, or with `dropRest` is read past, so that a long
    // line is cut rather than split into lines.
    uint32_t ReadLine(char* buffer, uint32_t size, bool dropRest = false);
    // Writes the text and then CR LF; returns the byte count of the text's write.
    uint32_t WriteLine(const char* text);

    // Reads the stream whole into a block, releases it and returns a
    // MemoryStream owning the block. A short read keeps the bytes that came
    // (with a warning). On failure the stream is still released and the result
    // is null.
    static Stream* LoadIntoMemory(Stream* stream, Allocator* allocator);
    // The same for a caller that needs every byte (a script, a whole-file
    // open): a short read is a failure with one log line naming `name`, and
    // the result is null.
    static Stream* LoadWholeIntoMemory(Stream* stream, const char* name, Allocator* allocator);
};

// Where a Seek of `offset` lands, counted from 0, from `position` or from
// `size` for whence 0, 1 or 2; false for any other whence. For the kinds that
// keep their own position.
bool SeekTarget(int32_t offset, int whence, uint32_t position, uint32_t size, int64_t* target);

// --- the kinds ------------------------------------------------------------------
// Constructors return null on failure and log nothing unless noted. A layer
// constructor that fails does not take its parent: the caller still owns it.

// A window on an operating-system file. Null when the file cannot be opened,
// its size is unknown or `offset` lies beyond its end. The window is the rest
// of the file unless `length` is non-zero and fits. Mode bit 8 returns
// LoadIntoMemory of the window instead.
Stream* FileStream(const char* path, uint32_t offset, uint32_t length, int mode, Allocator* allocator);

// A fixed block of memory; it never grows. With `ownsData` Release frees the
// data through Allocator::Free.
Stream* MemoryStream(void* data, uint32_t size, bool ownsData, Allocator* allocator);

// A window of `size` bytes at `offset` in the parent. Several sub-streams may
// share one parent: each seeks the parent to its own position before reading.
Stream* SubStream(Stream* parent, uint32_t offset, uint32_t size, bool ownsParent, Allocator* allocator);

// Descrambles on read and scrambles on write: each byte at a position below
// `limit` is XORed with key[position mod keyLength]. A null key or length 0
// passes bytes through. The key must outlive the stream; the parent is owned.
Stream* XorStream(Stream* parent, const uint8_t* key, uint32_t keyLength, uint32_t limit,
                  Allocator* allocator);

enum ZlibMode : int { kZlibInflate = 1, kZlibDeflate = 2 };
// zlib data on the parent: inflating on read (mode 1) or deflating at level 5
// on write (mode 2). `size` is what Size reports (the unpacked size when
// reading; it grows with writes). Only forward seeks move. The parent is owned.
Stream* ZlibStream(Stream* parent, uint32_t size, int mode, Allocator* allocator);
