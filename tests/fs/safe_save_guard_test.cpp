// Saves that fail part-way keep the old file, whichever layer the failure
// came from; and a save keeps the file as private as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string kOld = "OLD SAVE CONTENT";
const uint8_t kKey[4] = {1, 2, 3, 4};

int Permissions(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

class SafeSaveGuardTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.Write("Save0000.dat", kOld));
        fs_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
    }
    void TearDown() override { FsMgr::Release(fs_); }

    Stream* Open(const char* name = "Save0000.dat") {
        return FsMgr::OpenStream(fs_, name, 0, 0, kOpenWrite, nullptr);
    }

    TempDir dir_;
    FsMgr* fs_ = nullptr;
};

TEST_F(SafeSaveGuardTest, AnyRefusedWriteKeepsTheOldFile) {
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
        [](Stream* save) {  // a window past the end
            Stream* window = SubStream(save, 0, 16, true, nullptr);
            window->Seek(8, kSeekSet);
            EXPECT_EQ(window->Write("NEW", 3), 0u);
            return window;
        },
    };
    for (const auto& fail : cases) {
        Stream* save = Open();
        ASSERT_NE(save, nullptr);
        LogCapture log;
        Stream* top = fail(save);
        EXPECT_EQ(top->State(), kStreamFailed);
        top->Release();
        EXPECT_EQ(dir_.Read("Save0000.dat"), kOld);
        EXPECT_TRUE(log.Contains("the old file is kept"));
    }
    Stream* save = Open();
    save->Write("NEW", 3);
    save->Release();
    EXPECT_EQ(dir_.Read("Save0000.dat"), "NEW");
}

TEST_F(SafeSaveGuardTest, ASaveKeepsThePermissionsAndANewFileIsPrivate) {
    for (int mode : {0600, 0640, 0604}) {
        ASSERT_EQ(chmod(dir_.File("Save0000.dat").c_str(), static_cast<mode_t>(mode)), 0);
        Stream* save = Open();
        save->Write("x", 1);
        save->Release();
        EXPECT_EQ(Permissions(dir_.File("Save0000.dat")), mode);
    }
    Open("config.dat")->Release();
    EXPECT_EQ(Permissions(dir_.File("config.dat")), 0600);
}

}  // namespace
