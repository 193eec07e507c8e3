// Base64 with the standard alphabet and '=' padding (RFC 4648).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Encodes exactly `length` bytes, NULs included; a null pointer gives "".
std::string Base64Encode(const uint8_t* bytes, size_t length);
std::string Base64Encode(const std::string& bytes);
