// Every read goes through memcpy: the file's floats sit at any alignment (a
// 2-byte colour-mode prefix shifts what follows), and the host is
// little-endian like the file.
#include "fx/byte_reader.h"

#include <cstring>

namespace Fx {

bool ByteReader::Take(void* out, size_t bytes) {
    if (failure_ != nullptr || bytes > Remaining()) {
        Fail("the file ends inside a record");
        memset(out, 0, bytes);
        return false;
    }
    memcpy(out, data_ + position_, bytes);
    position_ += bytes;
    return true;
}

int32_t ByteReader::ReadInt() {
    int32_t value;
    Take(&value, sizeof value);
    return value;
}

float ByteReader::ReadFloat() {
    float value;
    Take(&value, sizeof value);
    return value;
}

uint8_t ByteReader::ReadByte() {
    uint8_t value;
    Take(&value, sizeof value);
    return value;
}

void ByteReader::ReadBytes(void* out, size_t bytes) { Take(out, bytes); }

void ByteReader::Skip(size_t bytes) {
    if (failure_ != nullptr) return;
    if (bytes > Remaining()) {
        Fail("the file ends inside a record");
        return;
    }
    position_ += bytes;
}

int32_t ByteReader::ReadCount(size_t minItemBytes, const char* what) {
    int32_t count = ReadInt();
    if (failure_ != nullptr) return 0;
    if (count < 0 || static_cast<uint64_t>(count) * minItemBytes > Remaining()) {
        Fail(what);
        return 0;
    }
    return count;
}

ByteReader ByteReader::ReadSizedBlock(uint8_t* block, size_t blockSize, const char* what) {
    memset(block, 0, blockSize);
    int32_t length = ReadInt();
    if (failure_ == nullptr && (length < 0 || static_cast<size_t>(length) > blockSize)) Fail(what);
    if (failure_ == nullptr) Take(block, static_cast<size_t>(length));
    return ByteReader(block, blockSize);
}

void ByteReader::Fail(const char* reason) {
    if (failure_ != nullptr) return;
    failure_ = reason;
    failureOffset_ = position_;
}

}  // namespace Fx
