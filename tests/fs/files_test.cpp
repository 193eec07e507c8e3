// Streams and DirMgr: names and their limits, the sorted walk, saves that keep the old file on failure.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "platform/directory_walk.h"
#include "platform/files.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string kBytes = AsString(MakeBytes(150, 9, false));

std::string ReadAll(Stream* stream) {
    std::string out;
    char buffer[13];
    while (uint32_t got = stream->Read(buffer, sizeof buffer)) out.append(buffer, got);
    return out;
}

Stream* Memory(std::vector<uint8_t>& bytes) {
    return MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
}

TEST(StreamTest, FileWindowsAndSeeksOfEveryKind) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("f.bin", kBytes));
    const uint32_t cases[][4] = {  // offset, length, opens, size
        {100, 0, 1, 50}, {100, 80, 1, 50}, {100, 30, 1, 30}, {0, 0, 1, 150}, {150, 0, 1, 0}, {151, 0, 0, 0}};
    for (const auto& c : cases) {
        Stream* stream = FileStream(dir.File("f.bin").c_str(), c[0], c[1], kOpenRead, nullptr);
        ASSERT_EQ(stream != nullptr, c[2] == 1) << c[0] << " " << c[1];
        if (!stream) continue;
        EXPECT_EQ(stream->Size(), c[3]);
        EXPECT_EQ(ReadAll(stream), kBytes.substr(c[0], c[3]));
        EXPECT_EQ(stream->State(), kStreamAtEnd);
        stream->Release();
    }
    // Seeks outside the window never reach the neighbours.
    Stream* stream = FileStream(dir.File("f.bin").c_str(), 50, 30, kOpenRead, nullptr);
    char buffer[200];
    for (int32_t offset : {40, 30, -1, -1000}) {
        stream->Seek(offset, kSeekSet);
        EXPECT_TRUE(stream->Read(buffer, sizeof buffer) == 0u && stream->State() == kStreamAtEnd) << offset;
    }
    stream->Release();
    // Every kind that keeps its own position seeks the same way; an unknown whence moves nothing.
    std::string bytes = kBytes;
    Stream* kinds[] = {FileStream(dir.File("f.bin").c_str(), 50, 40, kOpenRead, nullptr),
                       MemoryStream(&bytes[50], 40, false, nullptr),
                       SubStream(MemoryStream(&bytes[0], 150, false, nullptr), 50, 40, true, nullptr)};
    for (Stream* s : kinds) {
        ASSERT_NE(s, nullptr);
        EXPECT_EQ((std::vector<uint32_t>{s->Seek(12, kSeekSet), s->Seek(5, kSeekCurrent), s->Seek(-3, kSeekCurrent),
                                         s->Seek(-4, kSeekEnd)}), (std::vector<uint32_t>{12, 17, 14, 36}));
        for (int whence : {3, -1, 100}) EXPECT_EQ(s->Seek(1, whence), 0u) << whence;
        EXPECT_EQ(s->Tell(), 36u);
        char buffer[8];
        ASSERT_EQ(s->Read(buffer, sizeof buffer), 4u);
        EXPECT_EQ(std::string(buffer, 4), bytes.substr(86, 4));
        s->Release();
    }
    // A memory block never grows and compares positions unsigned; a window clips writes.
    std::vector<char> block(8, '.');
    stream = MemoryStream(block.data(), 8, false, nullptr);
    stream->Seek(5, kSeekSet);
    EXPECT_EQ(stream->Write("abcdef", 6), 3u);
    EXPECT_EQ(std::string(block.data(), 8), ".....abc");
    stream->Seek(-3, kSeekSet);
    EXPECT_TRUE(stream->Write("z", 1) == 0u && stream->State() == kStreamAtEnd);
    stream->Release();
    Stream* sub = SubStream(MemoryStream(block.data(), 8, false, nullptr), 1, 3, true, nullptr);
    EXPECT_EQ(sub->Write("wxyz", 4), 3u);
    EXPECT_EQ(std::string(block.data(), 8), ".wxy.abc");
    sub->Release();
    // Scrambled writes of many pieces go through whole; only the first 2000 bytes are scrambled.
    static const uint8_t kKey[3] = {7, 1, 9};
    std::vector<uint8_t> plain = MakeBytes(3000, 5, false), scrambled(3000);
    Stream* xor1 = XorStream(Memory(scrambled), kKey, 3, 2000, nullptr);
    EXPECT_EQ(xor1->Write(plain.data(), 3000), 3000u);
    xor1->Release();
    EXPECT_TRUE(scrambled[1999] == (plain[1999] ^ kKey[1999 % 3]) && scrambled[2000] == plain[2000]);
    Stream* xor2 = XorStream(Memory(scrambled), kKey, 3, 2000, nullptr);
    EXPECT_EQ(ReadAll(xor2), AsString(plain));
    xor2->Release();
}

