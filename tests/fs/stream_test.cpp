// File, memory and sub-range streams: windows, clamping, seeking and the
// typed little-endian accessors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/allocator.h"
#include "fs/stream.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Bytes150() {
    std::string bytes;
    for (int i = 0; i < 150; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

std::string ReadAll(Stream* stream) {
    std::string out;
    char buffer[64];
    while (uint32_t got = stream->Read(buffer, sizeof buffer)) out.append(buffer, got);
    return out;
}

TEST(FileStreamTest, WindowsOnA150ByteFile) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("f.bin", Bytes150()));
    struct Case {
        uint32_t offset, length;
        bool opens;
        uint32_t size;
    } cases[] = {
        {100, 0, true, 50}, {100, 80, true, 50}, {100, 30, true, 30}, {0, 0, true, 150},
        {150, 0, true, 0},  {151, 0, false, 0},  {0, 150, true, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << " length " << c.length);
        Stream* stream = FileStream(dir.File("f.bin").c_str(), c.offset, c.length, kOpenRead, nullptr);
        ASSERT_EQ(stream != nullptr, c.opens);
        if (!stream) continue;
        EXPECT_EQ(stream->Size(), c.size);
        EXPECT_EQ(ReadAll(stream), Bytes150().substr(c.offset, c.size));
        EXPECT_EQ(stream->State(), kStreamAtEnd);
        stream->Release();
    }
}

TEST(FileStreamTest, SeeksOutsideTheWindowNeverReachTheNeighbours) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("f.bin", Bytes150()));
    Stream* stream = FileStream(dir.File("f.bin").c_str(), 50, 30, kOpenRead, nullptr);
    ASSERT_NE(stream, nullptr);
    char buffer[200];
    for (int32_t offset : {40, 30, -1, -1000}) {
        stream->Seek(offset, kSeekSet);
        EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0u) << offset;
        EXPECT_EQ(stream->State(), kStreamAtEnd) << offset;
    }
    EXPECT_EQ(stream->Seek(-5, kSeekEnd), 25u);
    ASSERT_EQ(stream->Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), Bytes150().substr(75, 5));
    EXPECT_EQ(stream->Seek(3, 7), 0u);  // unknown whence: nothing moves
    EXPECT_EQ(stream->Tell(), 30u);
    stream->Release();
}

TEST(FileStreamTest, WritesGrowTheFileButLeaveNoHoles) {
    TempDir dir;
    std::string path = dir.File("w.bin");
    Stream* stream = FileStream(path.c_str(), 0, 0, kOpenRead | kOpenWrite, nullptr);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Write("hello", 5), 5u);
    EXPECT_EQ(stream->Size(), 5u);
    stream->Seek(10, kSeekSet);
    EXPECT_EQ(stream->Write("x", 1), 0u);
    stream->Seek(0, kSeekEnd);
    EXPECT_EQ(stream->Write(" world", 6), 6u);
    stream->Seek(0, kSeekSet);
    EXPECT_EQ(ReadAll(stream), "hello world");
    stream->Release();
    EXPECT_EQ(dir.Read("w.bin"), "hello world");
}

TEST(MemoryStreamTest, NeverGrowsAndComparesPositionsUnsigned) {
    std::vector<char> block(8, '.');
    Stream* stream = MemoryStream(block.data(), 8, false, nullptr);
    ASSERT_NE(stream, nullptr);
    stream->Seek(5, kSeekSet);
    EXPECT_EQ(stream->Write("abcdef", 6), 3u);
    EXPECT_EQ(std::string(block.data(), 8), ".....abc");
    EXPECT_EQ(stream->Write("z", 1), 0u);
    char buffer[16];
    stream->Seek(-3, kSeekSet);
    EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(stream->Write("z", 1), 0u);
    EXPECT_EQ(stream->State(), kStreamAtEnd);
    stream->Seek(-2, kSeekEnd);
    EXPECT_EQ(stream->State(), kStreamHasData);
    EXPECT_EQ(stream->Read(buffer, sizeof buffer), 2u);
    stream->Release();
}

// Every kind that keeps its own position seeks the same way: from the start,
// the current position or the end, and an unknown whence moves nothing.
TEST(SeekTest, EveryKindCountsFromTheSameThreePlaces) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("f.bin", Bytes150()));
    std::string bytes = Bytes150();
    struct Kind {
        const char* name;
        Stream* stream;
    } kinds[] = {
        {"file", FileStream(dir.File("f.bin").c_str(), 50, 40, kOpenRead, nullptr)},
        {"memory", MemoryStream(bytes.data() + 50, 40, false, nullptr)},
        {"sub", SubStream(MemoryStream(bytes.data(), 150, false, nullptr), 50, 40, true, nullptr)},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        Stream* s = k.stream;
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->Seek(12, kSeekSet), 12u);
        EXPECT_EQ(s->Seek(5, kSeekCurrent), 17u);
        EXPECT_EQ(s->Seek(-3, kSeekCurrent), 14u);
        EXPECT_EQ(s->Seek(-4, kSeekEnd), 36u);
        for (int whence : {3, -1, 100}) {
            EXPECT_EQ(s->Seek(1, whence), 0u) << whence;
            EXPECT_EQ(s->Tell(), 36u) << whence;
        }
        char buffer[8];
        ASSERT_EQ(s->Read(buffer, sizeof buffer), 4u);
        EXPECT_EQ(std::string(buffer, 4), bytes.substr(86, 4));
        s->Release();
    }
}

TEST(TypedAccessTest, LittleEndianValuesAndShortReads) {
    uint8_t bytes[] = {0x80, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xAB};
    Stream* stream = MemoryStream(bytes, sizeof bytes, false, nullptr);
    EXPECT_EQ(stream->ReadByte(), -128);
    EXPECT_EQ(stream->ReadI16(), 0x1234);
    EXPECT_EQ(stream->ReadU32(), 0x12345678u);
    EXPECT_EQ(stream->ReadI8(), -2);
    EXPECT_EQ(stream->ReadI16(), 0);  // one byte left: short
    stream->Seek(-1, kSeekEnd);
    EXPECT_EQ(stream->ReadU32(), 0u);
    EXPECT_EQ(stream->ReadByte(), 0);  // at the end
    stream->Release();

    uint8_t out[5] = {};
    stream = MemoryStream(out, sizeof out, false, nullptr);
    EXPECT_EQ(stream->WriteU32(0xA1B2C3D4u), 4u);
    EXPECT_EQ(stream->WriteByte(0x1FF), 1u);
    EXPECT_EQ(stream->WriteByte(7), 0u);
    EXPECT_EQ(out[0], 0xD4);
    EXPECT_EQ(out[3], 0xA1);
    EXPECT_EQ(out[4], 0xFF);
    stream->Release();
}

}  // namespace
