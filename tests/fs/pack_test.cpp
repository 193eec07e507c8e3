// The EPK2 reader on packs made by the writer: every entry kind read back from
// disk and from memory, lookups, listing, read-only opens and threads.
#include <gtest/gtest.h>

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
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

std::vector<uint8_t> ReadEntry(FsMgr* pack, const std::string& path, int mode = kOpenRead) {
    Stream* stream = FsMgr::OpenStream(pack, path.c_str(), 0, 0, mode, nullptr);
    if (stream == nullptr) return {0xEE};
    std::vector<uint8_t> out(stream->Size());
    uint32_t got = out.empty() ? 0 : stream->Read(out.data(), static_cast<uint32_t>(out.size()));
    out.resize(got);
    stream->Release();
    return out;
}

void CollectLine(void* userArg, FsMgr*, const FsEnumEntry* entry) {
    static_cast<std::vector<std::string>*>(userArg)->push_back(std::string(entry->name) + " " +
                                                               std::to_string(entry->size) + " " +
                                                               std::to_string(entry->flags));
}

// The sample pack on disk and in memory, so every test runs on both kinds.
class PackTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        bytes_ = BuildSamplePack(GetBuiltInPackKeyTable());
        ASSERT_TRUE(dir_.Write("sample.dat", std::string(bytes_.begin(), bytes_.end())));
        if (GetParam()) {
            pack_ = OpenPackMemory(bytes_.data(), static_cast<uint32_t>(bytes_.size()), nullptr);
        } else {
            pack_ = OpenPackFile(nullptr, dir_.File("sample.dat").c_str(), nullptr);
        }
        ASSERT_NE(pack_, nullptr);
    }
    void TearDown() override { FsMgr::Release(pack_); }

    TempDir dir_;
    std::vector<uint8_t> bytes_;
    PackMgr* pack_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(DiskAndMemory, PackTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Memory" : "Disk"; });

TEST_P(PackTest, EveryEntryReadsBackExactly) {
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
        void* whole = LoadWholeFile(pack_, entry.path.c_str(), &size, nullptr);
        ASSERT_NE(whole, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(whole), static_cast<uint8_t*>(whole) + size), entry.data);
        Allocator::Free(whole);
    }
}

TEST_P(PackTest, ScrambledEntriesAreStoredXoredInTheirFirst1024BytesOnly) {
    const PackFile* file = FindPackEntry(pack_, "/data/noise.bin");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->storedSize, 5000u);
    const std::vector<uint8_t>& data = SampleEntries()[5].data;
    const uint8_t* row = GetPackKeyRow(2);
    for (uint32_t i = 0; i < 5000; ++i) {
        uint8_t stored = bytes_[file->dataOffset + i];
        ASSERT_EQ(stored, i < 1024 ? data[i] ^ row[i % 256] : data[i]) << "byte " << i;
    }
}

TEST_P(PackTest, LookupsAgreeWhateverTheyStartFrom) {
    const PackFile* expected = FindPackEntry(pack_, "/script/lib/util.nut");
    ASSERT_NE(expected, nullptr);
    struct Case {
        const char* folder;
        const char* name;
    } cases[] = {
        {"", "script/lib/util.nut"},  {"", "/script/lib/util.nut"}, {"/script", "lib/util.nut"},
        {"script", "lib/util.nut"},   {"/script/lib", "util.nut"}, {"/data", "/script/lib/util.nut"},
        {"", "\\script\\lib\\util.nut"}, {"", "//script//lib/util.nut"}, {"/script/", "lib//util.nut"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.folder << " | " << c.name);
        FsMgr::SetCurrentFolder(pack_, c.folder);
        EXPECT_EQ(FindPackEntry(pack_, c.name), expected);
    }
    FsMgr::SetCurrentFolder(pack_, "");
}

TEST_P(PackTest, LookupsThatFindNothing) {
    for (const char* name : {"", "/", "script", "/script/lib", "Script/lib/util.nut", "/script/lib/UTIL.nut",
                             "/script/lib/util.nut/x", "/script/../script/main.nut", "./readme.txt", "/empty/x"}) {
        EXPECT_EQ(FindPackEntry(pack_, name), nullptr) << name;
    }
    std::string deep;
    for (int i = 0; i < 129; ++i) deep += "/d";
    EXPECT_EQ(FindPackEntry(pack_, deep.c_str()), nullptr);
    EXPECT_EQ(FindPackEntry(pack_, std::string(600, 'x').c_str()), nullptr);
    EXPECT_EQ(FsMgr::GetFileSize(pack_, "/nope"), -1);
    LogCapture log;
    EXPECT_EQ(FsMgr::OpenStream(pack_, "nope.txt", 0, 0, kOpenRead, nullptr), nullptr);
    EXPECT_TRUE(log.Lines().empty()) << "a miss is reported once, by the caller";
}

