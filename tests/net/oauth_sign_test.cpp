// OAuth 1.0a: percent-encoding, base strings and signatures against published
// vectors.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "net/hmac_sha1.h"
#include "net/oauth.h"
#include "net/oauth_params.h"
#include "tests/support/log_capture.h"

TEST(OAuthEscape, EncodesEverythingOutsideTheUnreservedSet) {
    const std::pair<std::string, const char*> cases[] = {
        {" ", "%20"},
        {"&", "%26"},
        {"~", "~"},
        {"\xE3", "%E3"},
        {"azAZ09-._~", "azAZ09-._~"},
        {"+=%/?#:@!*'()", "%2B%3D%25%2F%3F%23%3A%40%21%2A%27%28%29"},
        {"\xE3\x81\x82", "%E3%81%82"},  // U+3042 in UTF-8
        {"a\nb\r", "a%0Ab%0D"},
        {std::string("\0\x7F\xFF", 3), "%00%7F%FF"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, OAuth::UrlEscape(c.first)) << c.second;
    EXPECT_EQ("", OAuth::UrlEscape(static_cast<const char*>(nullptr)));
}
TEST(OAuthEscape, DecodesOnlyWellFormedEscapes) {
    const std::pair<const char*, std::string> cases[] = {
        {"%41", "A"},
        {"%4x", "%4x"},
        {"abc%", "abc%"},
        {"abc%4", "abc%4"},
        {"%e3%81%82", "\xE3\x81\x82"},
        {"%%41", "%A"},
        {"a+b", "a+b"},
        {"%00z", std::string("\0z", 2)},
        {"%G1%1G", "%G1%1G"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, OAuth::UrlUnescape(c.first)) << c.first;
}

namespace {



const char kConsumerKey[] = "dpf43f3p2l4k3l03";
const char kConsumerSecret[] = "kd94hf93k423kf44";
const char kToken[] = "nnch734d00sl2jdk";
const char kTokenSecret[] = "pfkkdhi9sl3r4s00";
const char kFixed[] = "oauth_nonce=kllo9940pd9333jh&oauth_timestamp=1191242096";
const char kHost[] = "http://api.example.test";

std::string QueryValue(const std::string& url, const std::string& name) {
    size_t at = url.find(name + "=");
    if (at == std::string::npos) return "<missing>";
    at += name.size() + 1;
    return url.substr(at, url.find('&', at) - at);
}


TEST(OAuthSign, OAuthCoreAppendixAThroughSignUrl) {
    std::string signedUrl = OAuth::SignUrl(
        "http://photos.example.net/photos?file=vacation.jpg&size=original&oauth_nonce=kllo9940pd9333jh"
        "&oauth_timestamp=1191242096",
        nullptr, OAuth::kHmacSha1, "GET", kConsumerKey, kConsumerSecret, kToken, kTokenSecret);
    EXPECT_EQ(
        "http://photos.example.net/photos?file=vacation.jpg&oauth_consumer_key=dpf43f3p2l4k3l03"
        "&oauth_nonce=kllo9940pd9333jh&oauth_signature_method=HMAC-SHA1&oauth_timestamp=1191242096"
        "&oauth_token=nnch734d00sl2jdk&oauth_version=1.0&size=original"
        "&oauth_signature=tR3%2BTy81lMeYAr%2FFid0kMTYa%2FWM%3D",
        signedUrl);
}

TEST(OAuthSign, Rfc5849NormalisedParameters) {
    // The example request of RFC 5849 section 3.4.1.3: query and form body together.
    OAuth::ParamArray array;
    OAuth::SplitUrlParams(
        "http://example.com/request?b5=%3D%253D&a3=a&c%40=&a2=r%20b&oauth_consumer_key=9djdj82h48djs9d2"
        "&oauth_token=kkk9d7dh3k39sjv7&oauth_signature_method=HMAC-SHA1&oauth_timestamp=137131201"
        "&oauth_nonce=7d8f3e4a&oauth_signature=djosJKDKJSD8743243%2Fjdk33klY%3D",
        &array, 0);
    OAuth::AddFormBodyParams("c2&a3=2+q", &array);
    ASSERT_EQ("http://example.com/request", array[0]);
    OAuth::SortParams(&array);
    EXPECT_EQ(
        "a2=r%20b&a3=2%20q&a3=a&b5=%3D%253D&c%40=&c2=&oauth_consumer_key=9djdj82h48djs9d2"
        "&oauth_nonce=7d8f3e4a&oauth_signature_method=HMAC-SHA1&oauth_timestamp=137131201"
        "&oauth_token=kkk9d7dh3k39sjv7",
        OAuth::SerializeUrlParameters(array));
}

TEST(OAuthSign, BaseStringRules) {
    // Each signed URL must carry the HMAC of exactly this base string.
    const std::string fixed = "oauth_nonce=n0nce&oauth_timestamp=1300000000";
    const std::string protocol =
        "oauth_consumer_key%3Dck%26oauth_nonce%3Dn0nce%26oauth_signature_method%3DHMAC-SHA1"
        "%26oauth_timestamp%3D1300000000%26oauth_version%3D1.0";
    struct Case {
        const char* name;
        std::string url;
        std::string expectedStart;  // of the signed URL
        std::string baseString;
    };
    const Case cases[] = {
        {"bare host gets a slash", "http://h?" + fixed, "http://h/?", "GET&http%3A%2F%2Fh%2F&" + protocol},
        {"port 80 is dropped", "http://h:80/p?" + fixed, "http://h/p?", "GET&http%3A%2F%2Fh%2Fp&" + protocol},
        {"port 8080 is kept", "http://h:8080/p?" + fixed, "http://h:8080/p?",
         "GET&http%3A%2F%2Fh%3A8080%2Fp&" + protocol},
        {"scheme and host in lower case", "HTTP://Api.EXAMPLE.test/Path?" + fixed, "http://api.example.test/Path?",
         "GET&http%3A%2F%2Fapi.example.test%2FPath&" + protocol},
        {"encoded path stays encoded", "http://h/a%20b?" + fixed, "http://h/a%20b?",
         "GET&http%3A%2F%2Fh%2Fa%2520b&" + protocol},
        {"old signature is dropped", "http://h/?oauth_signature=abc&" + fixed, "http://h/?",
         "GET&http%3A%2F%2Fh%2F&" + protocol},
        {"same names ordered by value", "http://h/?a=2&a=10&a=1&" + fixed, "http://h/?a=1&a=10&a=2&",
         "GET&http%3A%2F%2Fh%2F&a%3D1%26a%3D10%26a%3D2%26" + protocol},
        {"values ordered by encoded form", "http://h/?a=~&a=%C3%A9&" + fixed, "http://h/?a=%C3%A9&a=~&",
         "GET&http%3A%2F%2Fh%2F&a%3D%25C3%25A9%26a%3D~%26" + protocol},
        {"bare names are encoded", "http://h/?a%20b&" + fixed, "http://h/?a%20b=&",
         "GET&http%3A%2F%2Fh%2F&a%2520b%3D%26" + protocol},
        {"plus is a space in a query", "http://h/?q=a+b&" + fixed, "http://h/?",
         "GET&http%3A%2F%2Fh%2F&" + protocol + "%26q%3Da%2520b"},
    };
    for (const Case& c : cases) {
        std::string signedUrl = OAuth::SignUrl(c.url, nullptr, OAuth::kHmacSha1, nullptr, "ck", "cs", nullptr, nullptr);
        EXPECT_EQ(0u, signedUrl.find(c.expectedStart)) << c.name << ": " << signedUrl;
        // No token secret: the key still ends in "&".
        std::string expected = OAuth::UrlEscape(HmacSha1Base64(c.baseString, "cs&"));
        EXPECT_EQ(expected, QueryValue(signedUrl, "oauth_signature")) << c.name;
        EXPECT_EQ(1, std::count(signedUrl.begin(), signedUrl.end(), '?')) << c.name;
        EXPECT_EQ(std::string::npos, signedUrl.find("oauth_signature=abc")) << c.name;
    }
}

TEST(OAuthSign, FormBodyIsSignedDecodedAndReplacedBySignUrl) {
    const std::string fixed = "?oauth_nonce=n&oauth_timestamp=1300000000";
    std::string body = "status=a%26b%3Dc+d";
    std::string result = OAuth::SignUrl("http://h/u" + fixed, &body, OAuth::kHmacSha1, nullptr, "ck", "cs", "tk", "ts");
    EXPECT_EQ("http://h/u", result);
    std::string base =
        "POST&http%3A%2F%2Fh%2Fu&oauth_consumer_key%3Dck%26oauth_nonce%3Dn%26oauth_signature_method%3DHMAC-SHA1"
        "%26oauth_timestamp%3D1300000000%26oauth_token%3Dtk%26oauth_version%3D1.0%26status%3Da%2526b%253Dc%2520d";
    EXPECT_EQ(
        "oauth_consumer_key=ck&oauth_nonce=n&oauth_signature_method=HMAC-SHA1&oauth_timestamp=1300000000"
        "&oauth_token=tk&oauth_version=1.0&status=a%26b%3Dc%20d&oauth_signature=" +
            OAuth::UrlEscape(HmacSha1Base64(base, "cs&ts")),
        body);
}

}  // namespace