TEST(StreamTest, Lines) {
    const struct { std::string bytes; uint32_t bufferSize; std::vector<std::string> lines; } cases[] = {
                 {"ab\r\ncd", 64, {"ab", "cd"}}, {"ab\ncd", 64, {"ab", "cd"}}, {"a\rb", 64, {"ab"}},
                 {"a\r\r\nb", 64, {"a\r", "b"}},  // the CR after a CR is kept, then a lone LF ends it
                 {"\r\n\r\nx\r\n", 64, {"", "", "x"}}, {"abcdef", 3, {"ab", "cd", "ef"}}, {"ab\r", 64, {"ab"}}};
    for (const auto& c : cases) {
        std::string text = c.bytes;
        Stream* stream = MemoryStream(&text[0], static_cast<uint32_t>(text.size()), false, nullptr);
        std::vector<std::string> lines;
        std::vector<char> buffer(c.bufferSize);
        while (stream->State() == kStreamHasData) {
            uint32_t length = stream->ReadLine(buffer.data(), c.bufferSize);
            EXPECT_EQ(length, strlen(buffer.data()));
            lines.emplace_back(buffer.data(), length);
        }
        EXPECT_EQ(lines, c.lines) << testing::PrintToString(c.bytes);
        stream->Release();
    }
}