TEST_P(PackTest, NamesDifferingInCaseAreDifferentEntries) {
    EXPECT_EQ(ReadEntry(pack_, "/script/main.nut"), SampleEntries()[1].data);
    EXPECT_EQ(ReadEntry(pack_, "/script/MAIN.nut"), SampleEntries()[2].data);
}

TEST_P(PackTest, RecursiveAndTopLevelListings) {
    std::vector<std::string> got;
    ASSERT_EQ(FsMgr::Enumerate(pack_, "/", 1, &got, CollectLine), 1);
    EXPECT_EQ(got, SampleListing());
    got.clear();
    ASSERT_EQ(FsMgr::Enumerate(pack_, "/", 0, &got, CollectLine), 1);
    EXPECT_EQ(got, (std::vector<std::string>{"/script 0 128", "/data 0 128", "/empty 0 128", "/readme.txt 9 0"}));
    got.clear();
    EXPECT_EQ(FsMgr::Enumerate(pack_, "/nothing", 1, &got, CollectLine), 0);
    EXPECT_EQ(FsMgr::Enumerate(pack_, "/readme.txt", 1, &got, CollectLine), 0);
    EXPECT_TRUE(got.empty());
}

TEST_P(PackTest, ListedNamesOpenFromAnyCurrentFolder) {
    for (const char* folder : {"", "script", "/script/", "data/deep"}) {
        SCOPED_TRACE(folder);
        FsMgr::SetCurrentFolder(pack_, folder);
        std::vector<std::string> got;
        ASSERT_EQ(FsMgr::Enumerate(pack_, "", 1, &got, CollectLine), 1);
        ASSERT_FALSE(got.empty());
        for (const std::string& line : got) {
            std::string name = line.substr(0, line.find(' '));
            bool isFolder = line.size() > 4 && line.compare(line.size() - 4, 4, " 128") == 0;
            if (!isFolder) {
                EXPECT_NE(FindPackEntry(pack_, name.c_str()), nullptr) << name;
            }
        }
    }
    FsMgr::SetCurrentFolder(pack_, "");
}

