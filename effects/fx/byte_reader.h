// A bounded little-endian cursor over an effect or model file image. Reads
// never go past the image: the first read that would, or the first count or
// length that cannot fit what is left, marks the reader failed with a reason
// and the offset where it happened; from then on every read yields zero, so a
// parser can run to its next check without testing each field.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Fx {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    int32_t ReadInt();
    float ReadFloat();
    uint8_t ReadByte();
    void Skip(size_t bytes);
    // Copies `bytes` raw bytes; zeros on failure.
    void ReadBytes(void* out, size_t bytes);

    // Reads an int32 count of items that each take at least `minItemBytes`
    // bytes; a negative count or one that cannot fit the bytes left fails.
    int32_t ReadCount(size_t minItemBytes, const char* what);

    // Reads an int32 length L, then L bytes into `block`, which holds
    // `blockSize` bytes and is zero-filled past L. A negative L, or one above
    // the block's size, fails: the block has no room for it. Returns a reader
    // over the whole block.
    ByteReader ReadSizedBlock(uint8_t* block, size_t blockSize, const char* what);

    // Marks the reader failed (the first reason is kept).
    void Fail(const char* reason);

    bool Ok() const { return failure_ == nullptr; }
    const char* Failure() const { return failure_; }
    size_t FailureOffset() const { return failureOffset_; }
    size_t Position() const { return position_; }
    size_t Remaining() const { return size_ - position_; }

private:
    bool Take(void* out, size_t bytes);

    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    const char* failure_ = nullptr;
    size_t failureOffset_ = 0;
};

}  // namespace Fx
