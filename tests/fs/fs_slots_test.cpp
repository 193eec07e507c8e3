// The numbered slots: bounds, nesting of start and stop, and opening through
// an empty slot.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "fs/stream.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(FsSlotsTest, OutOfRangeIndexesAreIgnored) {
    FsMgr* fs = DirMgr(nullptr, "/", nullptr);
    for (int index : {-1, 8, 9}) {
        SetFsMgrSlot(index, fs);
        EXPECT_EQ(GetFsMgrSlot(index), nullptr) << index;
    }
    SetFsMgrSlot(7, fs);
    EXPECT_EQ(GetFsMgrSlot(7), fs);
    SetFsMgrSlot(7, nullptr);
    FsMgr::Release(fs);
}

TEST(FsSlotsTest, StartAndStopNestAndSlotsZeroAndOneFollowThem) {
    TempDir dataHome;
    const char* oldHome = getenv("XDG_DATA_HOME");
    std::string saved = oldHome ? oldHome : "";
    setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1);
    ASSERT_TRUE(dataHome.Write("KILN-WORKS/Quillmoor/config.dat", "ScreenMode=0\r\n"));

    FileSystemInit(nullptr);
    FsMgr* working = GetFsMgrSlot(kSlotWorkingFolder);
    FsMgr* user = GetFsMgrSlot(kSlotUserFolder);
    ASSERT_NE(working, nullptr);
    ASSERT_NE(user, nullptr);
    FileSystemInit(nullptr);
    EXPECT_EQ(GetFsMgrSlot(kSlotWorkingFolder), working);
    FileSystemShutdown();
    EXPECT_EQ(GetFsMgrSlot(kSlotWorkingFolder), working);
    EXPECT_EQ(GetFsMgrSlot(kSlotUserFolder), user);

    FsMgr::SetCurrentFolder(user, "/KILN-WORKS/Quillmoor");
    Stream* config = OpenSlotStream(kSlotUserFolder, "config.dat", kOpenRead, nullptr);
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->Size(), 14u);
    config->Release();

    FileSystemShutdown();
    EXPECT_EQ(GetFsMgrSlot(kSlotWorkingFolder), nullptr);
    EXPECT_EQ(GetFsMgrSlot(kSlotUserFolder), nullptr);
    FileSystemShutdown();  // one too many changes nothing
    if (oldHome) {
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

TEST(FsSlotsTest, AnEmptySlotOpensRelativeToTheWorkingFolder) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("here.txt", "here"));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    Stream* stream = OpenSlotStream(5, "here.txt", kOpenRead, nullptr);
    Stream* outside = OpenSlotStream(12, "here.txt", kOpenRead, nullptr);
    EXPECT_EQ(chdir(previous), 0);
    ASSERT_NE(stream, nullptr);
    ASSERT_NE(outside, nullptr);
    EXPECT_EQ(stream->Size(), 4u);
    stream->Release();
    outside->Release();
}

}  // namespace
