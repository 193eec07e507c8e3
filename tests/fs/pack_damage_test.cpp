// A corpus of damaged packs: every count, offset and link out of range, loops,
// bad key rows and truncation at every length. Each must be refused with one
// log line, never crash, hang or read outside the pack.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/allocator.h"
#include "fs/file_loaders.h"
#include "fs/fs_mgr.h"
#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using Damage = std::function<void(std::vector<uint8_t>* pack, PackIndexEditor* index)>;

struct DamageCase {
    const char* name;
    Damage damage;
    const char* message;  // a fragment of the one line logged
};

// Record numbers in the sample pack.
constexpr uint32_t kRoot = 1, kScript = 2, kLib = 3, kData = 4, kEmptyFolder = 9;
constexpr uint32_t kReadme = 1, kMain = 2, kMainUpper = 3, kNoise = 6, kFlagged = 9;

void SetHeader(std::vector<uint8_t>* pack, size_t at, uint32_t value) { SetU32(pack, at, value); }

std::vector<DamageCase> Corpus() {
    std::vector<DamageCase> cases;
    auto header = [&](const char* name, size_t at, std::function<uint32_t(const std::vector<uint8_t>&)> value,
                      const char* message) {
        cases.push_back({name, [at, value](std::vector<uint8_t>* p, PackIndexEditor*) { SetHeader(p, at, value(*p)); },
                         message});
    };
    auto fixed = [](uint32_t v) { return [v](const std::vector<uint8_t>&) { return v; }; };
    const std::pair<size_t, uint8_t> headerBytes[] = {{0, 'X'}, {3, '3'}, {4, 33}, {5, 1}};
    for (const auto& b : headerBytes) {
        cases.push_back({"bad magic or version", [b](std::vector<uint8_t>* p, PackIndexEditor*) { (*p)[b.first] = b.second; },
                         b.first < 4 ? "Error: Not EPK2 format." : "Error: Not support version of EPK2."});
    }
    header("index end 0", kEpk2OffsetIndexEnd, fixed(0), "EPK2 index end 0 lies outside");
    header("index end 31", kEpk2OffsetIndexEnd, fixed(31), "EPK2 index end 31 lies outside");
    header("index end past the pack", kEpk2OffsetIndexEnd,
           [](const std::vector<uint8_t>& p) { return static_cast<uint32_t>(p.size() + 1); }, "lies outside");
    header("index end 4 GiB", kEpk2OffsetIndexEnd, fixed(0xFFFFFFFF), "lies outside");
    header("no directories", kEpk2OffsetDirectoryCount, fixed(0), "EPK2 pack has no root directory");
    header("huge directory count", kEpk2OffsetDirectoryCount, fixed(0xFFFFFFFF), "cannot hold");
    header("huge file count", kEpk2OffsetFileCount, fixed(0xFFFFFFFF), "cannot hold");
    // 24 x this count wraps to 8 in 32 bits.
    header("wrapping directory count", kEpk2OffsetDirectoryCount, fixed(0x0AAAAAAB), "cannot hold");
    header("file records overrun the index", kEpk2OffsetFileCount,
           [](const std::vector<uint8_t>& p) {
               uint32_t indexSize = GetU32(p, kEpk2OffsetIndexEnd) - kEpk2HeaderSize;
               return indexSize / kEpk2FileRecordSize + 1;
           },
           "cannot hold");

    auto index = [&](const char* name, std::function<void(PackIndexEditor*)> edit, const char* message) {
        cases.push_back({name, [edit](std::vector<uint8_t>*, PackIndexEditor* e) { edit(e); }, message});
    };
    index("directory name at the index end", [](PackIndexEditor* e) { e->SetDirectory(kScript, 0, e->indexSize()); },
          "EPK2 directory 2 has a bad name offset");
    index("directory name far away", [](PackIndexEditor* e) { e->SetDirectory(kLib, 0, 0xFFFFFFFF); },
          "EPK2 directory 3 has a bad name offset");
    index("file name far away", [](PackIndexEditor* e) { e->SetFile(kNoise, 0, 0x80000000); },
          "EPK2 file 6 has a bad name offset");
    index("last name without its NUL",
          [](PackIndexEditor* e) { e->SetIndexByte(e->indexSize() - 1, 'x'); }, "EPK2 file 9 has a bad name offset");
    for (uint32_t field : {4u, 8u, 12u, 16u, 20u}) {
        cases.push_back({"directory link out of range",
                         [field](std::vector<uint8_t>*, PackIndexEditor* e) {
                             e->SetDirectory(kScript, field, field == 12 ? e->fileCount() + 1 : e->directoryCount() + 1);
                         },
                         "EPK2 directory \"script\" links to record"});
    }
    for (uint32_t field : {20u, 24u}) {
        cases.push_back({"file link out of range",
                         [field](std::vector<uint8_t>*, PackIndexEditor* e) { e->SetFile(kReadme, field, e->fileCount() + 1); },
                         "EPK2 file \"readme.txt\" links to record"});
    }
    index("a folder that is its own sibling", [](PackIndexEditor* e) { e->SetDirectory(kScript, 20, kScript); },
          "EPK2 directory links form a loop");
    index("a child that is the root", [](PackIndexEditor* e) { e->SetDirectory(kLib, 8, kRoot); },
          "EPK2 directory links form a loop at directory 1");
    index("siblings in a ring", [](PackIndexEditor* e) { e->SetDirectory(kData, 20, kScript); },
          "EPK2 directory links form a loop");
    index("a folder with two parents", [](PackIndexEditor* e) { e->SetDirectory(kEmptyFolder, 8, kData); },
          "EPK2 directory links form a loop at directory 4");
    index("a file that follows itself", [](PackIndexEditor* e) { e->SetFile(kMain, 24, kMain); },
          "EPK2 file links form a loop at file 2");
    index("files in a ring", [](PackIndexEditor* e) { e->SetFile(kMainUpper, 24, kMain); },
          "EPK2 file links form a loop");
    index("a file in two folders", [](PackIndexEditor* e) { e->SetDirectory(kEmptyFolder, 12, kNoise); },
          "EPK2 file links form a loop at file 6");
    index("key row 5", [](PackIndexEditor* e) { e->SetFileByte(kReadme, 7, 5); }, "names key row 5");
    index("key row 255", [](PackIndexEditor* e) { e->SetFileByte(kFlagged, 7, 255); }, "names key row 255");
    cases.push_back({"data past the end",
                     [](std::vector<uint8_t>* p, PackIndexEditor* e) {
                         e->SetFile(kReadme, 8, static_cast<uint32_t>(p->size()) - 4);
                     },
                     "EPK2 file \"readme.txt\" (9 bytes at"});
    index("data offset wrapping", [](PackIndexEditor* e) { e->SetFile(kNoise, 8, 0xFFFFFFF0); }, "lies beyond the pack");
    index("stored size huge", [](PackIndexEditor* e) { e->SetFile(kNoise, 12, 0x7FFFFFFF); }, "lies beyond the pack");
    index("unpacked size beyond any inflation", [](PackIndexEditor* e) { e->SetFile(kMain, 16, 0xFFFFFFFF); },
          "claims 4294967295 unpacked bytes");
    return cases;
}

