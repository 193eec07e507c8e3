// Table-driven CRC-32/MPEG-2; the table is built by the compiler.
#include "core/crc32.h"

#include <array>

namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7;

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 0x80000000u) ? (value << 1) ^ kPolynomial : value << 1;
        table[i] = value;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();
static_assert(kTable[1] == kPolynomial, "table row 1 is the polynomial itself");

}  // namespace

uint32_t Crc32(const void* data, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < length; ++i) crc = (crc << 8) ^ kTable[(crc >> 24) ^ bytes[i]];
    return crc;
}