TEST(ZlibStreamTest, RoundTripsAtTheBufferEdges) {
    for (size_t size : {0u, 1u, 2047u, 2048u, 2049u, 1u << 20}) {
        for (bool compressible : {true, false}) {
            SCOPED_TRACE(testing::Message() << size << (compressible ? " text" : " noise"));
            std::vector<uint8_t> data = MakeBytes(size, static_cast<uint32_t>(size), compressible);
            std::vector<uint8_t> packed(data.size() + data.size() / 100 + 1024);
            Stream* stream = ZlibStream(Memory(packed), 0, kZlibDeflate, nullptr);
            size_t at = 0;  // uneven pieces exercise the buffer edges
            for (size_t piece = 1; at < data.size(); piece = piece * 3 + 1) {
                size_t n = std::min(piece, data.size() - at);
                ASSERT_EQ(stream->Write(data.data() + at, static_cast<uint32_t>(n)), n);
                at += n;
            }
            stream->Release();  // finishes the data; the zeros after it do no harm
            // Plain zlib reads it: the zlib format, not raw deflate or gzip.
            std::vector<uint8_t> check(size + 1);
            uLongf checkLength = static_cast<uLongf>(check.size());
            ASSERT_EQ(uncompress(check.data(), &checkLength, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
            ASSERT_EQ(checkLength, size);
            stream = ZlibStream(Memory(packed), static_cast<uint32_t>(size), kZlibInflate, nullptr);
            if (size) { EXPECT_EQ(stream->State(), kStreamHasData); }
            const uint32_t skip = size > 600 ? 1 : 0;  // a forward seek of 1, then past one discard buffer
            EXPECT_EQ(stream->Seek(skip, kSeekCurrent), skip);
            EXPECT_EQ(stream->Seek(skip * 300, kSeekCurrent), skip * 301);
            EXPECT_EQ(stream->Seek(0, kSeekSet), skip * 301);  // no way back
            EXPECT_EQ(ReadAll(stream), AsString(data).substr(skip * 301));
            EXPECT_EQ(stream->Seek(5, kSeekCurrent), size);
            EXPECT_TRUE(stream->State() == kStreamAtEnd && stream->Size() == size);
            stream->Release();
        }
    }
}

TEST(ZlibStreamTest, DamagedDataEndsTheStreamWithoutHanging) {
    const std::vector<uint8_t> data = MakeBytes(50000, 21, true);
    uLongf length = compressBound(50000);
    std::vector<uint8_t> packed(length);
    compress2(packed.data(), &length, data.data(), 50000, 6);
    packed.resize(length);
    std::vector<uint8_t> flipped = packed, badSum = packed;
    for (size_t i = 40; i < flipped.size(); i += 97) flipped[i] ^= 0x5A;
    badSum.back() ^= 1;  // the checksum: every byte before it still inflates
    std::vector<uint8_t> cases[] = {
        std::vector<uint8_t>(packed.begin(), packed.begin() + packed.size() / 2), {packed[0], packed[1]}, {}, flipped,
        {0x78, 0xBB, 0x12, 0x34, 0x56, 0x78, 0x4B, 0x04, 0x00},  // a preset dictionary
        std::vector<uint8_t>(300, 0xFF), badSum};
    for (std::vector<uint8_t>& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        LogCapture log;
        Stream* stream = ZlibStream(Memory(bytes), 50000, kZlibInflate, nullptr);
        std::vector<uint8_t> out(50000);
        EXPECT_TRUE(stream->Read(out.data(), 50000) == 0u && stream->State() == kStreamAtEnd);
        EXPECT_EQ(stream->Read(out.data(), 10), 0u);  // later reads keep failing
        char line[64];  // ends at once:
        stream->ReadLine(line, sizeof line);
        EXPECT_EQ(log.Count(), 1u);
        stream->Release();
    }
    std::vector<uint8_t> good = packed;
    // Promising less loses nothing, also when a read ends exactly at the promise (77 x 13 bytes).
    Stream* stream = ZlibStream(Memory(good), 1001, kZlibInflate, nullptr);
    EXPECT_TRUE(ReadAll(stream) == AsString(data) && stream->State() == kStreamAtEnd);
    stream->Release();
}

TEST(ZlibStreamTest, AParentThatFillsUpFailsTheStream) {
    std::vector<uint8_t> out(3000), noise = MakeBytes(100000, 23, false);
    Stream* stream = ZlibStream(Memory(out), 0, kZlibDeflate, nullptr);
    LogCapture log;
    uint32_t accepted = 0;
    for (size_t at = 0; at < noise.size(); at += 10000) accepted += stream->Write(noise.data() + at, 10000);
    EXPECT_TRUE(accepted < noise.size() && stream->State() == kStreamFailed);
    EXPECT_TRUE(stream->Flush() == -1 && log.Count() == 1u);
    stream->Release();
}

using Lines = std::vector<std::string>;

TEST(DirMgrTest, NamesBuildBelowTheRootAndTheCurrentFolder) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("Config.DAT", "root a"));
    ASSERT_TRUE(dir.Write("save/a.dat", "save a"));
    const std::string root = dir.path();
    const struct { std::string root; const char *folder, *name, *content; } cases[] = {
                 {root, "", "Config.DAT", "root a"},         {root, "save", "a.dat", "save a"},
                 {root, "/save/", "a.dat", "save a"},        {root, "save", "/Config.DAT", "root a"},
                 {root + "/", "save", "a.dat", "save a"},     {root, "", "save\\a.dat", "save a"},
                 {root, "", "SAVE/A.DAT", "save a"},         {root, "", "config.da", "<none>"}};  // any case
    for (const auto& c : cases) {
        FsMgr* fs = DirMgr(nullptr, c.root.c_str(), nullptr);
        FsMgr::SetCurrentFolder(fs, c.folder);
        EXPECT_EQ(ReadFile(fs, c.name), c.content) << c.root << " | " << c.folder << " | " << c.name;
        FsMgr::Release(fs);
    }
    EXPECT_TRUE(FsMgr::GetFileSize(nullptr, "a") == -1 && FsMgr::CreateFolder(nullptr, "a") == 0 &&
                FsMgr::RemoveFolder(nullptr, "a") == 0 && FsMgr::SetCurrentFolder(nullptr, "a") == 0);  // no manager
}