TEST(PackDamageTest, EveryDamagedPackIsRefusedWithOneLine) {
    const uint8_t* keys = GetBuiltInPackKeyTable();
    const std::vector<uint8_t> good = BuildSamplePack(keys);
    TempDir dir;
    for (const DamageCase& c : Corpus()) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bad = good;
        {
            PackIndexEditor editor(&bad, keys);
            c.damage(&bad, &editor);
            editor.Commit();
        }
        ASSERT_NE(bad, good);
        LogCapture log;
        EXPECT_EQ(OpenPackMemory(bad.data(), static_cast<uint32_t>(bad.size()), nullptr), nullptr);
        ASSERT_EQ(log.Count(), 1u) << testing::PrintToString(log.Lines());
        EXPECT_TRUE(log.Contains(c.message)) << log.Lines()[0];
        log.Clear();
        ASSERT_TRUE(dir.Write("bad.dat", std::string(bad.begin(), bad.end())));
        EXPECT_EQ(OpenPackFile(nullptr, dir.File("bad.dat").c_str(), nullptr), nullptr);
        EXPECT_EQ(log.Count(), 1u);
    }
}

TEST(PackDamageTest, TruncationAtAnyLengthIsRefused) {
    const std::vector<uint8_t> good = BuildSamplePack(GetBuiltInPackKeyTable());
    uint32_t indexEnd = GetU32(good, kEpk2OffsetIndexEnd);
    LogCapture log;
    for (size_t length = 0; length < good.size(); length += length < indexEnd + 64 ? 1 : 61) {
        log.Clear();
        ASSERT_EQ(OpenPackMemory(good.data(), static_cast<uint32_t>(length), nullptr), nullptr) << length;
        ASSERT_EQ(log.Count(), 1u) << length;
    }
    TempDir dir;
    for (size_t length : {size_t{3}, size_t{20}, size_t{indexEnd - 1}, good.size() - 1}) {
        ASSERT_TRUE(dir.Write("cut.dat", std::string(good.begin(), good.begin() + static_cast<long>(length))));
        EXPECT_EQ(OpenPackFile(nullptr, dir.File("cut.dat").c_str(), nullptr), nullptr) << length;
    }
}

TEST(PackDamageTest, AnEntryWithDamagedDataReadsShortWithoutHanging) {
    std::vector<uint8_t> bytes = BuildSamplePack(GetBuiltInPackKeyTable());
    PackMgr* pack = OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    const PackFile* big = FindPackEntry(pack, "/data/big.txt");
    ASSERT_NE(big, nullptr);
    for (uint32_t i = big->storedSize / 3; i < big->storedSize; i += 50) bytes[big->dataOffset + i] ^= 0xA5;

    LogCapture log;
    uint32_t size = 0;
    void* whole = LoadWholeFile(pack, "/data/big.txt", &size, nullptr);
    ASSERT_NE(whole, nullptr);
    EXPECT_LT(size, 200000u);
    Allocator::Free(whole);

    Stream* stream = FsMgr::OpenStream(pack, "/data/big.txt", 0, 0, kOpenRead, nullptr);
    ASSERT_NE(stream, nullptr);
    char line[4096];
    int lines = 0;
    while (stream->State() == kStreamHasData && lines < 1000000) {
        stream->ReadLine(line, sizeof line);
        ++lines;
    }
    EXPECT_LT(lines, 1000000);
    EXPECT_EQ(stream->State(), kStreamAtEnd);
    stream->Release();
    EXPECT_TRUE(log.Contains("damaged compressed data"));
    FsMgr::Release(pack);
}

TEST(PackDamageTest, AMemoryPackCannotReachPastItsBytes) {
    // The last entry ends exactly at the pack's end; one byte less and the
    // pack is refused rather than read one byte too far.
    std::vector<uint8_t> bytes = BuildSamplePack(GetBuiltInPackKeyTable());
    PackMgr* pack = OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    const PackFile* last = FindPackEntry(pack, "/data/flagged.bin");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(uint64_t{last->dataOffset} + last->storedSize, bytes.size());
    FsMgr::Release(pack);
    LogCapture log;
    EXPECT_EQ(OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size() - 1), nullptr), nullptr);
    EXPECT_TRUE(log.Contains("\"flagged.bin\""));
}

}  // namespace
