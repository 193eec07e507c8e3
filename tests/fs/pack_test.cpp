// The EPK2 reader on packs made by the writer: every entry kind read back from
// disk and from memory, lookups, listing, read-only opens, threads, the
// layout pinned byte for byte against a hand-made pack, and random damage.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "core/allocator.h"
#include "fs/dir_mgr.h"
#include "fs/file_loaders.h"
#include "fs/fs_mgr.h"
#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "platform/debug_log.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

std::vector<uint8_t> ReadEntry(FsMgr* pack, const std::string& path, int mode = kOpenRead) {
    Stream* stream = FsMgr::OpenStream(pack, path.c_str(), 0, 0, mode, nullptr);
    if (stream == nullptr) return {0xEE};
    std::vector<uint8_t> out(stream->Size());
    out.resize(out.empty() ? 0 : stream->Read(out.data(), static_cast<uint32_t>(out.size())));
    stream->Release();
    return out;
}

std::vector<std::string> List(FsMgr* pack, const char* name, int recursive, int expectResult = 1) {
    std::vector<std::string> got;
    EXPECT_EQ(FsMgr::Enumerate(pack, name, recursive, &got, [](void* out, FsMgr*, const FsEnumEntry* entry) {
        static_cast<std::vector<std::string>*>(out)->push_back(std::string(entry->name) + " " +
                                                               std::to_string(entry->size) + " " +
                                                               std::to_string(entry->flags));
    }), expectResult) << name;
    return got;
}

// The sample pack on disk and in memory, so every test runs on both kinds.
class PackTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        bytes_ = BuildSamplePack(GetBuiltInPackKeyTable());
        ASSERT_TRUE(dir_.Write("sample.dat", std::string(bytes_.begin(), bytes_.end())));
        pack_ = GetParam() ? OpenPackMemory(bytes_.data(), static_cast<uint32_t>(bytes_.size()), nullptr)
                           : OpenPackFile(nullptr, dir_.File("sample.dat").c_str(), nullptr);
        ASSERT_NE(pack_, nullptr);
    }
    void TearDown() override { FsMgr::Release(pack_); }
    TempDir dir_;
    std::vector<uint8_t> bytes_;
    PackMgr* pack_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(DiskAndMemory, PackTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Memory" : "Disk"; });

TEST_P(PackTest, EveryEntryReadsBackExactlyAlsoFromTwoThreads) {
    for (const SampleEntry& entry : SampleEntries()) {
        SCOPED_TRACE(entry.path);
        const PackFile* file = FindPackEntry(pack_, entry.path.c_str());
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->scrambleRow, entry.scrambleRow);
        EXPECT_EQ(file->storedSize != file->unpackedSize, entry.compressed);
        EXPECT_EQ(FsMgr::GetFileSize(pack_, entry.path.c_str()), static_cast<int64_t>(entry.data.size()));
        EXPECT_EQ(ReadEntry(pack_, entry.path), entry.data);
        EXPECT_EQ(ReadEntry(pack_, entry.path, kOpenRead | kOpenLoadIntoMemory), entry.data);
        uint32_t size = 0;
        auto* whole = static_cast<uint8_t*>(LoadWholeFile(pack_, entry.path.c_str(), &size, nullptr));
        ASSERT_NE(whole, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(whole, whole + size), entry.data);
        Allocator::Free(whole);
    }
    const std::vector<SampleEntry>& entries = SampleEntries();
    bool same[2] = {true, true};
    auto reader = [&](int slot, const SampleEntry& entry) {
        for (int i = 0; i < 40; ++i) same[slot] = same[slot] && ReadEntry(pack_, entry.path) == entry.data;
    };
    std::thread first(reader, 0, std::cref(entries[7])), second(reader, 1, std::cref(entries[5]));
    first.join();
    second.join();
    EXPECT_TRUE(same[0] && same[1]);
}

