// HMAC over SHA-1 with 64-byte blocks; keys longer than a block are hashed first.
#include "net/hmac_sha1.h"

#include <cstring>

#include "net/base64.h"

namespace {

constexpr size_t kBlockSize = 64;

Sha1Digest Sha1Of(const uint8_t* bytes, size_t length) {
    Sha1Context context;
    context.Input(bytes, length);
    Sha1Digest digest{};
    context.Result(digest.data());
    return digest;
}

}  // namespace

Sha1Digest HmacSha1(const uint8_t* key, size_t keyLength, const uint8_t* text, size_t textLength) {
    uint8_t blockKey[kBlockSize] = {};
    if (keyLength > kBlockSize) {
        Sha1Digest hashed = Sha1Of(key, keyLength);
        std::memcpy(blockKey, hashed.data(), hashed.size());
    } else if (keyLength > 0) {
        std::memcpy(blockKey, key, keyLength);
    }

    uint8_t innerPad[kBlockSize];
    uint8_t outerPad[kBlockSize];
    for (size_t i = 0; i < kBlockSize; ++i) {
        innerPad[i] = blockKey[i] ^ 0x36;
        outerPad[i] = blockKey[i] ^ 0x5C;
    }

    Sha1Context inner;
    inner.Input(innerPad, kBlockSize);
    inner.Input(text, textLength);
    Sha1Digest innerDigest{};
    inner.Result(innerDigest.data());

    Sha1Context outer;
    outer.Input(outerPad, kBlockSize);
    outer.Input(innerDigest.data(), innerDigest.size());
    Sha1Digest digest{};
    outer.Result(digest.data());
    return digest;
}

std::string HmacSha1Base64(const std::string& text, const std::string& key) {
    Sha1Digest digest = HmacSha1(reinterpret_cast<const uint8_t*>(key.data()), key.size(),
                                 reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return Base64Encode(digest.data(), digest.size());
}
