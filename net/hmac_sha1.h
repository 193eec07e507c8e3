// HMAC-SHA1 (RFC 2104), the keyed digest behind every OAuth signature.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/sha1.h"

using Sha1Digest = std::array<uint8_t, kSha1DigestSize>;

Sha1Digest HmacSha1(const uint8_t* key, size_t keyLength, const uint8_t* text, size_t textLength);
// Base64 of HmacSha1(key, text): always 28 characters.
std::string HmacSha1Base64(const std::string& text, const std::string& key);
