// The zlib layer: round trips at the buffer edges, seeking, interchange with
// plain zlib, and damaged data that must end the stream instead of hanging.
#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "core/allocator.h"
#include "fs/stream.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"

namespace {

// Deflates `data` through a ZlibStream into a memory block; zlib data ends
// itself, so the zeros after it do no harm.
std::vector<uint8_t> DeflateThroughStream(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out(data.size() + data.size() / 100 + 1024);
    Stream* stream = ZlibStream(MemoryStream(out.data(), static_cast<uint32_t>(out.size()), false, nullptr), 0,
                                kZlibDeflate, nullptr);
    EXPECT_NE(stream, nullptr);
    // Uneven pieces exercise the buffer edges.
    size_t at = 0;
    for (size_t piece = 1; at < data.size(); piece = piece * 3 + 1) {
        size_t n = std::min(piece, data.size() - at);
        EXPECT_EQ(stream->Write(data.data() + at, static_cast<uint32_t>(n)), n);
        at += n;
    }
    EXPECT_EQ(stream->Size(), data.size());
    stream->Release();  // finishes the data
    return out;
}

std::vector<uint8_t> InflateThroughStream(std::vector<uint8_t>& packed, uint32_t size) {
    Stream* stream = ZlibStream(MemoryStream(packed.data(), static_cast<uint32_t>(packed.size()), false, nullptr),
                                size, kZlibInflate, nullptr);
    std::vector<uint8_t> out(size);
    uint32_t got = size ? stream->Read(out.data(), size) : 0;
    EXPECT_EQ(got, size);
    EXPECT_EQ(stream->Size(), size);
    stream->Release();
    return out;
}

TEST(ZlibStreamTest, RoundTripsAtTheBufferEdges) {
    for (size_t size : {0u, 1u, 2047u, 2048u, 2049u, 1u << 20}) {
        for (bool compressible : {true, false}) {
            SCOPED_TRACE(testing::Message() << size << (compressible ? " text" : " noise"));
            std::vector<uint8_t> data = MakeBytes(size, static_cast<uint32_t>(size), compressible);
            std::vector<uint8_t> packed = DeflateThroughStream(data);
            // Plain zlib reads it: the layer writes the zlib format, not raw deflate or gzip.
            std::vector<uint8_t> check(size + 1);
            uLongf checkLength = static_cast<uLongf>(check.size());
            ASSERT_EQ(uncompress(check.data(), &checkLength, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
            ASSERT_EQ(checkLength, size);
            EXPECT_EQ(InflateThroughStream(packed, static_cast<uint32_t>(size)), data);
        }
    }
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> packed(length);
    compress2(packed.data(), &length, data.data(), static_cast<uLong>(data.size()), 6);
    packed.resize(length);
    return packed;
}

struct DamageCase {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<DamageCase> DamagedInputs() {
    std::vector<uint8_t> data = MakeBytes(50000, 21, true);
    std::vector<uint8_t> packed = Compress(data);
    std::vector<DamageCase> cases;
    cases.push_back({"truncated to half", std::vector<uint8_t>(packed.begin(), packed.begin() + packed.size() / 2)});
    cases.push_back({"header only", std::vector<uint8_t>(packed.begin(), packed.begin() + 2)});
    cases.push_back({"empty", {}});
    std::vector<uint8_t> flipped = packed;
    for (size_t i = 40; i < flipped.size(); i += 97) flipped[i] ^= 0x5A;
    cases.push_back({"bytes flipped", flipped});
    // CMF 0x78, FLG with the preset-dictionary bit and a valid check, then a dictionary id.
    cases.push_back({"preset dictionary", {0x78, 0xBB, 0x12, 0x34, 0x56, 0x78, 0x4B, 0x04, 0x00}});
    cases.push_back({"not zlib", std::vector<uint8_t>(300, 0xFF)});
    return cases;
}

TEST(ZlibStreamTest, DamagedDataEndsTheStreamWithoutHanging) {
    for (DamageCase& c : DamagedInputs()) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        Stream* stream = ZlibStream(MemoryStream(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), false, nullptr),
                                    50000, kZlibInflate, nullptr);
        std::vector<uint8_t> out(50000);
        EXPECT_EQ(stream->Read(out.data(), 50000), 0u);
        EXPECT_EQ(stream->State(), kStreamAtEnd);
        EXPECT_EQ(stream->Read(out.data(), 10), 0u);  // later reads keep failing
        char line[64];
        stream->ReadLine(line, sizeof line);  // ends at once
        EXPECT_EQ(log.Count(), 1u);
        stream->Release();
    }
}

TEST(ZlibStreamTest, ReadingThePromisedSizeChecksTheEndOfTheData) {
    std::vector<uint8_t> data = MakeBytes(30000, 24, true);
    std::vector<uint8_t> packed = Compress(data);
    std::vector<uint8_t> out(30000);
    {
        Stream* stream = ZlibStream(MemoryStream(packed.data(), static_cast<uint32_t>(packed.size()), false, nullptr),
                                    30000, kZlibInflate, nullptr);
        EXPECT_EQ(stream->Read(out.data(), 30000), 30000u);
        EXPECT_EQ(stream->State(), kStreamAtEnd);  // known without another read
        stream->Release();
    }
    {
        std::vector<uint8_t> badSum = packed;
        badSum.back() ^= 1;  // the checksum: every byte before it still inflates
        LogCapture log;
        Stream* stream = ZlibStream(MemoryStream(badSum.data(), static_cast<uint32_t>(badSum.size()), false, nullptr),
                                    30000, kZlibInflate, nullptr);
        EXPECT_EQ(stream->Read(out.data(), 30000), 0u);
        EXPECT_TRUE(log.Contains("incorrect data check")) << testing::PrintToString(log.Lines());
        stream->Release();
    }
    {
        // Promising less than the data holds loses nothing.
        Stream* stream = ZlibStream(MemoryStream(packed.data(), static_cast<uint32_t>(packed.size()), false, nullptr),
                                    1000, kZlibInflate, nullptr);
        std::vector<uint8_t> all;
        uint8_t piece[1000];
        while (uint32_t n = stream->Read(piece, sizeof piece)) all.insert(all.end(), piece, piece + n);
        EXPECT_EQ(all, data);
        EXPECT_EQ(stream->State(), kStreamAtEnd);
        stream->Release();
    }
}

}  // namespace