TEST_P(PackTest, LookupsFromAnyFolderAndLookupsThatFindNothing) {
    const PackFile* expected = FindPackEntry(pack_, "/script/lib/util.nut");
    ASSERT_NE(expected, nullptr);
    const std::pair<const char*, const char*> found[] = {
        {"", "script/lib/util.nut"}, {"/script", "lib/util.nut"},     {"script", "lib/util.nut"},
        {"/script/lib", "util.nut"}, {"/data", "/script/lib/util.nut"}, {"", "\\script\\lib\\util.nut"},
        {"", "//script//lib/util.nut"}, {"/script/", "lib//util.nut"}};
    for (const auto& c : found) {
        FsMgr::SetCurrentFolder(pack_, c.first);
        EXPECT_EQ(FindPackEntry(pack_, c.second), expected) << c.first << " | " << c.second;
    }
    FsMgr::SetCurrentFolder(pack_, "");
    std::string deep;
    for (int i = 0; i < 129; ++i) deep += "/d";
    const std::string missing[] = {"", "/", "script", "/script/lib", "Script/lib/util.nut", "/script/lib/UTIL.nut",
                                   "/script/lib/util.nut/x", "/script/../script/main.nut", "./readme.txt", "/empty/x",
                                   deep, std::string(600, 'x')};
    for (const std::string& name : missing)
        EXPECT_EQ(FindPackEntry(pack_, name.c_str()), nullptr) << name;
    EXPECT_EQ(ReadEntry(pack_, "/script/MAIN.nut"), SampleEntries()[2].data);  // case matters
    EXPECT_EQ(FsMgr::GetFileSize(pack_, "/nope"), -1);
    LogCapture log;
    EXPECT_EQ(FsMgr::OpenStream(pack_, "nope.txt", 0, 0, kOpenRead, nullptr), nullptr);
    EXPECT_TRUE(log.Lines().empty()) << "a miss is reported once, by the caller";
}

