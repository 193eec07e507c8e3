// SHA-1 with the classic reset / input / result interface, kept local so the
// OAuth signer needs no crypto library.
#pragma once

#include <cstddef>
#include <cstdint>

enum Sha1Status {
    kSha1Success = 0,
    kSha1Null = 1,          // a null argument
    kSha1InputTooLong = 2,  // more than 2^64 - 1 bits were fed
    kSha1StateError = 3,    // input after the result was taken
};

constexpr size_t kSha1DigestSize = 20;

class Sha1Context {
public:
    Sha1Context() { Reset(); }

    int Reset();
    // Feeding nothing is always fine; feeding after Result is kSha1StateError.
    int Input(const uint8_t* bytes, size_t length);
    // Finishes the message on first call; later calls return the same digest.
    int Result(uint8_t digest[kSha1DigestSize]);

private:
    void ProcessBlock();
    void PadMessage();

    uint32_t hash_[5];
    uint32_t lengthLow_;   // message length in bits, low word
    uint32_t lengthHigh_;  // and high word
    size_t blockIndex_;
    uint8_t block_[64];
    bool computed_;
    int corrupted_;
};