TEST_P(PackTest, WriteOpensAreRefusedAndThePackIsUntouched) {
    LogCapture log;
    for (int mode : {int{kOpenWrite}, kOpenRead | kOpenWrite, kOpenWrite | kOpenLoadIntoMemory}) {
        EXPECT_EQ(FsMgr::OpenStream(pack_, "/readme.txt", 0, 0, mode, nullptr), nullptr) << mode;
    }
    FsMgr* script = DirMgr(pack_, "script", nullptr);
    EXPECT_EQ(FsMgr::OpenStream(script, "main.nut", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(FsMgr::CreateFolder(script, "new"), 0);
    EXPECT_EQ(FsMgr::RemoveFolder(script, "/"), 0);
    FsMgr::Release(script);
    EXPECT_EQ(log.Count(), 4u);
    EXPECT_TRUE(log.Has("Error: cannot open \"/readme.txt\" for writing: a pack is read-only"));
    std::string onDisk = dir_.Read("sample.dat");
    EXPECT_EQ(onDisk, std::string(bytes_.begin(), bytes_.end()));
    EXPECT_EQ(ReadEntry(pack_, "/readme.txt"), SampleEntries()[0].data);
}

TEST_P(PackTest, AFolderOfThePackThroughADirMgr) {
    FsMgr* script = DirMgr(pack_, "script", nullptr);
    EXPECT_EQ(ReadEntry(script, "main.nut"), SampleEntries()[1].data);
    EXPECT_EQ(ReadEntry(script, "lib/util.nut"), SampleEntries()[3].data);
    EXPECT_EQ(FsMgr::GetFileSize(script, "lib/util.nut"), 1500);
    EXPECT_EQ(FsMgr::GetFileSize(script, "/main.nut"), 3000);  // below the folder's root
    std::vector<std::string> got;
    ASSERT_EQ(FsMgr::Enumerate(script, "lib", 1, &got, CollectLine), 1);
    EXPECT_EQ(got, (std::vector<std::string>{"/script/lib/util.nut 1500 0"}));
    FsMgr::Release(script);
}

TEST_P(PackTest, TwoThreadsReadDifferentEntriesAtOnce) {
    const std::vector<SampleEntry>& entries = SampleEntries();
    bool same[2] = {true, true};
    auto reader = [&](int slot, const SampleEntry& entry) {
        for (int i = 0; i < 40; ++i) same[slot] = same[slot] && ReadEntry(pack_, entry.path) == entry.data;
    };
    std::thread first(reader, 0, std::cref(entries[7]));
    std::thread second(reader, 1, std::cref(entries[5]));
    first.join();
    second.join();
    EXPECT_TRUE(same[0]);
    EXPECT_TRUE(same[1]);
}

TEST(PackFileTest, EntriesStayReadableAfterTheManagerGoes) {
    TempDir dir;
    std::vector<uint8_t> bytes = BuildSamplePack(GetBuiltInPackKeyTable());
    ASSERT_TRUE(dir.Write("p.dat", std::string(bytes.begin(), bytes.end())));
    PackMgr* pack = OpenPackFile(nullptr, dir.File("p.dat").c_str(), nullptr);
    ASSERT_NE(pack, nullptr);
    Stream* stream = FsMgr::OpenStream(pack, "/data/big.txt", 0, 0, kOpenRead, nullptr);
    FsMgr::Release(pack);
    ASSERT_NE(stream, nullptr);
    std::vector<uint8_t> got(200000);
    EXPECT_EQ(stream->Read(got.data(), 200000), 200000u);
    EXPECT_EQ(got, SampleEntries()[7].data);
    stream->Release();
}

TEST(PackFileTest, APackReadThroughADirMgrReopensThroughIt) {
    TempDir dir;
    std::vector<uint8_t> bytes = BuildSamplePack(GetBuiltInPackKeyTable());
    ASSERT_TRUE(dir.Write("game/Quillmoor.dat", std::string(bytes.begin(), bytes.end())));
    FsMgr* working = DirMgr(nullptr, dir.path().c_str(), nullptr);
    FsMgr::SetCurrentFolder(working, "game");
    PackMgr* pack = OpenPackFile(working, "Quillmoor.dat", nullptr);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(ReadEntry(pack, "/script/lib/util.nut"), SampleEntries()[3].data);
    EXPECT_EQ(FsMgr::OpenStream(pack, "/readme.txt", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(dir.Read("game/Quillmoor.dat"), std::string(bytes.begin(), bytes.end()));
    FsMgr::Release(pack);
    FsMgr::Release(working);
}

TEST(PackFileTest, ListedNamesThatDoNotFitAreSkippedAndLogged) {
    PackWriter writer;
    std::string a(300, 'a'), b(300, 'b');
    int outer = writer.AddDirectory(PackWriter::kRoot, a);
    int inner = writer.AddDirectory(outer, b);
    writer.AddFile(inner, "x.txt", {'x'});
    writer.AddFile(outer, "y.txt", {'y'});
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(writer.Build(GetBuiltInPackKeyTable(), &bytes, &error));
    PackMgr* pack = OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    std::vector<std::string> got;
    LogCapture log;
    ASSERT_EQ(FsMgr::Enumerate(pack, "/", 1, &got, CollectLine), 1);
    EXPECT_EQ(got, (std::vector<std::string>{"/" + a + " 0 128", "/" + a + "/y.txt 1 0"}));
    EXPECT_EQ(log.Count(), 1u);
    FsMgr::Release(pack);
}

TEST(PackFileTest, MissingPackAndBadHeaderMessages) {
    TempDir dir;
    LogCapture log;
    EXPECT_EQ(OpenPackFile(nullptr, dir.File("none.dat").c_str(), nullptr), nullptr);
    EXPECT_TRUE(log.Has("Error: Failed to Open \"" + dir.File("none.dat") + "\"."));

    std::vector<uint8_t> bytes = BuildSamplePack(GetBuiltInPackKeyTable());
    struct Case {
        size_t at;
        uint8_t value;
        const char* line;
    } cases[] = {
        {0, 'X', "Error: Not EPK2 format."},
        {3, '3', "Error: Not EPK2 format."},
        {4, 33, "Error: Not support version of EPK2."},
        {5, 1, "Error: Not support version of EPK2."},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = bytes;
        bad[c.at] = c.value;
        ASSERT_TRUE(dir.Write("bad.dat", std::string(bad.begin(), bad.end())));
        log.Clear();
        EXPECT_EQ(OpenPackFile(nullptr, dir.File("bad.dat").c_str(), nullptr), nullptr);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line});
        log.Clear();
        EXPECT_EQ(OpenPackMemory(bad.data(), static_cast<uint32_t>(bad.size()), nullptr), nullptr);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line});
    }
}

TEST(PackWriterTest, DuplicateNamesFindTheFirst) {
    PackWriter writer;
    int first = writer.AddDirectory(PackWriter::kRoot, "d");
    int second = writer.AddDirectory(PackWriter::kRoot, "d");
    writer.AddFile(first, "a.txt", {'1'});
    writer.AddFile(first, "a.txt", {'2'});
    writer.AddFile(second, "a.txt", {'3'});
    writer.AddFile(second, "only.txt", {'4'});
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(writer.Build(GetBuiltInPackKeyTable(), &bytes, &error));
    PackMgr* pack = OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(ReadEntry(pack, "d/a.txt"), std::vector<uint8_t>{'1'});
    EXPECT_EQ(FindPackEntry(pack, "d/only.txt"), nullptr);  // the second "d" is never reached
    FsMgr::Release(pack);
}

}  // namespace
