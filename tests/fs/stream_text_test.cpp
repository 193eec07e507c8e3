// Line reading and writing, and the whole-file loaders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/allocator.h"
#include "fs/file_loaders.h"
#include "fs/stream.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> Lines(std::string bytes, uint32_t bufferSize) {
    Stream* stream = MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
    std::vector<std::string> lines;
    std::vector<char> buffer(bufferSize);
    while (stream->State() == kStreamHasData) {
        uint32_t length = stream->ReadLine(buffer.data(), bufferSize);
        EXPECT_EQ(length, strlen(buffer.data()));
        lines.emplace_back(buffer.data(), length);
    }
    stream->Release();
    return lines;
}

TEST(ReadLineTest, CrLfOrLoneLfEndsALine) {
    struct Case {
        std::string bytes;
        uint32_t bufferSize;
        std::vector<std::string> lines;
    } cases[] = {
        {"ab\r\ncd", 64, {"ab", "cd"}},
        {"ab\ncd", 64, {"ab", "cd"}},
        {"a\rb", 64, {"ab"}},
        {"a\r\r\nb", 64, {"a\r", "b"}},  // the CR after a CR is kept, then a lone LF ends it
        {"\r\n\r\nx\r\n", 64, {"", "", "x"}},
        {"abcdef", 3, {"ab", "cd", "ef"}},
        {"ab\r", 64, {"ab"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(Lines(c.bytes, c.bufferSize), c.lines);
    }
}

TEST(WriteLineTest, AppendsCrLf) {
    char block[16] = {};
    Stream* stream = MemoryStream(block, sizeof block, false, nullptr);
    EXPECT_EQ(stream->WriteLine("key=1"), 5u);
    EXPECT_EQ(stream->WriteLine(""), 0u);
    EXPECT_EQ(std::string(block, stream->Tell()), "key=1\r\n\r\n");
    stream->Release();
}

}  // namespace