TEST(DirMgrTest, NamesThatDoNotFitFailInsteadOfBeingCut) {
    TempDir dir;
    FsMgr* fs = DirMgr(nullptr, dir.path().c_str(), nullptr);
    auto nameForTotal = [&](size_t total) {  // root + "/" + name is `total` bytes
        std::string name;
        for (size_t want = total - dir.path().size() - 1; name.size() < want;)
            name += want - name.size() > 201 ? std::string(200, 'n') + "/" : std::string(want - name.size(), 'n');
        return name;
    };
    std::string fits = nameForTotal(511), tooLong = nameForTotal(512);
    EXPECT_EQ(FsMgr::CreateFolder(fs, fits.c_str()), 1);
    EXPECT_TRUE(IsDirectory((dir.path() + "/" + fits).c_str()));
    EXPECT_TRUE(FsMgr::CreateFolder(fs, tooLong.c_str()) == 0 && FsMgr::GetFileSize(fs, tooLong.c_str()) == -1);
    // Cut to 511 bytes the name would open the folder made above.
    EXPECT_EQ(FsMgr::OpenStream(fs, (fits + "x").c_str(), 0, 0, kOpenRead | kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(DirMgr(nullptr, std::string(600, 'r').c_str(), nullptr), nullptr);
    FsMgr::Release(fs);
    std::string a(200, 'a');  // listed, the third folder's name would not fit
    ASSERT_TRUE(dir.Write("deep/" + a + "/" + a + "/" + a + "/far.txt", "far"));
    fs = DirMgr(nullptr, dir.File("deep").c_str(), nullptr);
    LogCapture log;
    EXPECT_EQ(List(fs, "/", 0), (Lines{"/" + a + " 0 128", "/" + a + "/" + a + " 0 128"}));
    EXPECT_TRUE(log.Contains("...\": the name is longer than 511 bytes"));
    FsMgr::Release(fs);
}

TEST(DirMgrTest, WalksSortedRecursiveAndStopsAtLinks) {
    TempDir dir;
    for (const char* name : {"b.txt", "A.txt", "sample.txt", "save/x.dat", "sub/inner/deep.txt"})
        ASSERT_TRUE(dir.Write(name, name));
    ASSERT_EQ(chmod(dir.File("A.txt").c_str(), 0444), 0);
    // A link back to the top would loop a walk that followed links.
    ASSERT_EQ(symlink(dir.path().c_str(), dir.File("sub/loop").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("b.txt").c_str(), dir.File("sub/link.txt").c_str()), 0);
    FsMgr* fs = DirMgr(nullptr, dir.path().c_str(), nullptr);
    EXPECT_EQ(List(fs, "/", 0), (Lines{"/A.txt 5 1", "/b.txt 5 0", "/sample.txt 10 0", "/save 0 128", "/save/x.dat 10 0",
                                       "/sub 0 128", "/sub/inner 0 128", "/sub/inner/deep.txt 18 0",
                                       "/sub/link.txt 5 0", "/sub/loop 0 128"}));
    EXPECT_EQ(List(fs, "sa", 0), (Lines{"/sample.txt 10 0", "/save 0 128", "/save/x.dat 10 0"}));
    FsMgr::Release(fs);
}

class SafeSaveTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.Write("Save0001.dat", kOld));
        fs_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
    }
    void TearDown() override { FsMgr::Release(fs_); }
    Stream* Open(const char* name = "Save0001.dat") { return FsMgr::OpenStream(fs_, name, 0, 0, kOpenWrite, nullptr); }
    Lines Names() {
        std::vector<DirectoryEntryInfo> entries;
        ListDirectory(dir_.path().c_str(), &entries);
        Lines names;
        for (const DirectoryEntryInfo& entry : entries) names.push_back(entry.name);
        return names;
    }
    int Permissions(const char* name) {
        struct stat info {};
        return stat(dir_.File(name).c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
    }
    const std::string kOld = "old save, complete\r\n";
    TempDir dir_;
    FsMgr* fs_ = nullptr;
};

