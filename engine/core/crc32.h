// The engine's checksum: CRC-32/MPEG-2 (polynomial 0x04C11DB7, most significant
// bit first, initial value 0xFFFFFFFF, no final XOR). It names the movie
// player's temporary files, so its values must never change.
#pragma once

#include <cstddef>
#include <cstdint>

// An empty input gives the initial value 0xFFFFFFFF.
uint32_t Crc32(const void* data, size_t length);
