// The per-user data folder: $XDG_DATA_HOME, else ~/.local/share, made private.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace {

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