TEST_F(SafeSaveTest, ASaveLeavesNoTemporaryFileAndNeedsAFileInAnExistingFolder) {
    Stream* stream = Open();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->WriteLine("new save"), 8u);
    stream->Release();
    EXPECT_EQ(Names(), Lines{"Save0001.dat"});
    ASSERT_TRUE(dir_.Write("folder/inside.txt", "x"));
    EXPECT_EQ(Open("folder"), nullptr);
    EXPECT_EQ(Open("missing/Save0002.dat"), nullptr);
    EXPECT_EQ(Names(), (Lines{"Save0001.dat", "folder"}));
}

TEST_F(SafeSaveTest, AFailedWriteShowsInTheStateAndKeepsTheOldFile) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A file-size limit makes the write come up short, as a full disk would.
        struct rlimit limit = {1000, 1000};
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        Stream* stream = Open();
        if (stream == nullptr) _exit(2);
        std::vector<uint8_t> bytes(5000, 'x');
        uint32_t put = stream->Write(bytes.data(), 5000);
        bool failedState = stream->State() == kStreamFailed;
        bool refusesMore = stream->Write(bytes.data(), 10) == 0;
        stream->Release();
        _exit(put < 5000 && failedState && refusesMore ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(dir_.Read("Save0001.dat") == kOld && Names() == Lines{"Save0001.dat"});
}

TEST_F(SafeSaveTest, AnyRefusedWriteKeepsTheOldFile) {
    static const uint8_t kKey[4] = {1, 2, 3, 4};
    LogCapture log;
    Stream* save = Open();
    save->Seek(4, kSeekSet);  // past the end of the new file
    EXPECT_TRUE(save->Write("NEW", 3) == 0u && save->State() == kStreamFailed);
    save->Release();
    EXPECT_TRUE(dir_.Read("Save0001.dat") == kOld && log.Contains("the old file is kept"));
    log.Clear();
    Stream* zlib = ZlibStream(XorStream(Open(), kKey, 4, UINT32_MAX, nullptr), 0, kZlibDeflate, nullptr);
    EXPECT_EQ(zlib->Write("abc", 3), 3u);
    zlib->Flush();
    EXPECT_TRUE(zlib->Write("def", 3) == 0u && zlib->State() == kStreamFailed);  // after its flush, over descrambling
    EXPECT_TRUE(zlib->Write("ghi", 3) == 0u && log.Count() == 2u) << "a failed stream takes nothing more, quietly";
    zlib->Release();
    EXPECT_TRUE(dir_.Read("Save0001.dat") == kOld && log.Contains("the old file is kept"));
}

TEST_F(SafeSaveTest, ASaveKeepsThePermissionsAndANewFileIsPrivate) {
    for (int mode : {0600, 0640, 0604}) {
        ASSERT_EQ(chmod(dir_.File("Save0001.dat").c_str(), static_cast<mode_t>(mode)), 0);
        Stream* save = Open();
        save->Write("x", 1);
        save->Release();
        EXPECT_EQ(Permissions("Save0001.dat"), mode);
    }
    EXPECT_EQ(dir_.Read("Save0001.dat"), "x");
    Open("config.dat")->Release();
    EXPECT_EQ(Permissions("config.dat"), 0600);
}

}  // namespace
