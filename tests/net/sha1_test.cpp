// Known answers for SHA-1, HMAC-SHA1 and base64, including the padding
// boundaries and the digests with NUL bytes that a text-based encoder loses.
#include <gtest/gtest.h>

#include <string>

#include "net/base64.h"
#include "net/hmac_sha1.h"
#include "net/sha1.h"

namespace {

std::string Hex(const uint8_t* bytes, size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

std::string Sha1Hex(const std::string& message, size_t chunk) {
    Sha1Context context;
    for (size_t at = 0; at < message.size(); at += chunk) {
        size_t length = std::min(chunk, message.size() - at);
        EXPECT_EQ(kSha1Success, context.Input(reinterpret_cast<const uint8_t*>(message.data()) + at, length));
    }
    uint8_t digest[kSha1DigestSize];
    EXPECT_EQ(kSha1Success, context.Result(digest));
    return Hex(digest, sizeof(digest));
}

const uint8_t* Bytes(const std::string& text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

}  // namespace

TEST(Sha1, KnownAnswersInEveryChunking) {
    struct Case { std::string message; const char* digest; };
    const Case cases[] = {
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {std::string(56, 'a'), "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
        {std::string(63, 'a'), "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},
        {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
        {std::string(65, 'a'), "11655326c708d70319be2610e8a57d9a5b959d3b"},
    };
    for (const Case& c : cases) {
        for (size_t chunk : {size_t{1}, size_t{7}, size_t{64}, size_t{1000000}}) {
            if (chunk == 1 && c.message.size() > 1000) continue;
            EXPECT_EQ(c.digest, Sha1Hex(c.message, chunk)) << "length " << c.message.size() << " chunk " << chunk;
        }
    }
}

TEST(HmacSha1, Rfc2202Cases) {
    struct Case { std::string key; std::string data; const char* digest; };
    std::string key4;
    for (int i = 1; i <= 25; ++i) key4 += static_cast<char>(i);
    const Case cases[] = {
        {std::string(20, '\x0b'), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00"},
        {"Jefe", "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {std::string(20, '\xaa'), std::string(50, '\xdd'), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {key4, std::string(50, '\xcd'), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {std::string(20, '\x0c'), "Test With Truncation", "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    int number = 1;
    for (const Case& c : cases) {
        Sha1Digest digest = HmacSha1(Bytes(c.key), c.key.size(), Bytes(c.data), c.data.size());
        EXPECT_EQ(c.digest, Hex(digest.data(), digest.size())) << "case " << number;
        ++number;
    }
    // Case 1's digest ends in a NUL byte; all 20 bytes must be encoded.
    EXPECT_EQ("thcxhlUFcmTii8C2+zeMjvFGvgA=", HmacSha1Base64("Hi There", std::string(20, '\x0b')));
    // The signature base string of the OAuth Core 1.0 photo example, signed with both secrets.
    EXPECT_EQ("tR3+Ty81lMeYAr/Fid0kMTYa/WM=",
              HmacSha1Base64("GET&http%3A%2F%2Fphotos.example.net%2Fphotos&file%3Dvacation.jpg%26"
                             "oauth_consumer_key%3Ddpf43f3p2l4k3l03%26oauth_nonce%3Dkllo9940pd9333jh%26"
                             "oauth_signature_method%3DHMAC-SHA1%26oauth_timestamp%3D1191242096%26"
                             "oauth_token%3Dnnch734d00sl2jdk%26oauth_version%3D1.0%26size%3Doriginal",
                             "kd94hf93k423kf44&pfkkdhi9sl3r4s00"));
}
