// Safe saving through a DirMgr: the old file survives every interrupted or
// failed save, and a finished save replaces it whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/stream.h"
#include "platform/directory_walk.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<DirectoryEntryInfo> entries;
    ListDirectory(folder.c_str(), &entries);
    std::vector<std::string> names;
    for (const DirectoryEntryInfo& entry : entries) names.push_back(entry.name);
    return names;
}

class SafeSaveTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.Write("Save0001.dat", kOld));
        fs_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
    }
    void TearDown() override { FsMgr::Release(fs_); }

    Stream* OpenForSave() { return FsMgr::OpenStream(fs_, "Save0001.dat", 0, 0, kOpenWrite, nullptr); }

    const std::string kOld = "old save, complete\r\n";
    TempDir dir_;
    FsMgr* fs_ = nullptr;
};

TEST_F(SafeSaveTest, TheOldFileStaysUntilTheNewOneIsComplete) {
    Stream* stream = OpenForSave();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->WriteLine("new save"), 8u);
    EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
    EXPECT_EQ(stream->State(), kStreamAtEnd);
    stream->Release();
    EXPECT_EQ(dir_.Read("Save0001.dat"), "new save\r\n");
    EXPECT_EQ(Names(dir_.path()), std::vector<std::string>{"Save0001.dat"});
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
        std::vector<uint8_t> bytes = MakeBytes(5000, 1, false);
        uint32_t put = stream->Write(bytes.data(), 5000);
        bool failedState = stream->State() == kStreamFailed;
        bool refusesMore = stream->Write(bytes.data(), 10) == 0;
        stream->Release();
        _exit(put < 5000 && failedState && refusesMore ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
    EXPECT_EQ(Names(dir_.path()), std::vector<std::string>{"Save0001.dat"});
}

TEST_F(SafeSaveTest, SavingOntoAFolderOrIntoAMissingOneChangesNothing) {
    ASSERT_TRUE(dir_.Write("folder/inside.txt", "x"));
    EXPECT_EQ(FsMgr::OpenStream(fs_, "folder", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(FsMgr::OpenStream(fs_, "missing/Save0002.dat", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(Names(dir_.path()), (std::vector<std::string>{"Save0001.dat", "folder"}));
}

}  // namespace
