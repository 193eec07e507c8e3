// Appends little-endian numbers to a byte vector, as the effect runtime's
// files hold them.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace FxWriter {

class ByteWriter {
public:
    void Int(int32_t value) { Raw(&value, sizeof value); }
    void Float(float value) { Raw(&value, sizeof value); }
    void Byte(uint8_t value) { bytes_.push_back(value); }
    void Raw(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Append(const ByteWriter& other) { Raw(other.bytes_.data(), other.bytes_.size()); }

    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace FxWriter