TEST_P(PackTest, ListingsAndRefusedWrites) {
    EXPECT_EQ(List(pack_, "/", 1), SampleListing());
    EXPECT_EQ(List(pack_, "/", 0), (std::vector<std::string>{"/script 0 128", "/data 0 128", "/empty 0 128",
                                                             "/readme.txt 9 0"}));
    EXPECT_TRUE(List(pack_, "/nothing", 1, 0).empty());
    EXPECT_TRUE(List(pack_, "/readme.txt", 1, 0).empty());
    LogCapture log;
    for (int mode : {int{kOpenWrite}, kOpenRead | kOpenWrite, kOpenWrite | kOpenLoadIntoMemory})
        EXPECT_EQ(FsMgr::OpenStream(pack_, "/readme.txt", 0, 0, mode, nullptr), nullptr) << mode;
    FsMgr* script = DirMgr(pack_, "script", nullptr);  // a folder of the pack
    EXPECT_EQ(ReadEntry(script, "lib/util.nut"), SampleEntries()[3].data);
    EXPECT_EQ(FsMgr::GetFileSize(script, "/main.nut"), 3000);  // below the folder's root
    EXPECT_EQ(FsMgr::OpenStream(script, "main.nut", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(FsMgr::CreateFolder(script, "new"), 0);
    EXPECT_EQ(FsMgr::RemoveFolder(script, "/"), 0);
    FsMgr::Release(script);
    EXPECT_EQ(log.Count(), 4u);
    EXPECT_TRUE(log.Has("Error: cannot open \"/readme.txt\" for writing: a pack is read-only"));
    EXPECT_EQ(dir_.Read("sample.dat"), std::string(bytes_.begin(), bytes_.end()));
}

void Put32(std::vector<uint8_t>* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Root with "a.txt" (flags 7) and folder "sub" with "b.bin" (key row 2), the
// index scrambled with row 1 (0, 1, 2, ...); row 2 is all 0xFF.
std::vector<uint8_t> HandMadePack() {
    std::vector<uint8_t> pack = {'E', 'P', 'K', '2', 32, 0, 0, 0};
    for (uint32_t v : {0u, 0u, 153u, 2u, 2u, 0u}) Put32(&pack, v);  // index end 32 + 121, 2 folders, 2 files
    // Names at index offsets 104 "", 105 "sub", 109 "a.txt", 115 "b.bin".
    for (uint32_t v : {104u, 0u, 2u, 1u, 0u, 0u, 105u, 1u, 0u, 2u, 0u, 0u, 109u}) Put32(&pack, v);
    pack.insert(pack.end(), {0, 0, 7, 0});
    for (uint32_t v : {153u, 5u, 5u, 0u, 0u, 115u}) Put32(&pack, v);
    pack.insert(pack.end(), {0, 0, 0, 2});
    for (uint32_t v : {158u, 4u, 4u, 0u, 0u}) Put32(&pack, v);
    const char names[] = "\0sub\0a.txt\0b.bin";
    pack.insert(pack.end(), names, names + sizeof names);
    for (size_t i = 0; i < 121; ++i) pack[32 + i] ^= static_cast<uint8_t>(i);
    pack.insert(pack.end(), {'h', 'e', 'l', 'l', 'o', 0x00, 0x01, 0xFE, 0xFF});  // b.bin XORed with row 2
    return pack;
}

TEST(PackLayoutTest, TheEngineReadsAndTheWriterWritesAHandMadePack) {
    std::vector<uint8_t> keys(1024, 0);
    for (int i = 0; i < 256; ++i) keys[i] = static_cast<uint8_t>(i), keys[256 + i] = 0xFF;
    SetPackKeyTable(keys.data());
    std::vector<uint8_t> bytes = HandMadePack();
    PackMgr* pack = OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(List(pack, "/", 1), (std::vector<std::string>{"/sub 0 128", "/sub/b.bin 4 0", "/a.txt 5 7"}));
    EXPECT_EQ(ReadEntry(pack, "a.txt"), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_EQ(ReadEntry(pack, "sub/b.bin"), (std::vector<uint8_t>{0xFF, 0xFE, 0x01, 0x00}));
    FsMgr::Release(pack);
    PackWriter writer;
    PackFileOptions plain, scrambled;
    plain.compression = scrambled.compression = PackCompression::kNever;
    plain.flags = 7;
    scrambled.scrambleRow = 2;
    ASSERT_TRUE(writer.AddFile(PackWriter::kRoot, "a.txt", {'h', 'e', 'l', 'l', 'o'}, plain));
    ASSERT_TRUE(writer.AddFile(writer.AddDirectory(PackWriter::kRoot, "sub"), "b.bin", {0xFF, 0xFE, 0x01, 0x00},
                               scrambled));
    std::vector<uint8_t> written;
    std::string error;
    ASSERT_TRUE(writer.Build(keys.data(), &written, &error)) << error;
    EXPECT_EQ(written, HandMadePack());
    SetPackKeyTable(GetBuiltInPackKeyTable());

    // The built-in table is the key file's bytes.
    std::ifstream in(std::string(getenv("QM_SOURCE_DIR")) + "/engine/fs/epk2_keys.bin", std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(file, std::vector<uint8_t>(GetBuiltInPackKeyTable(), GetBuiltInPackKeyTable() + 1024));
    EXPECT_EQ(GetPackKeyRow(0), nullptr);
    EXPECT_EQ(GetPackKeyRow(5), nullptr);
}

// Random damage to a good pack, thousands of times: parsing, lookup, listing
// and reading must stay inside the pack's bytes and always end. The fuzzer
// explores the same function without bounds.
TEST(PackMutationTest, RandomDamageNeverEscapesThePack) {
    const std::vector<uint8_t> good = BuildSamplePack(GetBuiltInPackKeyTable());
    uint32_t indexEnd = GetU32(good, kEpk2OffsetIndexEnd);
    DebugSink previous = SetDebugSink([](const char*) {});
    uint32_t state = 0x9E3779B9u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        return state ^= state << 5;
    };
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = good;
        {
            // Edits go to the descrambled index so they change numbers, not noise.
            PackIndexEditor editor(&bytes, GetBuiltInPackKeyTable());
            for (int e = 0, edits = 1 + static_cast<int>(next() % 4); e < edits; ++e) {
                size_t at = next() % 4 == 0 ? next() % bytes.size() : next() % indexEnd;
                switch (next() % 3) {
                    case 0: bytes[at] ^= static_cast<uint8_t>(1u << (next() % 8)); break;
                    case 1: bytes[at] = static_cast<uint8_t>(next()); break;
                    default: if (at + 4 <= bytes.size()) SetU32(&bytes, at, next() % (indexEnd + 64));
                }
            }
            editor.Commit();
        }
        if (next() % 8 == 0) bytes.resize(next() % bytes.size());
        std::vector<uint8_t> exact(bytes.begin(), bytes.end());  // the address checker sees reads past the end
        ExercisePackImage(exact.data(), exact.size());
    }
    SetDebugSink(previous);
}

}  // namespace
