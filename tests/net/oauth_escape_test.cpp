// Percent-encoding, decoding and nonces of the OAuth signer.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "net/oauth.h"

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
