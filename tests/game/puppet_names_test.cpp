// Reading "puppet_name.txt": line endings, the 400-name limit, and long
// UTF-8 lines cut at a character boundary instead of split in two.
#include "game/puppet_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/stream.h"

namespace {

std::vector<std::string> Read(std::string text) {
    Stream* stream = MemoryStream(text.empty() ? nullptr : &text[0], static_cast<uint32_t>(text.size()), false,
                                  nullptr);
    auto* names = new PuppetNames;
    uint32_t count = ReadPuppetNames(stream, names);
    stream->Release();
    std::vector<std::string> list;
    for (uint32_t i = 0; i < count; ++i) list.push_back(names->names[i]);
    EXPECT_EQ(count, names->count);
    delete names;
    return list;
}

TEST(PuppetNames, LinesEndWithCrLfOnly) {
    struct Case { const char* text; std::vector<std::string> names; } cases[] = {
        {"", {}},
        {"Ash", {"Ash"}},
        {"Ash\r\n", {"Ash"}},
        {"Ash\r\nBramble\r\nCinder", {"Ash", "Bramble", "Cinder"}},
        {"Ash\r\n\r\nCinder\r\n", {"Ash", "", "Cinder"}},  // an empty line is an empty name
        {"A\rsh\r\n", {"Ash"}},                             // a CR before another byte is dropped
        {"Ash\nBramble\r\n", {"Ash\nBramble"}},             // a lone LF does not end the line
        {"Ash\r", {"Ash"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Read(c.text), c.names);
    }
}

TEST(PuppetNames, StopsAtFourHundredNames) {
    std::string text;
    for (int i = 0; i < 450; ++i) text += "Name" + std::to_string(i) + "\r\n";
    std::vector<std::string> names = Read(text);
    ASSERT_EQ(names.size(), 400u);
    EXPECT_EQ(names.front(), "Name0");
    EXPECT_EQ(names.back(), "Name399");
}

TEST(PuppetNames, LongLinesStayOneNameCutAtACharacterBoundary) {
    const std::string kana = "\xE3\x82\xA2";  // one 3-byte character
    std::string tenKana;
    for (int i = 0; i < 10; ++i) tenKana += kana;  // 30 bytes
    const std::string nineKana = tenKana.substr(0, 27);
    struct Case { std::string line; std::string kept; } cases[] = {
        {std::string(31, 'a'), std::string(31, 'a')},
        {std::string(32, 'b'), std::string(31, 'b')},
        {std::string(100, 'c'), std::string(31, 'c')},
        {tenKana, tenKana},                                   // 30 bytes fit
        {tenKana + kana, tenKana},                            // byte 31 would split the 11th
        {"x" + tenKana, "x" + tenKana},                       // exactly 31
        {"xy" + tenKana, "xy" + nineKana},                    // byte 31 is the last of the 10th character
        {std::string(30, 'd') + "\xC3\xA9", std::string(30, 'd')},  // a 2-byte character across the limit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Read(c.line + "\r\nNext\r\n"), (std::vector<std::string>{c.kept, "Next"}));
    }
}

}  // namespace
