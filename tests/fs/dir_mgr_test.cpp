// DirMgr on the operating system: name building, name limits, the sorted
// recursive walk, the case-insensitive fallback, and safe saving (the old
// file survives every failed save; a finished save replaces it whole).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "platform/directory_walk.h"
#include "platform/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

std::string ReadName(FsMgr* fs, const char* name) {
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, nullptr);
    if (stream == nullptr) return "<none>";
    std::string out(stream->Size(), '\0');
    out.resize(stream->Read(&out[0], static_cast<uint32_t>(out.size())));
    stream->Release();
    return out;
}

std::vector<std::string> List(FsMgr* fs, const char* name) {
    std::vector<std::string> got;
    FsMgr::Enumerate(fs, name, 0, &got, [](void* out, FsMgr*, const FsEnumEntry* entry) {
        static_cast<std::vector<std::string>*>(out)->push_back(std::string(entry->name) + " " +
                                                               std::to_string(entry->size) + " " +
                                                               std::to_string(entry->flags));
    });
    return got;
}

TEST(DirMgrTest, NamesBuildBelowTheRootAndTheCurrentFolder) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("Config.DAT", "root a"));
    ASSERT_TRUE(dir.Write("save/a.dat", "save a"));
    const std::string root = dir.path();
    const struct {
        std::string root;
        const char *folder, *name, *content;
    } cases[] = {{root, "", "Config.DAT", "root a"},         {root, "save", "a.dat", "save a"},
                 {root, "/save/", "a.dat", "save a"},        {root, "save", "/Config.DAT", "root a"},
                 {root, "save", "\\Config.DAT", "root a"},   {root + "/", "save", "a.dat", "save a"},
                 {root, "", "save\\a.dat", "save a"},        {root, "", "config.dat", "root a"},  // another case
                 {root, "", "SAVE/A.DAT", "save a"},         {root, "", "config.da", "<none>"}};
    for (const auto& c : cases) {
        FsMgr* fs = DirMgr(nullptr, c.root.c_str(), nullptr);
        FsMgr::SetCurrentFolder(fs, c.folder);
        EXPECT_EQ(ReadName(fs, c.name), c.content) << c.root << " | " << c.folder << " | " << c.name;
        FsMgr::Release(fs);
    }
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
    EXPECT_EQ(FsMgr::CreateFolder(fs, tooLong.c_str()), 0);
    EXPECT_EQ(FsMgr::GetFileSize(fs, tooLong.c_str()), -1);
    // Cut to 511 bytes the name would open the folder made above.
    EXPECT_EQ(FsMgr::OpenStream(fs, (fits + "x").c_str(), 0, 0, kOpenRead | kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(DirMgr(nullptr, std::string(600, 'r').c_str(), nullptr), nullptr);
    FsMgr::Release(fs);
    std::string a(200, 'a');  // listed, the third folder's name would not fit
    ASSERT_TRUE(dir.Write("deep/" + a + "/" + a + "/" + a + "/far.txt", "far"));
    fs = DirMgr(nullptr, dir.File("deep").c_str(), nullptr);
    LogCapture log;
    EXPECT_EQ(List(fs, "/"), (std::vector<std::string>{"/" + a + " 0 128", "/" + a + "/" + a + " 0 128"}));
    EXPECT_EQ(log.Count(), 1u);
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
    EXPECT_EQ(List(fs, "/"), (std::vector<std::string>{"/A.txt 5 1", "/b.txt 5 0", "/sample.txt 10 0", "/save 0 128",
                                                       "/save/x.dat 10 0", "/sub 0 128", "/sub/inner 0 128",
                                                       "/sub/inner/deep.txt 18 0", "/sub/link.txt 5 0",
                                                       "/sub/loop 0 128"}));
    EXPECT_EQ(List(fs, "sa"), (std::vector<std::string>{"/sample.txt 10 0", "/save 0 128", "/save/x.dat 10 0"}));
    FsMgr::Release(fs);
}

class SafeSaveTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.Write("Save0001.dat", kOld));
        fs_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
    }
    void TearDown() override { FsMgr::Release(fs_); }
    Stream* OpenForSave() { return FsMgr::OpenStream(fs_, "Save0001.dat", 0, 0, kOpenWrite, nullptr); }
    std::vector<std::string> Names() {
        std::vector<DirectoryEntryInfo> entries;
        ListDirectory(dir_.path().c_str(), &entries);
        std::vector<std::string> names;
        for (const DirectoryEntryInfo& entry : entries) names.push_back(entry.name);
        return names;
    }
    const std::string kOld = "old save, complete\r\n";
    TempDir dir_;
    FsMgr* fs_ = nullptr;
};

TEST_F(SafeSaveTest, TheOldFileStaysUntilTheNewOneIsComplete) {
    Stream* stream = OpenForSave();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->WriteLine("new save"), 8u);
    EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
    stream->Release();
    EXPECT_EQ(dir_.Read("Save0001.dat"), "new save\r\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"Save0001.dat"});
    ASSERT_TRUE(dir_.Write("folder/inside.txt", "x"));
    EXPECT_EQ(FsMgr::OpenStream(fs_, "folder", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(FsMgr::OpenStream(fs_, "missing/Save0002.dat", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Save0001.dat", "folder"}));
}

TEST_F(SafeSaveTest, AFailedWriteShowsInTheStateAndKeepsTheOldFile) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A file-size limit makes the write come up short, as a full disk would.
        struct rlimit limit = {1000, 1000};
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        Stream* stream = OpenForSave();
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
    EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
    EXPECT_EQ(Names(), std::vector<std::string>{"Save0001.dat"});
}

}  // namespace
