// The wrappers that need no display: files and folders, the heap, message boxes, the window icon.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Folders, CreateDirectoryRecursiveMakesEveryMissingPrefix) {
    const struct { const char *existingFolder, *existingFile, *request; int expected; const char* mustBeFolder; } cases[] = {
                 {"a", nullptr, "a/b/c", 1, "a/b/c"}, {"a/b/c", nullptr, "a/b/c", 1, "a/b/c"},
                 {nullptr, nullptr, "p/q/", 1, "p/q"}, {nullptr, nullptr, "m//n", 1, "m/n"},
                 {"k", nullptr, "k\\l/m", 1, "k/l/m"}, {nullptr, "a/b", "a/b/c", 0, nullptr},
                 {nullptr, "a/b", "a/b", 0, nullptr}};
    for (const auto& c : cases) {
        TempDir temp;
        if (c.existingFolder) { ASSERT_EQ(1, CreateDirectoryRecursive(temp.File(c.existingFolder).c_str())); }
        if (c.existingFile) { ASSERT_TRUE(temp.Write(c.existingFile, "data")); }
        EXPECT_EQ(c.expected, CreateDirectoryRecursive(temp.File(c.request).c_str())) << c.request;
        if (c.mustBeFolder) { EXPECT_TRUE(IsDirectory(temp.File(c.mustBeFolder).c_str())) << c.request; }
        if (c.existingFile) { EXPECT_EQ("data", temp.Read(c.existingFile)) << c.request; }
    }
    TempDir temp;
    EXPECT_EQ(0, CreateDirectoryRecursive(nullptr));
    EXPECT_EQ(0, CreateDirectoryRecursive(""));
    std::string overlong = temp.path() + "/";
    while (overlong.size() < PATH_MAX) overlong += "d/";
    EXPECT_EQ(0, CreateDirectoryRecursive(overlong.c_str()));
    EXPECT_FALSE(IsDirectory(temp.File("d").c_str()));
}

TEST(Files, OpenModesFollowTheMatrix) {
    // Before the open the file holds "hello" if it exists; contents are after writing "XY" at 0 (nullptr: no file).
    const struct { int mode; bool fileExists, opens; int64_t sizeAfterOpen; bool canWrite, canRead; const char* contents; } cases[] = {
                 {kFileRead, false, false, -1, false, false, nullptr},
                 {kFileRead, true, true, 5, false, true, "hello"},
                 {kFileWrite, false, true, 0, true, false, "XY"},
                 {kFileWrite, true, true, 0, true, false, "XY"},
                 {kFileReadWrite, false, true, 0, true, true, "XY"},
                 {kFileReadWrite, true, true, 5, true, true, "XYllo"},
                 {0, true, false, -1, false, false, "hello"},
                 {4, true, false, -1, false, false, "hello"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.fileExists ? " existing" : " missing"));
        TempDir temp;
        if (c.fileExists) { ASSERT_TRUE(temp.Write("f.bin", "hello")); }
        std::string path = temp.File("f.bin");
        FileHandle* handle = OpenFileHandle(path.c_str(), c.mode);
        ASSERT_EQ(c.opens, handle != nullptr);
        if (handle) {
            EXPECT_EQ(c.sizeAfterOpen, GetFileHandleSize(handle));
            char first = 0;
            EXPECT_EQ(c.canRead && c.sizeAfterOpen > 0 ? 1u : 0u, ReadFileAt(handle, &first, 0, 1));
            EXPECT_EQ(c.canWrite ? 2u : 0u, WriteFileAt(handle, "XY", 0, 2));
            CloseFileHandle(handle);
        }
        EXPECT_EQ(c.contents != nullptr, FileExists(path.c_str()));
        if (c.contents) { EXPECT_EQ(c.contents, temp.Read("f.bin")); }
    }
}

