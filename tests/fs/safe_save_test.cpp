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

TEST_F(SafeSaveTest, AFailedRenameKeepsTheOldFile) {
    Stream* stream = OpenForSave();
    ASSERT_NE(stream, nullptr);
    stream->WriteLine("new save");
    // Take the finished temporary file away so the final rename fails.
    for (const std::string& name : Names(dir_.path())) {
        if (name != "Save0001.dat") {
            ASSERT_EQ(unlink(dir_.File(name).c_str()), 0);
        }
    }
    LogCapture log;
    stream->Release();
    EXPECT_TRUE(log.Contains("could not replace")) << testing::PrintToString(log.Lines());
    EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
}

TEST_F(SafeSaveTest, AKilledWriterLeavesTheOldFile) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Stream* stream = OpenForSave();
        if (stream == nullptr) _exit(2);
        stream->WriteLine("half of a new");
        raise(SIGKILL);  // dies with the stream open
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(dir_.Read("Save0001.dat"), kOld);
    // The next save still works beside the leftover.
    Stream* stream = OpenForSave();
    ASSERT_NE(stream, nullptr);
    stream->WriteLine("next");
    stream->Release();
    EXPECT_EQ(dir_.Read("Save0001.dat"), "next\r\n");
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

TEST_F(SafeSaveTest, ScrambledAndCompressedSavesRoundTrip) {
    // The script File class stacks zlib over descrambling over the file.
    const uint8_t* key = GetBuiltInPackKeyTable();
    std::vector<uint8_t> data = MakeBytes(20000, 2, true);
    Stream* file = OpenForSave();
    ASSERT_NE(file, nullptr);
    Stream* stream = ZlibStream(XorStream(file, key, 256, 0xFFFFFFFF, nullptr), 0, kZlibDeflate, nullptr);
    ASSERT_EQ(stream->Write(data.data(), 20000), 20000u);
    stream->Release();

    Stream* in = ZlibStream(XorStream(FsMgr::OpenStream(fs_, "Save0001.dat", 0, 0, kOpenRead, nullptr), key, 256,
                                      0xFFFFFFFF, nullptr),
                            20000, kZlibInflate, nullptr);
    std::vector<uint8_t> back(20000);
    EXPECT_EQ(in->Read(back.data(), 20000), 20000u);
    EXPECT_EQ(back, data);
    in->Release();
}

TEST_F(SafeSaveTest, SavingOntoAFolderOrIntoAMissingOneChangesNothing) {
    ASSERT_TRUE(dir_.Write("folder/inside.txt", "x"));
    EXPECT_EQ(FsMgr::OpenStream(fs_, "folder", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(FsMgr::OpenStream(fs_, "missing/Save0002.dat", 0, 0, kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(Names(dir_.path()), (std::vector<std::string>{"Save0001.dat", "folder"}));
}

}  // namespace
