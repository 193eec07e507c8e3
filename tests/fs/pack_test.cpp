// The EPK2 reader on written packs from disk and memory, a hand-made pack byte for byte, and damaged packs.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

using Lines = std::vector<std::string>;

// ScrambleIndex XORs the index's scrambled start with key row 1 both ways.
uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

void SetU32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void ScrambleIndex(std::vector<uint8_t>* pack, const uint8_t* keys, uint32_t indexEnd) {
    for (uint32_t i = 0; i + kEpk2HeaderSize < indexEnd && i < kEpk2ScrambledBytes; ++i)
        (*pack)[kEpk2HeaderSize + i] ^= keys[i % kEpk2KeyRowSize];
}

size_t DirectoryField(uint32_t record, uint32_t field) {
    return kEpk2HeaderSize + size_t{record - 1} * kEpk2DirectoryRecordSize + field;
}

size_t FileField(const std::vector<uint8_t>& pack, uint32_t record, uint32_t field) {
    return DirectoryField(GetU32(pack, kEpk2OffsetDirectoryCount) + 1, 0) + size_t{record - 1} * kEpk2FileRecordSize +
           field;
}

std::vector<uint8_t> ReadSourceFile(const std::string& name) {
    std::ifstream in(std::string(getenv("QM_SOURCE_DIR")) + "/" + name, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The sample pack on disk and in shared memory, so every test runs on both kinds.
class PackTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        bytes_ = BuildSamplePack(GetBuiltInPackKeyTable());
        ASSERT_TRUE(dir_.Write("sample.dat", AsString(bytes_)));
        pack_ = GetParam() ? OpenSharedPack(bytes_) : OpenPackFile(nullptr, dir_.File("sample.dat").c_str(), nullptr);
        ASSERT_NE(pack_, nullptr);
    }
    void TearDown() override { FsMgr::Release(pack_); }
    TempDir dir_;
    std::vector<uint8_t> bytes_;
    PackMgr* pack_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(DiskAndMemory, PackTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Memory" : "Disk"; });

// Windows too, as a file stream takes them, so that a pack stored in a pack reads its entries.
TEST_P(PackTest, EveryEntryAndWindowReadsBackExactlyAlsoFromTwoThreads) {
    for (const SampleEntry& entry : SampleEntries()) {
        SCOPED_TRACE(entry.path);
        ASSERT_NE(FindPackEntry(pack_, entry.path.c_str()), nullptr);
        EXPECT_EQ(FsMgr::GetFileSize(pack_, entry.path.c_str()), static_cast<int64_t>(entry.data.size()));
        EXPECT_EQ(ReadFile(pack_, entry.path), AsString(entry.data));
        EXPECT_EQ(ReadFile(pack_, entry.path, kOpenRead | kOpenLoadIntoMemory), AsString(entry.data));
        const uint32_t n = static_cast<uint32_t>(entry.data.size());
        for (const auto& [at, size, kept] : {std::tuple{1u, 0u, n - 1}, {n / 2, 7u, 7u}, {3u, n, n - 3}, {n, 0u, 0u}}) {
            if (at <= n) { EXPECT_EQ(ReadFile(pack_, entry.path, kOpenRead, at, size), AsString(entry.data).substr(at, kept)); }
        }
        EXPECT_EQ(ReadFile(pack_, entry.path, kOpenRead | kOpenLoadIntoMemory, n + 1, 0), "<none>");
    }
    bool same[2] = {true, true};
    auto reader = [&](int slot, const SampleEntry& entry) {
        for (int i = 0; i < 40; ++i) same[slot] = same[slot] && ReadFile(pack_, entry.path) == AsString(entry.data);
    };
    std::thread first(reader, 0, std::cref(SampleEntries()[7])), second(reader, 1, std::cref(SampleEntries()[5]));
    first.join(), second.join();
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
    EXPECT_EQ(ReadFile(pack_, "/script/MAIN.nut"), AsString(SampleEntries()[2].data));  // case matters
    EXPECT_EQ(FsMgr::GetFileSize(pack_, "/nope"), -1);
    EXPECT_EQ(FsMgr::OpenStream(pack_, "nope.txt", 0, 0, kOpenRead, nullptr), nullptr);
}

TEST_P(PackTest, ListingsAndRefusedWrites) {
    EXPECT_EQ(List(pack_, "/", 0), (Lines{"/script 0 128", "/data 0 128", "/empty 0 128", "/readme.txt 9 0"}));
    EXPECT_EQ(List(pack_, "/nothing", 1), Lines{"result 0"});
    EXPECT_EQ(List(pack_, "/readme.txt", 1), Lines{"result 0"});
    LogCapture log;
    EXPECT_EQ(FsMgr::OpenStream(pack_, "/readme.txt", 0, 0, kOpenRead | kOpenWrite, nullptr), nullptr);
    FsMgr* script = DirMgr(pack_, "script", nullptr);  // a folder of the pack
    EXPECT_EQ(ReadFile(script, "lib/util.nut"), AsString(SampleEntries()[3].data));
    EXPECT_EQ(FsMgr::GetFileSize(script, "/main.nut"), 3000);  // below the folder's root
    EXPECT_EQ(FsMgr::OpenStream(script, "main.nut", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_TRUE(FsMgr::CreateFolder(script, "new") == 0 && FsMgr::RemoveFolder(script, "/") == 0);
    FsMgr::Release(script);
    EXPECT_TRUE(log.Has("Error: cannot open \"/readme.txt\" for writing: a pack is read-only"));
    EXPECT_EQ(dir_.Read("sample.dat"), AsString(bytes_));
}

// data/hand_made.epk: root with "a.txt" (flags 7) and folder "sub" with "b.bin"
// (key row 2), the index scrambled with row 1 (0, 1, 2, ...); row 2 is all 0xFF.
TEST(PackLayoutTest, TheEngineReadsAndTheWriterWritesAHandMadePack) {
    std::vector<uint8_t> keys(1024, 0);
    for (int i = 0; i < 256; ++i) keys[i] = static_cast<uint8_t>(i), keys[256 + i] = 0xFF;
    SetPackKeyTable(keys.data());
    const std::vector<uint8_t> bytes = ReadSourceFile("tests/fs/data/hand_made.epk");
    ASSERT_EQ(bytes.size(), 162u);
    PackMgr* pack = OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(List(pack, "/", 1), (Lines{"/sub 0 128", "/sub/b.bin 4 0", "/a.txt 5 7"}));
    const std::vector<uint8_t> a = {'h', 'e', 'l', 'l', 'o'}, b = {0xFF, 0xFE, 0x01, 0x00};
    EXPECT_TRUE(ReadFile(pack, "a.txt") == AsString(a) && ReadFile(pack, "sub/b.bin") == AsString(b));
    FsMgr::Release(pack);
    PackWriter writer;
    PackFileOptions plain, scrambled;
    plain.compression = scrambled.compression = PackCompression::kNever;
    plain.flags = 7;
    scrambled.scrambleRow = 2;
    ASSERT_TRUE(writer.AddFile(PackWriter::kRoot, "a.txt", a, plain));
    ASSERT_TRUE(writer.AddFile(writer.AddDirectory(PackWriter::kRoot, "sub"), "b.bin", b, scrambled));
    std::vector<uint8_t> written;
    std::string error;
    ASSERT_TRUE(writer.Build(keys.data(), &written, &error)) << error;
    EXPECT_EQ(written, bytes);
    // Data deflating to its own length is stored plain (stored sizes tell the two apart); long names.
    std::vector<uint8_t> even = MakeBytes(40, 7, false);
    std::vector<Bytef> z(1024);
    auto deflated = [&] { uLongf n = z.size(); return compress2(z.data(), &n, even.data(), even.size(), 9), n; };
    while (deflated() != even.size() && even.size() < 200) even.push_back(0);
    PackWriter evenWriter;
    const std::string folder(300, 'd'), fits(209, 'f');  // "/" + folder + "/" + fits: the longest name listed
    const int d = evenWriter.AddDirectory(PackWriter::kRoot, folder);
    ASSERT_TRUE(evenWriter.AddFile(PackWriter::kRoot, "even.bin", even, {}) && evenWriter.AddFile(d, fits, a, plain) &&
                evenWriter.AddFile(d, fits + "g", a, plain) && evenWriter.Build(keys.data(), &written, &error));
    pack = OpenPackMemory(written.data(), static_cast<uint32_t>(written.size()), nullptr);
    EXPECT_EQ(ReadFile(pack, "even.bin"), AsString(even));
    LogCapture log;
    EXPECT_EQ(List(pack, "/", 1), (Lines{"/" + folder + " 0 128", "/" + folder + "/" + fits + " 5 7",
                                         "/even.bin " + std::to_string(even.size()) + " 0"}));
    EXPECT_EQ(log.Count(), 1u) << "the name one byte longer is skipped with a warning";
    FsMgr::Release(pack);
    SetPackKeyTable(GetBuiltInPackKeyTable());
}

// Each line of data/damaged_packs.txt changes one number or byte of the sample pack.
TEST(PackDamageTest, EveryDamagedPackIsRefusedWithOneLine) {
    const uint8_t* keys = GetBuiltInPackKeyTable();
    const std::vector<uint8_t> good = BuildSamplePack(keys);
    const uint32_t indexEnd = GetU32(good, kEpk2OffsetIndexEnd), indexSize = indexEnd - kEpk2HeaderSize;
    const std::map<std::string, int64_t> bases = {
        {"value", 0}, {"index size", indexSize}, {"directories", GetU32(good, kEpk2OffsetDirectoryCount)},
        {"files", GetU32(good, kEpk2OffsetFileCount)}, {"pack size", static_cast<int64_t>(good.size())},
        {"files that fit", indexSize / kEpk2FileRecordSize}};
    std::istringstream lines(AsString(ReadSourceFile("tests/fs/data/damaged_packs.txt")));
    int cases = 0;
    for (std::string line; std::getline(lines, line);) {
        char name[80], where, base[20], message[120];
        unsigned record, field;
        long long number;
        if (line.empty() || line[0] == '#' || sscanf(line.c_str(), "%79[^|]|%c|%u|%u|%19[^|]|%lld|%119[^\n]", name,
                                                     &where, &record, &field, base, &number, message) != 7)
            continue;
        SCOPED_TRACE(name);
        ++cases;
        std::vector<uint8_t> bad = good;
        uint32_t value = static_cast<uint32_t>(bases.at(base) + number);
        ScrambleIndex(&bad, keys, indexEnd);  // index edits change numbers, not noise
        switch (where) {
            case 'b': bad[field] = static_cast<uint8_t>(value); break;
            case 'h': SetU32(&bad, field, value); break;
            case 'd': SetU32(&bad, DirectoryField(record, field), value); break;
            case 'f': SetU32(&bad, FileField(good, record, field), value); break;
            case 'r': bad[FileField(good, record, field)] = static_cast<uint8_t>(value); break;
            default: bad[indexEnd - field] = static_cast<uint8_t>(value);
        }
        ScrambleIndex(&bad, keys, indexEnd);
        ASSERT_NE(bad, good);
        LogCapture log;
        EXPECT_EQ(OpenPackMemory(bad.data(), static_cast<uint32_t>(bad.size()), nullptr), nullptr);
        ASSERT_EQ(log.Count(), 1u) << testing::PrintToString(log.Lines());
        EXPECT_TRUE(log.Contains(message)) << log.Lines()[0];
    }
    EXPECT_EQ(cases, 37);
}

// The last entry ends at the pack's end: one byte less is refused, not over-read.
TEST(PackDamageTest, TruncationAtAnyLengthIsRefused) {
    const std::vector<uint8_t> good = BuildSamplePack(GetBuiltInPackKeyTable());
    uint32_t indexEnd = GetU32(good, kEpk2OffsetIndexEnd);
    LogCapture log;
    for (size_t length = 0; length < good.size(); length += length < indexEnd + 64 ? 1 : 61) {
        log.Clear();
        ASSERT_EQ(OpenPackMemory(good.data(), static_cast<uint32_t>(length), nullptr), nullptr) << length;
        ASSERT_EQ(log.Count(), 1u) << length;
    }
    EXPECT_EQ(OpenPackMemory(good.data(), static_cast<uint32_t>(good.size() - 1), nullptr), nullptr);
    EXPECT_TRUE(log.Contains("\"flagged.bin\""));
}

}  // namespace
