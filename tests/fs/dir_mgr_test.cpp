// DirMgr on the operating system: names, name limits, the sorted walk, the
// case-insensitive fallback, and safe saving: the old file survives every failed
// save, a finished one replaces it whole and keeps it as private as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
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

using Lines = std::vector<std::string>;

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
        EXPECT_EQ(ReadFile(fs, c.name), c.content) << c.root << " | " << c.folder << " | " << c.name;
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

TEST_F(SafeSaveTest, TheOldFileStaysUntilTheNewOneIsComplete) {
    Stream* stream = Open();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->WriteLine("new save"), 8u);
    EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
    stream->Release();
    EXPECT_EQ(dir_.Read("Save0001.dat"), "new save\r\n");
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
    EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
    EXPECT_EQ(Names(), Lines{"Save0001.dat"});
}

TEST_F(SafeSaveTest, AnyRefusedWriteKeepsTheOldFile) {
    static const uint8_t kKey[4] = {1, 2, 3, 4};
    // Each builds its layers over the save, has a write refused and hands back the top layer.
    const std::function<Stream*(Stream*)> cases[] = {
        [](Stream* save) {  // past the end of the new file
            save->Seek(4, kSeekSet);
            EXPECT_EQ(save->Write("NEW", 3), 0u);
            return save;
        },
        [](Stream* save) {  // zlib after its flush, over descrambling
            Stream* zlib = ZlibStream(XorStream(save, kKey, 4, UINT32_MAX, nullptr), 0, kZlibDeflate, nullptr);
            EXPECT_EQ(zlib->Write("abc", 3), 3u);
            zlib->Flush();
            EXPECT_EQ(zlib->Write("def", 3), 0u);
            return zlib;
        },
    };
    for (const auto& fail : cases) {
        Stream* save = Open();
        ASSERT_NE(save, nullptr);
        LogCapture log;
        Stream* top = fail(save);
        EXPECT_EQ(top->State(), kStreamFailed);
        top->Release();
        EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
        EXPECT_TRUE(log.Contains("the old file is kept"));
    }
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
