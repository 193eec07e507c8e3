// Files and folders: folder creation, handles, positioned I/O beyond 4 GiB,
// and the private application-data folder.
#include <gtest/gtest.h>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace {

std::string ReadAll(FileHandle* handle) {
    int64_t size = GetFileHandleSize(handle);
    if (size <= 0) return "";
    std::string bytes(static_cast<size_t>(size), '\0');
    bytes.resize(ReadFileAt(handle, bytes.data(), 0, bytes.size()));
    return bytes;
}

// --- CreateDirectoryRecursive ------------------------------------------------

struct FolderCase {
    const char* name;
    const char* existingFolder;  // made before the call, or nullptr
    const char* existingFile;    // written before the call, or nullptr
    const char* request;         // relative to the temporary folder
    int expected;
    const char* mustBeFolder;    // checked afterwards, or nullptr
};

const FolderCase kFolderCases[] = {
    {"PrefixPresent", "a", nullptr, "a/b/c", 1, "a/b/c"},
    {"NothingPresent", nullptr, nullptr, "x/y/z", 1, "x/y/z"},
    {"AllPresent", "a/b/c", nullptr, "a/b/c", 1, "a/b/c"},
    {"TrailingSeparator", nullptr, nullptr, "p/q/", 1, "p/q"},
    {"DoubledSeparator", nullptr, nullptr, "m//n", 1, "m/n"},
    {"Backslashes", nullptr, nullptr, "w\\v\\u", 1, "w/v/u"},
    {"MixedSeparators", "k", nullptr, "k\\l/m", 1, "k/l/m"},
    {"FileInTheMiddle", nullptr, "a/b", "a/b/c", 0, nullptr},
    {"FileAtTheEnd", nullptr, "a/b", "a/b", 0, nullptr},
};

class CreateDirectoryRecursiveTest : public testing::TestWithParam<FolderCase> {};

