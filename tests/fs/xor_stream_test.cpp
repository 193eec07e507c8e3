// The scrambling layer: the limit, odd starting positions across the 1024-byte
// write pieces, the caller's buffer left alone, and keys of length 0.
#include <gtest/gtest.h>

#include <vector>

#include "fs/stream.h"
#include "tests/fs/pack_test_util.h"

namespace {

std::vector<uint8_t> Key256() {
    std::vector<uint8_t> key(256);
    for (int i = 0; i < 256; ++i) key[i] = static_cast<uint8_t>(i * 37 + 11);
    return key;
}

TEST(XorStreamTest, WritesFromOddPositionsRoundTripAndLeaveTheCallerAlone) {
    std::vector<uint8_t> key = Key256();
    std::vector<uint8_t> plain = MakeBytes(3000, 11, false);
    const std::vector<uint8_t> original = plain;
    for (uint32_t limit : {1024u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(limit);
        std::vector<uint8_t> stored(3000, 0);
        Stream* writer = XorStream(MemoryStream(stored.data(), 3000, false, nullptr), key.data(), 256, limit, nullptr);
        // 7 bytes, then 2500 (three pieces, crossing the limit), then the rest.
        ASSERT_EQ(writer->Write(plain.data(), 7), 7u);
        ASSERT_EQ(writer->Write(plain.data() + 7, 2500), 2500u);
        ASSERT_EQ(writer->Write(plain.data() + 2507, 493), 493u);
        EXPECT_EQ(writer->Tell(), 3000u);
        writer->Release();
        EXPECT_EQ(plain, original);
        for (size_t i = 0; i < 3000; ++i) {
            uint8_t expected = i < limit ? plain[i] ^ key[i % 256] : plain[i];
            ASSERT_EQ(stored[i], expected) << "byte " << i;
        }
        Stream* reader = XorStream(MemoryStream(stored.data(), 3000, false, nullptr), key.data(), 256, limit, nullptr);
        std::vector<uint8_t> back(3000);
        ASSERT_EQ(reader->Read(back.data(), 3000), 3000u);
        EXPECT_EQ(back, plain);
        reader->Release();
    }
}

TEST(XorStreamTest, AKeyOfLengthZeroPassesBytesThrough) {
    std::vector<uint8_t> key = Key256();
    std::vector<uint8_t> stored = MakeBytes(100, 13, false);
    Stream* stream = XorStream(MemoryStream(stored.data(), 100, false, nullptr), key.data(), 0, 1024, nullptr);
    std::vector<uint8_t> got(100);
    ASSERT_EQ(stream->Read(got.data(), 100), 100u);
    EXPECT_EQ(got, stored);
    stream->Release();
}

}  // namespace
