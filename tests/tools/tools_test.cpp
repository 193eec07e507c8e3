// epk2tool and cnutc run as processes: options, hostile packs, compile errors, several files.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

// A hostile pack must never make epk2tool hang: each run is bounded.
RunResult Run(const char* tool, std::vector<std::string> args) {
    args.insert(args.begin(), std::string(getenv("QM_BUILD_DIR")) + "/" + tool);
    return RunProgram(args, "", 30000);
}
RunResult RunTool(std::vector<std::string> args) { return Run("epk2tool", std::move(args)); }
RunResult Cnutc(std::vector<std::string> args) { return Run("cnutc", std::move(args)); }

TEST(Epk2ToolTest, BuildListAndCatRoundTrip) {
    TempDir dir;
    dir.Write("src/readme.txt", "Welcome\r\n");
    dir.Write("src/script/main.nut", AsString(MakeBytes(3000, 1, true)));
    dir.Write("src/script/lib/util.nut", AsString(MakeBytes(1500, 3, true)));
    dir.Write("src/data/noise.bin", AsString(MakeBytes(5000, 5, false)));
    dir.Write("src/data/empty.bin", "");
    mkdir(dir.File("src/zempty").c_str(), 0755);
    RunResult built = RunTool({"build", "--row", "2:script/*", "--row", "4:*.bin", "--plain", "*/main.nut",
                                     "--zlib", "data/noise.bin", dir.File("src"), dir.File("out.dat")});
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.err, "");

    RunResult listed = RunTool({"list", dir.File("out.dat")});  // the options reached the records
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, "/data\t0\t128\n/data/empty.bin\t0\t0\tplain\trow 4\n/data/noise.bin\t5000\t0\tzlib\trow 4\n"
                          "/script\t0\t128\n/script/lib\t0\t128\n/script/lib/util.nut\t1500\t0\tzlib\trow 2\n"
                          "/script/main.nut\t3000\t0\tplain\trow 2\n/zempty\t0\t128\n/readme.txt\t9\t0\tplain\trow 0\n");

    for (const char* path : {"/script/main.nut", "script/lib/util.nut", "data/empty.bin"}) {
        RunResult cat = RunTool({"cat", dir.File("out.dat"), path});
        ASSERT_EQ(cat.status, 0) << path << ": " << cat.err;
        std::string relative = path[0] == '/' ? path + 1 : path;
        EXPECT_EQ(cat.out, dir.Read("src/" + relative)) << path;
    }
}

