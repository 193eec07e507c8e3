// cnutc run as a process: compile errors name file, line and column and leave
// no output; several files, --check and -o.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

RunResult Cnutc(std::vector<std::string> args) {
    const char* build = getenv("QM_BUILD_DIR");
    args.insert(args.begin(), std::string(build ? build : ".") + "/cnutc");
    return RunProgram(args);
}

class CnutcTest : public testing::Test {
protected:
    TempDir temp;
};

TEST_F(CnutcTest, FailuresGiveAMessageAStatusAndNoOutput) {
    ASSERT_TRUE(temp.Write("bad.nut", "local a = 1;\nlocal b = 2;\nlocal c = a +;\n"));
    ASSERT_TRUE(temp.Write("nul.nut", std::string("local a = 1;\0local b;", 21)));
    ASSERT_TRUE(temp.Write("keep.cnut", "previous build"));
    ASSERT_TRUE(temp.Write("ok.nut", "x <- 1;"));
    struct Case { std::vector<std::string> args; int status; std::string err; };
    const std::vector<Case> cases = {
        {{temp.File("bad.nut"), temp.File("keep.cnut")}, 1, temp.File("bad.nut") + ":3:15: expression expected\n"},
        {{temp.File("nul.nut"), temp.File("keep.cnut")}, 1, temp.File("nul.nut") + ": NUL byte at offset 12\n"},
        {{temp.File("missing.nut"), temp.File("keep.cnut")}, 1,
         "cnutc: cannot read \"" + temp.File("missing.nut") + "\"\n"},
        {{}, 2, "usage: cnutc IN.nut OUT.cnut\n"},
        {{"--frobnicate", temp.File("bad.nut")}, 2, "usage: cnutc IN.nut OUT.cnut\n"},
        {{temp.File("ok.nut"), temp.File("no/such/folder/ok.cnut")}, 1,
         "cnutc: cannot write \"" + temp.File("no/such/folder/ok.cnut") + "\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        RunResult run = Cnutc(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.substr(0, c.status == 2 ? c.err.size() : std::string::npos), c.err);
        EXPECT_EQ(temp.Read("keep.cnut"), "previous build");
        EXPECT_EQ(temp.Read("keep.cnut.tmp"), "");
    }
}

TEST_F(CnutcTest, SeveralFilesAtOnceAndACheckThatWritesNothing) {
    for (auto [name, text] : {std::pair{"a.nut", "a <- 1;"}, {"b.nut", "b <- ;"}, {"c.nut", "c <- 3;"}, {"d.nut", "local d = ];"}})
        ASSERT_TRUE(temp.Write(name, text));
    const std::vector<std::string> all = {temp.File("a.nut"), temp.File("b.nut"), temp.File("c.nut"), temp.File("d.nut")};
    std::vector<std::string> args = {"--check"};
    args.insert(args.end(), all.begin(), all.end());
    RunResult checked = Cnutc(args);
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
    EXPECT_EQ(temp.Read("out/c.cnut"), temp.Read("single.cnut"));
    EXPECT_EQ(temp.Read("out/a.cnut"), temp.Read("a.cnut"));
    EXPECT_NE(temp.Read("a.cnut"), temp.Read("c.cnut"));
}

}  // namespace
