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
    EXPECT_TRUE(log.Has("Error: Failed to open \"nope.txt\""));
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

}  // namespace