TEST(Epk2ToolTest, HostilePacksAndBadEntriesGiveOneLineAndAFailure) {
    TempDir dir;
    const std::vector<uint8_t> good = BuildSamplePack(GetBuiltInPackKeyTable());
    std::vector<uint8_t> damaged = good;
    PackMgr* pack = OpenPackMemory(good.data(), static_cast<uint32_t>(good.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    const PackFile* big = FindPackEntry(pack, "/data/big.txt");
    for (uint32_t i = big->storedSize / 2; i < big->storedSize; i += 31) damaged[big->dataOffset + i] ^= 0x3C;
    FsMgr::Release(pack);
    ASSERT_TRUE(dir.Write("empty.dat", "") && dir.Write("cut.dat", AsString(good).substr(0, good.size() - 1)) &&
                dir.Write("damaged.dat", AsString(damaged)));
    // The reader's refusals are pinned in the pack tests; here one of each stage reaches the tool's one line.
    const struct { std::vector<std::string> args; bool unreadable; const char* reason; } cases[] = {
        {{"list", "empty.dat"}, true, "Not EPK2 format."}, {{"cat", "cut.dat", "readme.txt"}, true, "lies beyond the pack"},
        {{"cat", "damaged.dat", "data/big.txt"}, false, "\"data/big.txt\" is damaged"},
        {{"cat", "damaged.dat", "data/none.txt"}, false, ""}};
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args[1] = dir.File(args[1]);
        RunResult result = RunTool(args);
        SCOPED_TRACE(testing::PrintToString(c.args) + " " + result.err);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
        EXPECT_NE(result.err.find(c.reason), std::string::npos);
        if (c.unreadable) { EXPECT_EQ(result.err.rfind("epk2tool: cannot read \"" + args[1] + "\": ", 0), 0u); }
        if (std::string(c.reason).find("damaged") == std::string::npos) { EXPECT_EQ(result.out, ""); }
    }
}

TEST(Epk2ToolTest, UsageErrors) {
    TempDir dir;
    for (std::vector<std::string> args : {std::vector<std::string>{}, {"frobnicate"}, {"cat", "x.dat"},
                                          {"list", "--wat", "x"}, {"build", "--row", "9:*", "a", "b"}}) {
        RunResult result = RunTool(args);
        EXPECT_TRUE(result.status == 2 && result.err.rfind("epk2tool: ", 0) == 0u) << testing::PrintToString(args);
    }
    RunResult missingFolder = RunTool({"build", dir.File("nothing"), dir.File("o.dat")});
    EXPECT_TRUE(missingFolder.status == 1 && missingFolder.err == "epk2tool: \"" + dir.File("nothing") + "\" is not a folder\n");
    sockaddr_un address{};  // a socket is listed as a file but cannot be read: the build fails
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", dir.File("socket").c_str());
    int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    RunResult unreadable = RunTool({"build", dir.path(), dir.File("o.dat")});
    close(socketFd);
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_NE(unreadable.err.find("cannot read \"" + dir.File("socket") + "\""), std::string::npos) << unreadable.err;
}

TEST(CnutcTest, FailuresGiveAMessageAStatusAndNoOutput) {
    TempDir temp;
    ASSERT_TRUE(temp.Write("bad.nut", "local a = 1;\nlocal b = 2;\nlocal c = a +;\n"));
    ASSERT_TRUE(temp.Write("nul.nut", std::string("local a = 1;\0local b;", 21)));
    ASSERT_TRUE(temp.Write("keep.cnut", "previous build"));
    ASSERT_TRUE(temp.Write("ok.nut", "x <- 1;"));
    const struct { std::vector<std::string> args; int status; std::string err; } cases[] = {
        {{temp.File("bad.nut"), temp.File("keep.cnut")}, 1, temp.File("bad.nut") + ":3:15: expression expected\n"},
        {{temp.File("nul.nut"), temp.File("keep.cnut")}, 1, temp.File("nul.nut") + ": NUL byte at offset 12\n"},
        {{temp.File("missing.nut"), temp.File("keep.cnut")}, 1,
         "cnutc: cannot read \"" + temp.File("missing.nut") + "\"\n"},
        {{"--frobnicate", temp.File("bad.nut")}, 2, "usage: cnutc IN.nut OUT.cnut\n"},
        {{temp.File("ok.nut"), temp.File("no/such/folder/ok.cnut")}, 1,
         "cnutc: cannot write \"" + temp.File("no/such/folder/ok.cnut") + "\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        RunResult run = Cnutc(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.substr(0, c.status == 2 ? c.err.size() : std::string::npos), c.err);
        EXPECT_TRUE(temp.Read("keep.cnut") == "previous build" && temp.Read("keep.cnut.tmp").empty());
    }
}

TEST(CnutcTest, SeveralFilesAtOnceAndACheckThatWritesNothing) {
    TempDir temp;
    for (auto [name, text] : {std::pair{"a.nut", "a <- 1;"}, {"b.nut", "b <- ;"}, {"c.nut", "c <- 3;"}, {"d.nut", "local d = ];"}})
        ASSERT_TRUE(temp.Write(name, text));
    RunResult checked = Cnutc({"--check", temp.File("a.nut"), temp.File("b.nut"), temp.File("c.nut"), temp.File("d.nut")});
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.err, temp.File("b.nut") + ":1:6: expression expected\n" + temp.File("d.nut") +
                               ":1:11: expression expected\n");  // every broken file, not only the first
    EXPECT_EQ(temp.Read("a.cnut") + temp.Read("c.cnut"), "");

    ASSERT_EQ(mkdir(temp.File("out").c_str(), 0755), 0);
    RunResult built = Cnutc({"-o", temp.File("out"), temp.File("a.nut"), temp.File("c.nut")});
    EXPECT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(Cnutc({temp.File("a.nut"), temp.File("c.nut")}).status, 0);  // beside their sources
    EXPECT_EQ(Cnutc({temp.File("c.nut"), temp.File("single.cnut")}).status, 0);
    EXPECT_NE(temp.Read("single.cnut"), "");
    EXPECT_TRUE(temp.Read("out/c.cnut") == temp.Read("single.cnut") && temp.Read("out/a.cnut") == temp.Read("a.cnut"));
    EXPECT_NE(temp.Read("a.cnut"), temp.Read("c.cnut"));
}

}  // namespace
