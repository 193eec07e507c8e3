// DirMgr on the operating system: name building, name limits, folders,
// sizes, the sorted recursive walk and the case-insensitive fallback.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "platform/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

std::string ReadName(FsMgr* fs, const char* name) {
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, nullptr);
    if (stream == nullptr) return "<none>";
    std::string out(stream->Size(), '\0');
    out.resize(stream->Read(out.data(), static_cast<uint32_t>(out.size())));
    stream->Release();
    return out;
}

void Collect(void* userArg, FsMgr*, const FsEnumEntry* entry) {
    static_cast<std::vector<std::string>*>(userArg)->push_back(std::string(entry->name) + " " +
                                                               std::to_string(entry->size) + " " +
                                                               std::to_string(entry->flags));
}

// A relative name that makes root + "/" + name exactly `total` bytes long.
std::string NameForTotal(const std::string& root, size_t total) {
    size_t want = total - root.size() - 1;
    std::string name;
    while (name.size() < want) {
        size_t left = want - name.size();
        if (left > 201) {
            name += std::string(200, 'n') + "/";
        } else {
            name += std::string(left, 'n');
        }
    }
    return name;
}

TEST(DirMgrTest, NamesBuildBelowTheRootAndTheCurrentFolder) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("a.dat", "root a"));
    ASSERT_TRUE(dir.Write("save/a.dat", "save a"));
    struct Case {
        std::string root;
        const char* folder;
        const char* name;
        const char* content;
    } cases[] = {
        {dir.path(), "", "a.dat", "root a"},
        {dir.path(), "save", "a.dat", "save a"},  // a '/' goes between root and folder
        {dir.path(), "/save", "a.dat", "save a"},
        {dir.path(), "/save/", "a.dat", "save a"},
        {dir.path(), "save", "/a.dat", "root a"},
        {dir.path(), "save", "\\a.dat", "root a"},
        {dir.path() + "/", "save", "a.dat", "save a"},
        {dir.path(), "", "save\\a.dat", "save a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.root << " | " << c.folder << " | " << c.name);
        FsMgr* fs = DirMgr(nullptr, c.root.c_str(), nullptr);
        FsMgr::SetCurrentFolder(fs, c.folder);
        EXPECT_EQ(ReadName(fs, c.name), c.content);
        FsMgr::Release(fs);
    }
}

TEST(DirMgrTest, NamesThatDoNotFitFailInsteadOfBeingCut) {
    TempDir dir;
    FsMgr* fs = DirMgr(nullptr, dir.path().c_str(), nullptr);
    std::string fits = NameForTotal(dir.path(), 511);
    std::string tooLong = NameForTotal(dir.path(), 512);
    EXPECT_EQ(FsMgr::CreateFolder(fs, fits.c_str()), 1);
    EXPECT_TRUE(IsDirectory((dir.path() + "/" + fits).c_str()));
    EXPECT_EQ(FsMgr::CreateFolder(fs, tooLong.c_str()), 0);
    EXPECT_FALSE(IsDirectory((dir.path() + "/" + tooLong).c_str()));
    EXPECT_EQ(FsMgr::GetFileSize(fs, tooLong.c_str()), -1);
    // Cut to 511 bytes the name would open the folder made above.
    EXPECT_EQ(FsMgr::OpenStream(fs, (fits + "x").c_str(), 0, 0, kOpenRead | kOpenWrite, nullptr), nullptr);
    EXPECT_EQ(DirMgr(nullptr, std::string(600, 'r').c_str(), nullptr), nullptr);
    FsMgr::Release(fs);
}

class DirEnumerateTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.Write("b.txt", "abc"));
        ASSERT_TRUE(dir_.Write("A.txt", "a"));
        ASSERT_EQ(chmod(dir_.File("A.txt").c_str(), 0444), 0);
        ASSERT_TRUE(dir_.Write("sample.txt", "sample"));
        ASSERT_TRUE(dir_.Write("save/x.dat", "12345"));
        ASSERT_TRUE(dir_.Write("sub/z.bin", std::string(10, 'z')));
        ASSERT_TRUE(dir_.Write("sub/inner/deep.txt", "deep"));
        // A link back to the top would loop a walk that followed links.
        ASSERT_EQ(symlink(dir_.path().c_str(), dir_.File("sub/loop").c_str()), 0);
        ASSERT_EQ(symlink(dir_.File("b.txt").c_str(), dir_.File("sub/link.txt").c_str()), 0);
        fs_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
    }
    void TearDown() override { FsMgr::Release(fs_); }

    TempDir dir_;
    FsMgr* fs_ = nullptr;
};

TEST_F(DirEnumerateTest, WalksSortedRecursiveAndStopsAtLinks) {
    std::vector<std::string> got;
    ASSERT_EQ(FsMgr::Enumerate(fs_, "/", 0, &got, Collect), 1);
    std::vector<std::string> expected = {
        "/A.txt 1 1",         "/b.txt 3 0",        "/sample.txt 6 0",
        "/save 0 128",        "/save/x.dat 5 0",   "/sub 0 128",
        "/sub/inner 0 128",   "/sub/inner/deep.txt 4 0", "/sub/link.txt 3 0",
        "/sub/loop 0 128",    "/sub/z.bin 10 0",
    };
    EXPECT_EQ(got, expected);
}

TEST(DirMgrTest, ReadsFallBackToAnotherLetterCase) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("Config.DAT", "cfg"));
    ASSERT_TRUE(dir.Write("SaveDir/Save0001.dat", "save"));
    FsMgr* fs = DirMgr(nullptr, dir.path().c_str(), nullptr);
    EXPECT_EQ(ReadName(fs, "config.dat"), "cfg");
    EXPECT_EQ(ReadName(fs, "savedir/SAVE0001.DAT"), "save");
    EXPECT_EQ(FsMgr::GetFileSize(fs, "CONFIG.dat"), 3);
    EXPECT_EQ(ReadName(fs, "config.da"), "<none>");
    FsMgr::Release(fs);
}

}  // namespace
