// The EPK2 layout pinned byte for byte: a pack assembled by hand is read by
// the engine and written identically by the pack writer; the built-in key
// table is the key file's bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

void Put32(std::vector<uint8_t>* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Row 1 is 0, 1, 2, ...; row 2 is all 0xFF; rows 3 and 4 are zero.
std::vector<uint8_t> TestKeys() {
    std::vector<uint8_t> keys(1024, 0);
    for (int i = 0; i < 256; ++i) keys[i] = static_cast<uint8_t>(i);
    for (int i = 256; i < 512; ++i) keys[i] = 0xFF;
    return keys;
}

// Root with "a.txt" (flags 7) and folder "sub" with "b.bin" (key row 2).
std::vector<uint8_t> HandMadePack() {
    std::vector<uint8_t> pack = {'E', 'P', 'K', '2', 32, 0, 0, 0};
    Put32(&pack, 0);
    Put32(&pack, 0);
    Put32(&pack, 153);  // index end: 32 + 121
    Put32(&pack, 2);    // directories
    Put32(&pack, 2);    // files
    Put32(&pack, 0);
    // Names at index offsets 104 "", 105 "sub", 109 "a.txt", 115 "b.bin".
    for (uint32_t v : {104u, 0u, 2u, 1u, 0u, 0u}) Put32(&pack, v);    // root
    for (uint32_t v : {105u, 1u, 0u, 2u, 0u, 0u}) Put32(&pack, v);    // sub
    Put32(&pack, 109);
    pack.insert(pack.end(), {0, 0, 7, 0});
    for (uint32_t v : {153u, 5u, 5u, 0u, 0u}) Put32(&pack, v);        // a.txt
    Put32(&pack, 115);
    pack.insert(pack.end(), {0, 0, 0, 2});
    for (uint32_t v : {158u, 4u, 4u, 0u, 0u}) Put32(&pack, v);        // b.bin
    const char names[] = "\0sub\0a.txt\0b.bin";
    pack.insert(pack.end(), names, names + sizeof names);
    EXPECT_EQ(pack.size(), 153u);
    for (size_t i = 0; i < 121; ++i) pack[32 + i] ^= static_cast<uint8_t>(i);  // row 1
    pack.insert(pack.end(), {'h', 'e', 'l', 'l', 'o'});
    pack.insert(pack.end(), {0x00, 0x01, 0xFE, 0xFF});  // b.bin XORed with row 2
    return pack;
}

void CollectLine(void* userArg, FsMgr*, const FsEnumEntry* entry) {
    static_cast<std::vector<std::string>*>(userArg)->push_back(std::string(entry->name) + " " +
                                                               std::to_string(entry->size) + " " +
                                                               std::to_string(entry->flags));
}

std::string Read(PackMgr* pack, const char* name) {
    Stream* stream = FsMgr::OpenStream(pack, name, 0, 0, kOpenRead, nullptr);
    if (stream == nullptr) return "<none>";
    std::string out(stream->Size(), '\0');
    out.resize(stream->Read(out.data(), static_cast<uint32_t>(out.size())));
    stream->Release();
    return out;
}

class PackLayoutTest : public testing::Test {
protected:
    void SetUp() override { SetPackKeyTable(keys_.data()); }
    void TearDown() override { SetPackKeyTable(GetBuiltInPackKeyTable()); }
    std::vector<uint8_t> keys_ = TestKeys();
};

TEST_F(PackLayoutTest, TheEngineReadsAHandMadePack) {
    std::vector<uint8_t> bytes = HandMadePack();
    PackMgr* pack = OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    std::vector<std::string> listing;
    ListPackDirectory(pack, "/", 1, &listing, CollectLine);
    EXPECT_EQ(listing, (std::vector<std::string>{"/sub 0 128", "/sub/b.bin 4 0", "/a.txt 5 7"}));
    EXPECT_EQ(Read(pack, "a.txt"), "hello");
    EXPECT_EQ(Read(pack, "sub/b.bin"), std::string("\xFF\xFE\x01\x00", 4));
    FsMgr::Release(pack);
}

TEST_F(PackLayoutTest, TheWriterLaysOutTheSameBytes) {
    PackWriter writer;
    PackFileOptions plain;
    plain.compression = PackCompression::kNever;
    plain.flags = 7;
    ASSERT_TRUE(writer.AddFile(PackWriter::kRoot, "a.txt", {'h', 'e', 'l', 'l', 'o'}, plain));
    int sub = writer.AddDirectory(PackWriter::kRoot, "sub");
    PackFileOptions scrambled;
    scrambled.compression = PackCompression::kNever;
    scrambled.scrambleRow = 2;
    ASSERT_TRUE(writer.AddFile(sub, "b.bin", {0xFF, 0xFE, 0x01, 0x00}, scrambled));
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(writer.Build(keys_.data(), &bytes, &error)) << error;
    EXPECT_EQ(bytes, HandMadePack());
}

TEST(PackKeysTest, TheBuiltInTableIsTheKeyFile) {
    const char* source = getenv("QM_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::ifstream in(std::string(source) + "/engine/fs/epk2_keys.bin", std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), 1024u);
    EXPECT_EQ(file, std::vector<uint8_t>(GetBuiltInPackKeyTable(), GetBuiltInPackKeyTable() + 1024));
    EXPECT_EQ(GetPackKeyRow(1), GetPackKeyRow(1));
    EXPECT_EQ(GetPackKeyRow(0), nullptr);
    EXPECT_EQ(GetPackKeyRow(5), nullptr);
}

}  // namespace
