// SHA-1 (FIPS 180-1), written after the reference code of RFC 3174.
#include "net/sha1.h"

namespace {

uint32_t RotateLeft(uint32_t word, int bits) {
    return (word << bits) | (word >> (32 - bits));
}

}  // namespace

int Sha1Context::Reset() {
    lengthLow_ = 0;
    lengthHigh_ = 0;
    blockIndex_ = 0;
    hash_[0] = 0x67452301u;
    hash_[1] = 0xEFCDAB89u;
    hash_[2] = 0x98BADCFEu;
    hash_[3] = 0x10325476u;
    hash_[4] = 0xC3D2E1F0u;
    computed_ = false;
    corrupted_ = kSha1Success;
    return kSha1Success;
}

int Sha1Context::Input(const uint8_t* bytes, size_t length) {
    if (length == 0) return kSha1Success;
    if (!bytes) return kSha1Null;
    if (computed_) {
        corrupted_ = kSha1StateError;
        return kSha1StateError;
    }
    if (corrupted_) return corrupted_;

    for (size_t i = 0; i < length && !corrupted_; ++i) {
        block_[blockIndex_++] = bytes[i];
        lengthLow_ += 8;
        if (lengthLow_ == 0) {
            lengthHigh_++;
            if (lengthHigh_ == 0) corrupted_ = kSha1InputTooLong;
        }
        if (blockIndex_ == 64) ProcessBlock();
    }
    return corrupted_;
}

int Sha1Context::Result(uint8_t digest[kSha1DigestSize]) {
    if (!digest) return kSha1Null;
    if (corrupted_) return corrupted_;
    if (!computed_) {
        PadMessage();
        // The block may hold message bytes; they must not outlive the digest.
        for (uint8_t& byte : block_) byte = 0;
        lengthLow_ = 0;
        lengthHigh_ = 0;
        computed_ = true;
    }
    for (size_t i = 0; i < kSha1DigestSize; ++i) {
        digest[i] = static_cast<uint8_t>(hash_[i >> 2] >> (8 * (3 - (i & 3))));
    }
    return kSha1Success;
}

void Sha1Context::ProcessBlock() {
    static const uint32_t kRound[4] = {0x5A827999u, 0x6ED9EBA1u, 0x8F1BBCDCu, 0xCA62C1D6u};
    uint32_t w[80];
    for (int t = 0; t < 16; ++t) {
        w[t] = static_cast<uint32_t>(block_[t * 4]) << 24 | static_cast<uint32_t>(block_[t * 4 + 1]) << 16 |
               static_cast<uint32_t>(block_[t * 4 + 2]) << 8 | static_cast<uint32_t>(block_[t * 4 + 3]);
    }
    for (int t = 16; t < 80; ++t) w[t] = RotateLeft(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

    uint32_t a = hash_[0], b = hash_[1], c = hash_[2], d = hash_[3], e = hash_[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f;
        if (t < 20) {
            f = (b & c) | (~b & d);
        } else if (t < 40) {
            f = b ^ c ^ d;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
        } else {
            f = b ^ c ^ d;
        }
        uint32_t temp = RotateLeft(a, 5) + f + e + w[t] + kRound[t / 20];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = temp;
    }
    hash_[0] += a;
    hash_[1] += b;
    hash_[2] += c;
    hash_[3] += d;
    hash_[4] += e;
    blockIndex_ = 0;
}

void Sha1Context::PadMessage() {
    // A 0x80 marker, zeros, then the 64-bit length; when the marker leaves no
    // room for the length, the padding spills into one more block.
    block_[blockIndex_++] = 0x80;
    if (blockIndex_ > 56) {
        while (blockIndex_ < 64) block_[blockIndex_++] = 0;
        ProcessBlock();
    }
    while (blockIndex_ < 56) block_[blockIndex_++] = 0;
    for (int i = 0; i < 4; ++i) {
        block_[56 + i] = static_cast<uint8_t>(lengthHigh_ >> (24 - 8 * i));
        block_[60 + i] = static_cast<uint8_t>(lengthLow_ >> (24 - 8 * i));
    }
    ProcessBlock();
}