TEST_P(CreateDirectoryRecursiveTest, MakesEveryMissingPrefix) {
    const FolderCase& c = GetParam();
    TempDir temp;
    if (c.existingFolder) {
        ASSERT_EQ(1, CreateDirectoryRecursive(temp.File(c.existingFolder).c_str()));
    }
    if (c.existingFile) {
        ASSERT_TRUE(temp.Write(c.existingFile, "data"));
    }

    EXPECT_EQ(c.expected, CreateDirectoryRecursive(temp.File(c.request).c_str()));
    if (c.mustBeFolder) {
        EXPECT_TRUE(IsDirectory(temp.File(c.mustBeFolder).c_str()));
    }
    if (c.existingFile) {
        EXPECT_TRUE(FileExists(temp.File(c.existingFile).c_str()));
        EXPECT_EQ("data", temp.Read(c.existingFile));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CreateDirectoryRecursiveTest, testing::ValuesIn(kFolderCases),
                         [](const testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

// --- the open-mode matrix ----------------------------------------------------

struct OpenCase {
    const char* name;
    int mode;
    bool fileExists;  // "hello" is there before the open
    bool opens;
    int64_t sizeAfterOpen;
    bool canWrite;
    bool canRead;
    const char* contentsAfterWrite;  // after writing "XY" at 0 and closing; nullptr: file absent
};

const OpenCase kOpenCases[] = {
    {"ReadMissing", kFileRead, false, false, -1, false, false, nullptr},
    {"ReadExisting", kFileRead, true, true, 5, false, true, "hello"},
    {"WriteMissingCreates", kFileWrite, false, true, 0, true, false, "XY"},
    {"WriteExistingTruncates", kFileWrite, true, true, 0, true, false, "XY"},
    {"ReadWriteMissingCreates", kFileReadWrite, false, true, 0, true, true, "XY"},
    {"ReadWriteExistingKeeps", kFileReadWrite, true, true, 5, true, true, "XYllo"},
    {"NeitherBitMissing", 0, false, false, -1, false, false, nullptr},
    {"NeitherBitExisting", 0, true, false, -1, false, false, "hello"},
    {"OnlyUnknownBits", 4, true, false, -1, false, false, "hello"},
};

class OpenModeTest : public testing::TestWithParam<OpenCase> {};

TEST_P(OpenModeTest, FollowsTheMatrix) {
    const OpenCase& c = GetParam();
    TempDir temp;
    if (c.fileExists) {
        ASSERT_TRUE(temp.Write("f.bin", "hello"));
    }
    std::string path = temp.File("f.bin");

    FileHandle* handle = OpenFileHandle(path.c_str(), c.mode);
    ASSERT_EQ(c.opens, handle != nullptr);
    if (handle) {
        EXPECT_EQ(c.sizeAfterOpen, GetFileHandleSize(handle));
        char first = 0;
        size_t got = ReadFileAt(handle, &first, 0, 1);
        if (c.canRead && c.sizeAfterOpen > 0) {
            EXPECT_EQ(1u, got);
            EXPECT_EQ('h', first);
        } else {
            EXPECT_EQ(0u, got);
        }
        EXPECT_EQ(c.canWrite ? 2u : 0u, WriteFileAt(handle, "XY", 0, 2));
        CloseFileHandle(handle);
    }
    if (c.contentsAfterWrite) {
        EXPECT_TRUE(FileExists(path.c_str()));
        EXPECT_EQ(c.contentsAfterWrite, temp.Read("f.bin"));
    } else {
        EXPECT_FALSE(FileExists(path.c_str()));
    }
}

INSTANTIATE_TEST_SUITE_P(Matrix, OpenModeTest, testing::ValuesIn(kOpenCases),
                         [](const testing::TestParamInfo<OpenCase>& info) { return info.param.name; });

// --- positioned reads and writes ---------------------------------------------

TEST(PositionedIo, WritesAndReadsAtOffsets) {
    TempDir temp;
    FileHandle* handle = OpenFileHandle(temp.File("f.bin").c_str(), kFileReadWrite);
    ASSERT_NE(nullptr, handle);

    EXPECT_EQ(3u, WriteFileAt(handle, "abc", 10, 3));
    EXPECT_EQ(13, GetFileHandleSize(handle));
    EXPECT_EQ(2u, WriteFileAt(handle, "01", 0, 2));
    EXPECT_EQ(2u, WriteFileAt(handle, "ZZ", 11, 2));  // overwrites in place, no append
    EXPECT_EQ(13, GetFileHandleSize(handle));

    EXPECT_EQ(std::string("01\0\0\0\0\0\0\0\0aZZ", 13), ReadAll(handle));

    char buffer[8] = {};
    EXPECT_EQ(2u, ReadFileAt(handle, buffer, 11, sizeof buffer));  // short at the end
    EXPECT_EQ("ZZ", std::string(buffer, 2));
    EXPECT_EQ(0u, ReadFileAt(handle, buffer, 13, sizeof buffer));
    EXPECT_EQ(0u, ReadFileAt(handle, buffer, 1000, sizeof buffer));
    EXPECT_EQ(0u, ReadFileAt(handle, buffer, 0, 0));
    // Reads never move a shared file position: the same offset gives the same bytes.
    EXPECT_EQ(1u, ReadFileAt(handle, buffer, 1, 1));
    EXPECT_EQ('1', buffer[0]);
    EXPECT_EQ(1u, ReadFileAt(handle, buffer, 1, 1));
    EXPECT_EQ('1', buffer[0]);
    CloseFileHandle(handle);
}

TEST(PositionedIo, RefusesNullHandlesAndImpossibleOffsets) {
    TempDir temp;
    char buffer[4] = {};
    EXPECT_EQ(0u, ReadFileAt(nullptr, buffer, 0, sizeof buffer));
    EXPECT_EQ(0u, WriteFileAt(nullptr, "abcd", 0, 4));

    FileHandle* handle = OpenFileHandle(temp.File("f.bin").c_str(), kFileReadWrite);
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(0u, WriteFileAt(handle, "abcd", UINT64_MAX, 4));
    EXPECT_EQ(0u, WriteFileAt(handle, "abcd", uint64_t{1} << 63, 4));
    EXPECT_EQ(0u, ReadFileAt(handle, buffer, UINT64_MAX, sizeof buffer));
    EXPECT_EQ(0, GetFileHandleSize(handle));
    CloseFileHandle(handle);
}

// Offsets past 4 GiB must not wrap to 32 bits. Uses a sparse file; skipped
// where the temporary file system cannot hold one.
TEST(PositionedIo, OffsetsBeyondFourGiB) {
    TempDir temp;
    FileHandle* handle = OpenFileHandle(temp.File("sparse.bin").c_str(), kFileReadWrite);
    ASSERT_NE(nullptr, handle);
    const uint64_t far = (uint64_t{5} << 30) + 7;
    if (WriteFileAt(handle, "tail", far, 4) != 4) {
        CloseFileHandle(handle);
        GTEST_SKIP() << "the temporary file system refuses a sparse file past 4 GiB";
    }
    EXPECT_EQ(static_cast<int64_t>(far + 4), GetFileHandleSize(handle));
    char buffer[4] = {};
    EXPECT_EQ(4u, ReadFileAt(handle, buffer, far, 4));
    EXPECT_EQ("tail", std::string(buffer, 4));
    // The same offset cut to 32 bits must still be a hole.
    EXPECT_EQ(4u, ReadFileAt(handle, buffer, far & 0xFFFFFFFFu, 4));
    EXPECT_EQ(std::string(4, '\0'), std::string(buffer, 4));
    CloseFileHandle(handle);
    EXPECT_EQ(static_cast<int64_t>(far + 4), GetFileSizeByName(temp.File("sparse.bin").c_str()));
}

// --- sizes -------------------------------------------------------------------

TEST(FileSizes, ByNameAndByHandle) {
    TempDir temp;
    ASSERT_TRUE(temp.Write("five.bin", "12345"));
    ASSERT_TRUE(temp.Write("empty.bin", ""));
    ASSERT_TRUE(temp.Write("sub/two.bin", "ab"));

    struct {
        std::string path;
        int64_t size;
    } cases[] = {
        {temp.File("five.bin"), 5},
        {temp.File("empty.bin"), 0},
        {temp.path() + "\\sub\\two.bin", 2},
        {temp.File("missing.bin"), -1},
        {temp.File("sub"), -1},  // a folder cannot be opened as a file
        {"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.size, GetFileSizeByName(c.path.c_str())) << c.path;
    EXPECT_EQ(-1, GetFileSizeByName(nullptr));
    EXPECT_EQ(-1, GetFileHandleSize(nullptr));
}

// --- folder helpers ------------------------------------------------------------

// Sets or unsets one environment variable and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

mode_t PermissionsOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

struct AppDataCase {
    const char* name;
    const char* xdg;   // relative to the temporary folder when it starts with '+'; nullptr unsets
    const char* home;  // likewise
    bool found;
    const char* expected;  // relative to the temporary folder
};

const AppDataCase kAppDataCases[] = {
    {"XdgMissingIsCreated", "+xdg/data", "+home", true, "xdg/data"},
    {"XdgTrailingSlash", "+xdg/data/", "+home", true, "xdg/data"},
    {"XdgUnsetFallsBackToHome", nullptr, "+home", true, "home/.local/share"},
    {"XdgEmptyFallsBackToHome", "", "+home", true, "home/.local/share"},
    {"XdgRelativeIsIgnored", "relative/data", "+home", true, "home/.local/share"},
    {"NeitherSet", nullptr, nullptr, false, nullptr},
    {"HomeEmpty", nullptr, "", false, nullptr},
    {"XdgIsAFile", "+file", "+home", false, nullptr},
};

class AppDataPathTest : public testing::TestWithParam<AppDataCase> {};

TEST_P(AppDataPathTest, ChoosesAndCreatesThePrivateFolder) {
    const AppDataCase& c = GetParam();
    TempDir temp;
    ASSERT_TRUE(temp.Write("file", "not a folder"));
    ASSERT_EQ(1, CreateDirectoryRecursive(temp.File("home").c_str()));
    auto resolve = [&](const char* value) -> std::string {
        return value[0] == '+' ? temp.File(value + 1) : std::string(value);
    };
    std::string xdg = c.xdg ? resolve(c.xdg) : "";
    std::string home = c.home ? resolve(c.home) : "";
    ScopedEnv xdgEnv("XDG_DATA_HOME", c.xdg ? xdg.c_str() : nullptr);
    ScopedEnv homeEnv("HOME", c.home ? home.c_str() : nullptr);

    std::string path = "untouched";
    ASSERT_EQ(c.found, GetAppDataPath(&path));
    if (!c.found) {
        EXPECT_EQ("untouched", path);
        return;
    }
    EXPECT_EQ(temp.File(c.expected), path);
    EXPECT_TRUE(IsDirectory(path.c_str()));
    EXPECT_EQ(0700u, PermissionsOf(path));
    // A second call finds the folder and leaves it as it is.
    std::string again;
    EXPECT_TRUE(GetAppDataPath(&again));
    EXPECT_EQ(path, again);
}

INSTANTIATE_TEST_SUITE_P(Cases, AppDataPathTest, testing::ValuesIn(kAppDataCases),
                         [](const testing::TestParamInfo<AppDataCase>& info) { return info.param.name; });

}  // namespace