TEST(Files, PositionedReadsAndWritesAndSizes) {
    TempDir temp;
    char buffer[8] = {};
    EXPECT_EQ(0u, ReadFileAt(nullptr, buffer, 0, 4));
    EXPECT_EQ(0u, WriteFileAt(nullptr, "abcd", 0, 4));
    FileHandle* handle = OpenFileHandle(temp.File("f.bin").c_str(), kFileReadWrite);
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(0u, WriteFileAt(handle, "abcd", uint64_t{1} << 63, 4));
    EXPECT_EQ(0u, ReadFileAt(handle, buffer, UINT64_MAX, 4));
    EXPECT_EQ(0, GetFileHandleSize(handle));
    EXPECT_EQ(3u, WriteFileAt(handle, "abc", 10, 3));
    EXPECT_EQ(2u, WriteFileAt(handle, "01", 0, 2));
    EXPECT_EQ(2u, WriteFileAt(handle, "ZZ", 11, 2));  // overwrites in place, no append
    EXPECT_EQ(13, GetFileHandleSize(handle));
    std::string all(13, '?');
    EXPECT_EQ(13u, ReadFileAt(handle, &all[0], 0, 13));
    EXPECT_EQ(std::string("01\0\0\0\0\0\0\0\0aZZ", 13), all);
    EXPECT_EQ(2u, ReadFileAt(handle, buffer, 11, sizeof buffer));  // short at the end
    EXPECT_EQ(0u, ReadFileAt(handle, buffer, 13, sizeof buffer));
    EXPECT_EQ(0u, ReadFileAt(handle, buffer, 0, 0));
    // Reads never move a shared file position: the same offset gives the same bytes.
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(ReadFileAt(handle, buffer, 1, 1) == 1 && buffer[0] == '1');
    CloseFileHandle(handle);

    ASSERT_TRUE(temp.Write("empty.bin", ""));
    ASSERT_TRUE(temp.Write("sub/two.bin", "ab"));
    const std::pair<std::string, int64_t> sizes[] = {
        {temp.File("f.bin"), 13}, {temp.File("empty.bin"), 0}, {temp.path() + "\\sub\\two.bin", 2},
        {temp.File("missing.bin"), -1}, {temp.File("sub"), -1}, {"", -1}};  // a folder is no file
    for (const auto& c : sizes) EXPECT_EQ(c.second, GetFileSizeByName(c.first.c_str())) << c.first;
    EXPECT_EQ(-1, GetFileSizeByName(nullptr));
    EXPECT_EQ(-1, GetFileHandleSize(nullptr));
}

// Offsets past 4 GiB must not wrap to 32 bits (a sparse file; skipped where it cannot be made).
TEST(Files, OffsetsBeyondFourGiB) {
    TempDir temp;
    FileHandle* handle = OpenFileHandle(temp.File("sparse.bin").c_str(), kFileReadWrite);
    ASSERT_NE(nullptr, handle);
    const uint64_t far = (uint64_t{5} << 30) + 7;
    if (WriteFileAt(handle, "tail", far, 4) != 4) {
        CloseFileHandle(handle);
        GTEST_SKIP() << "the temporary file system refuses a sparse file past 4 GiB";
    }
    char buffer[4] = {};
    EXPECT_EQ(4u, ReadFileAt(handle, buffer, far, 4));
    EXPECT_EQ("tail", std::string(buffer, 4));
    EXPECT_EQ(4u, ReadFileAt(handle, buffer, far & 0xFFFFFFFFu, 4));  // cut to 32 bits: a hole
    EXPECT_EQ(std::string(4, '\0'), std::string(buffer, 4));
    CloseFileHandle(handle);
    EXPECT_EQ(static_cast<int64_t>(far + 4), GetFileSizeByName(temp.File("sparse.bin").c_str()));
}

TEST(Folders, AppDataPathIsChosenAndCreatedPrivate) {
    const struct {
        const char *xdg, *home;  // relative to the temporary folder when starting with '+'; nullptr unsets
        const char* expected;    // relative to the temporary folder; nullptr: not found
    } cases[] = {{"+xdg/data", "+home", "xdg/data"},         {"+xdg/data/", "+home", "xdg/data"},
                 {nullptr, "+home", "home/.local/share"},    {"", "+home", "home/.local/share"},
                 {"relative/data", "+home", "home/.local/share"}, {nullptr, nullptr, nullptr},
                 {nullptr, "", nullptr},                     {"+file", "+home", nullptr}};
    auto permissions = [](const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? info.st_mode & 07777 : 0;
    };
    const char* names[2] = {"XDG_DATA_HOME", "HOME"};
    std::string saved[2];
    for (int i = 0; i < 2; ++i) saved[i] = getenv(names[i]) ? getenv(names[i]) : "";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)"));
        TempDir temp;
        ASSERT_TRUE(temp.Write("file", "not a folder"));
        ASSERT_EQ(1, CreateDirectoryRecursive(temp.File("home").c_str()));
        const char* values[2] = {c.xdg, c.home};
        for (int i = 0; i < 2; ++i) {
            if (!values[i]) unsetenv(names[i]);
            else setenv(names[i], values[i][0] == '+' ? temp.File(values[i] + 1).c_str() : values[i], 1);
        }
        std::string path = "untouched", again;
        ASSERT_EQ(c.expected != nullptr, GetAppDataPath(&path));
        if (!c.expected) { EXPECT_EQ("untouched", path); continue; }
        EXPECT_EQ(temp.File(c.expected), path);
        EXPECT_EQ(0700u, permissions(path));
        EXPECT_TRUE(GetAppDataPath(&again));  // a second call finds the folder as it is
        EXPECT_EQ(path, again);
    }
    TempDir temp;  // folders made on the way are private too; an existing folder keeps its permissions
    ASSERT_TRUE(CreateDirectoryRecursive(temp.File("home").c_str()) && CreateDirectoryRecursive(temp.File("data").c_str()));
    ASSERT_EQ(0, chmod(temp.File("data").c_str(), 0750));
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", temp.File("home").c_str(), 1);
    std::string path;
    ASSERT_TRUE(GetAppDataPath(&path));
    EXPECT_EQ(0u, permissions(temp.File("home/.local")) & 0077u);
    setenv("XDG_DATA_HOME", temp.File("data").c_str(), 1);
    EXPECT_TRUE(GetAppDataPath(&path) && path == temp.File("data"));
    EXPECT_EQ(0750u, permissions(path));
    EXPECT_FALSE(GetAppDataPath(nullptr));
    for (int i = 0; i < 2; ++i) setenv(names[i], saved[i].c_str(), 1);
}

