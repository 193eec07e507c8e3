// UTF-8 <-> UTF-16: boundaries, pairs, truncation at the buffer limits and
// hostile input.
#include "core/text_utf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string ToUtf16(const std::string& utf8, size_t outCount = 256) {
    std::vector<char16_t> out(outCount + 1, 0x7777);
    size_t n = Utf8ToUtf16(out.data(), outCount, utf8.c_str());
    EXPECT_LT(n, outCount == 0 ? 1 : outCount);
    if (outCount) {
        EXPECT_EQ(out[n], 0) << "terminated";
    }
    EXPECT_EQ(out[outCount], 0x7777) << "nothing written past the limit";
    return outCount ? std::u16string(out.data(), n) : std::u16string();
}

std::string ToUtf8(const std::u16string& utf16, size_t outSize = 256) {
    std::vector<char> out(outSize + 1, 'Z');
    size_t n = Utf16ToUtf8(out.data(), outSize, utf16.c_str());
    if (outSize) {
        EXPECT_LT(n, outSize);
        EXPECT_EQ(out[n], 0);
    }
    EXPECT_EQ(out[outSize], 'Z') << "nothing written past the limit";
    return outSize ? std::string(out.data(), n) : std::string();
}

TEST(Utf8ToUtf16Test, WellFormedBoundaries) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"A", u"A"},
        {"\x7F", u"\x7F"},
        {"\xC2\x80", u"\x80"},
        {"\xDF\xBF", u"\x7FF"},
        {"\xE0\xA0\x80", u"\x800"},
        {"\xE3\x81\x82", u"\x3042"},
        {"\xEF\xBF\xBF", u"\xFFFF"},
        {"\xF0\x90\x80\x80", u"\xD800\xDC00"},
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},  // an emoji
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"a\xE3\x81\x82z", u"a\x3042z"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToUtf16(c.utf8), c.utf16) << c.utf8;
}

TEST(Utf8ToUtf16Test, MalformedInputBecomesReplacement) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"\xE3", u"\xFFFD"},                      // truncated at the end
        {"\xE3\x81", u"\xFFFD"},                  // truncated after one continuation
        {"\xF0\x9F\x98", u"\xFFFD"},              // truncated four-byte form
        {"\xE3x", u"\xFFFDx"},                    // a non-continuation is kept
        {"\x80", u"\xFFFD"},                      // lone continuation
        {"\xBF\x80", u"\xFFFD\xFFFD"},
        {"\xC0\x80", u"\xFFFD\xFFFD"},            // overlong NUL
        {"\xC1\xBF", u"\xFFFD\xFFFD"},            // overlong 0x7F
        {"\xE0\x80\x80", u"\xFFFD\xFFFD\xFFFD"},  // overlong three-byte form
        {"\xF0\x80\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},  // encoded surrogate
        {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // above U+10FFFF
        {"\xF8\x88\x80\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"\xFF" "a", u"\xFFFD" "a"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToUtf16(c.utf8), c.utf16) << testing::PrintToString(c.utf8);
}

TEST(Utf8ToUtf16Test, LeadByteBeforeTheEndDoesNotReadPastIt) {
    // The input sits at the very end of its allocation, so a read past the NUL
    // is caught by the address sanitizer.
    for (const char* text : {"\xE3", "\xC3", "\xF0\x9F", "ab\xEF\xBF"}) {
        size_t length = strlen(text) + 1;
        std::unique_ptr<char[]> exact(new char[length]);
        memcpy(exact.get(), text, length);
        char16_t out[8];
        size_t n = Utf8ToUtf16(out, 8, exact.get());
        EXPECT_GE(n, 1u);
        EXPECT_EQ(out[n - 1], 0xFFFD);
    }
}

TEST(Utf8ToUtf16Test, OutputLimits) {
    EXPECT_EQ(ToUtf16("abc", 0), u"");
    EXPECT_EQ(ToUtf16("abc", 1), u"");
    EXPECT_EQ(ToUtf16("abc", 3), u"ab");
    EXPECT_EQ(ToUtf16("abc", 4), u"abc");
    // A pair is never cut: with room for one unit only the pair waits.
    EXPECT_EQ(ToUtf16("a\xF0\x9F\x98\x80", 3), u"a");
    EXPECT_EQ(ToUtf16("a\xF0\x9F\x98\x80", 4), u"a\xD83D\xDE00");
    // 1023 units is what a 1024-unit text buffer takes.
    std::string many(2000, 'x');
    EXPECT_EQ(ToUtf16(many, 1024).size(), 1023u);
}

TEST(Utf16ToUtf8Test, BoundariesAndPairs) {
    struct Case {
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {u"\x7F", "\x7F"},
        {u"\x80", "\xC2\x80"},
        {u"\x7FF", "\xDF\xBF"},
        {u"\x800", "\xE0\xA0\x80"},
        {u"\xFFFF", "\xEF\xBF\xBF"},
        {u"\x3042", "\xE3\x81\x82"},
        {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},
        {u"\xD83D", "\xEF\xBF\xBD"},               // lone high surrogate
        {u"\xDE00x", "\xEF\xBF\xBDx"},             // lone low surrogate
        {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToUtf8(c.utf16), c.utf8);
}

TEST(Utf16ToUtf8Test, StopsAtTheBufferLimit) {
    EXPECT_EQ(ToUtf8(u"abcdef", 0), "");
    EXPECT_EQ(ToUtf8(u"abcdef", 3), "");
    EXPECT_EQ(ToUtf8(u"abcdef", 4), "a");       // stops once outSize - 3 are written
    EXPECT_EQ(ToUtf8(u"abcdef", 6), "abc");
    EXPECT_EQ(ToUtf8(u"\x3042\x3042", 6), "\xE3\x81\x82");
    EXPECT_EQ(ToUtf8(u"\x3042\x3042", 7), "\xE3\x81\x82\xE3\x81\x82");
    // A four-byte character is never cut: it needs outSize - 1 >= written + 4.
    EXPECT_EQ(ToUtf8(u"ab\xD83D\xDE00", 6), "ab");
    EXPECT_EQ(ToUtf8(u"ab\xD83D\xDE00", 7), "ab\xF0\x9F\x98\x80");
}

TEST(UtfRoundTripTest, TextSurvivesBothWays) {
    const std::string texts[] = {
        "plain", "日本語のテキスト", "emoji \xF0\x9F\x98\x80 and \xF0\x9F\x8E\xAE", " #Quillmoor",
        "\xF4\x8F\xBF\xBF\xEF\xBF\xBF\x01",
    };
    for (const std::string& text : texts) EXPECT_EQ(ToUtf8(ToUtf16(text)), text);
    // Every BMP value outside the surrogates, and a spread of supplementary ones.
    for (char32_t code = 1; code <= 0x10FFFF; code += code < 0x10000 ? 1 : 97) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        std::u16string one;
        if (code < 0x10000) {
            one = std::u16string(1, static_cast<char16_t>(code));
        } else {
            one += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            one += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
        char utf8[8];
        Utf16ToUtf8(utf8, sizeof utf8, one.c_str());
        char16_t back[4];
        Utf8ToUtf16(back, 4, utf8);
        ASSERT_EQ(std::u16string(back), one) << std::hex << static_cast<uint32_t>(code);
    }
}

}  // namespace
