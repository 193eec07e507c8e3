// OAuth 1.0a against published vectors (data/oauth_vectors.txt): SHA-1, HMAC-SHA1, base64,
// percent-encoding, base strings and signatures.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "net/hmac_sha1.h"
#include "net/oauth.h"
#include "net/oauth_params.h"
#include "net/sha1.h"
#include "tests/net/test_vectors.h"

namespace {

std::string Hex(const uint8_t* bytes, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) out += {"0123456789abcdef"[bytes[i] >> 4], "0123456789abcdef"[bytes[i] & 15]};
    return out;
}

const uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

TEST(Sha1, KnownAnswersInEveryChunking) {
    for (const auto& row : VectorRows("oauth_vectors.txt", "sha1")) {  // kind, digest, message
        for (size_t chunk : {size_t{1}, size_t{7}, size_t{64}, size_t{1000000}}) {
            if (chunk == 1 && row[2].size() > 1000) continue;
            Sha1Context context;
            for (size_t at = 0; at < row[2].size(); at += chunk)
                EXPECT_EQ(kSha1Success, context.Input(Bytes(row[2]) + at, std::min(chunk, row[2].size() - at)));
            uint8_t digest[kSha1DigestSize];
            EXPECT_EQ(kSha1Success, context.Result(digest));
            EXPECT_EQ(row[1], Hex(digest, sizeof(digest))) << "length " << row[2].size() << " chunk " << chunk;
        }
    }
}

TEST(HmacSha1, Rfc2202Cases) {
    for (const auto& row : VectorRows("oauth_vectors.txt", "hmac")) {  // kind, digest, key, data
        Sha1Digest digest = HmacSha1(Bytes(row[2]), row[2].size(), Bytes(row[3]), row[3].size());
        EXPECT_EQ(row[1], Hex(digest.data(), digest.size())) << row[3];
    }
    // Case 1's digest ends in a NUL byte; all 20 bytes must be encoded.
    EXPECT_EQ("thcxhlUFcmTii8C2+zeMjvFGvgA=", HmacSha1Base64("Hi There", std::string(20, '\x0b')));
}

TEST(OAuthEscape, EncodesOutsideTheUnreservedSetAndDecodesOnlyWellFormedEscapes) {
    for (const auto& row : VectorRows("oauth_vectors.txt", "escape")) EXPECT_EQ(row[2], OAuth::UrlEscape(row[1]));
    EXPECT_EQ("", OAuth::UrlEscape(static_cast<const char*>(nullptr)));
    for (const auto& row : VectorRows("oauth_vectors.txt", "unescape")) EXPECT_EQ(row[2], OAuth::UrlUnescape(row[1]));
}

TEST(OAuthSign, SignedUrlsAndFormBodies) {
    for (const auto& row : VectorRows("oauth_vectors.txt", "sign")) {  // kind, URL, body, method, 4 keys, URL, body
        std::string body = row[2];
        auto text = [&row](int i) { return row[i] == "-" ? nullptr : row[i].c_str(); };
        EXPECT_EQ(row[8], OAuth::SignUrl(row[1], text(2) ? &body : nullptr, OAuth::kHmacSha1, text(3), text(4), text(5),
                                         text(6), text(7)));
        EXPECT_EQ(row[9] == "-" ? row[2] : row[9], body);
    }
}

TEST(OAuthSign, Rfc5849NormalisedParameters) {
    for (const auto& row : VectorRows("oauth_vectors.txt", "params")) {  // kind, URL, form body, base URL, sorted
        OAuth::ParamArray array;
        OAuth::SplitUrlParams(row[1], &array, 0);
        OAuth::AddFormBodyParams(row[2], &array);
        ASSERT_EQ(row[3], array[0]);
        OAuth::SortParams(&array);
        EXPECT_EQ(row[4], OAuth::SerializeUrlParameters(array));
    }
}

TEST(OAuthSign, BaseStringRules) {
    for (const auto& row : VectorRows("oauth_vectors.txt", "base")) {  // kind, name, URL, start, base string
        SCOPED_TRACE(row[1]);
        std::string signedUrl = OAuth::SignUrl(row[2], nullptr, OAuth::kHmacSha1, nullptr, "ck", "cs", nullptr, nullptr);
        EXPECT_EQ(0u, signedUrl.find(row[3])) << signedUrl;
        const size_t at = signedUrl.find("oauth_signature=") + 16;
        EXPECT_EQ(OAuth::UrlEscape(HmacSha1Base64(row[4], "cs&")), signedUrl.substr(at, signedUrl.find('&', at) - at));
        EXPECT_EQ(1, std::count(signedUrl.begin(), signedUrl.end(), '?'));
        EXPECT_EQ(std::string::npos, signedUrl.find("oauth_signature=abc"));
    }
}

}  // namespace