// Zero bytes still give distinct blocks; a resize to 0 keeps a valid block (null means "failed").
TEST(Heap, ZeroSizesAndResizes) {
    void *a = HeapAllocate(0), *b = HeapAllocate(0);
    ASSERT_TRUE(a && b && a != b);
    HeapRelease(a);
    b = HeapResize(b, 0);
    ASSERT_NE(nullptr, b);
    HeapRelease(b);
    HeapRelease(nullptr);
}

// One log line always, and the presenter (the on-screen dialog) when one is installed.
TEST(MessageBox, LogsOneLineAndCallsThePresenter) {
    const struct { const char *text, *caption; int kind; const char* logLine; } cases[] = {
        {"Initialization error.", "Error", kMessageBoxError, "[error] Error: Initialization error."},
        {"Saved.", "Quillmoor", kMessageBoxInformation, "[information] Quillmoor: Saved."},
        {"Low memory", "Warning", kMessageBoxWarning, "[warning] Warning: Low memory"},
        {"Quit?", "Question", kMessageBoxQuestion, "[question] Question: Quit?"},
        {"Odd kind", "Box", 9, "[message] Box: Odd kind"},
        {"Line one\nline two\r\n", "Two\nlines", kMessageBoxError, "[error] Two lines: Line one line two  "},
    };
    for (const auto& c : cases) {
        std::vector<std::string> shown;
        MessageBoxPresenter previous = SetMessageBoxPresenter([&](const char* text, const char* caption, int kind) {
            shown.push_back(std::string(text) + "|" + caption + "|" + std::to_string(kind));
            return true;
        });
        LogCapture log;
        ShowMessageBox(c.text, c.caption, c.kind);
        SetMessageBoxPresenter(std::move(previous));
        EXPECT_EQ(std::vector<std::string>{c.logLine}, log.Lines()) << c.text;
        EXPECT_EQ(shown, std::vector<std::string>{std::string(c.text) + "|" + c.caption + "|" + std::to_string(c.kind)});
    }
}

TEST(WindowIcon, ADiscWithAKeyOnATransparentGround) {
    EXPECT_TRUE(WindowIconPixels(0, 48).empty());
    EXPECT_TRUE(WindowIconPixels(2010, 0).empty());
    for (int size : {16, 32, 48}) {
        std::vector<uint32_t> icon = WindowIconPixels(2010, size);
        ASSERT_EQ(icon.size(), size_t(size) * size);
        auto at = [&](float x, float y) { return icon[size_t(y * size / 32) * size + size_t(x * size / 32)]; };
        EXPECT_EQ(at(0, 0) >> 24, 0u) << size;              // corner outside the disc
        EXPECT_EQ(at(16, 28), 0xFF1B2A4Au) << size;          // the disc below the key
        EXPECT_EQ(at(7, 11), 0xFFD8DEE8u) << size;           // the key's ring
        EXPECT_EQ(at(11, 11), 0xFF1B2A4Au) << size;          // the ring's hole
        EXPECT_EQ(at(20, 14.5f), 0xFFD8DEE8u) << size;       // the shaft
    }
}

}  // namespace
