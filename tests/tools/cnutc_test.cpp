// cnutc run as a process: what it writes is read and run by the engine's
// script host; compile errors name file, line and column and leave no output.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "script/cnut_check.h"
#include "script/script_host.h"
#include "tests/support/child_process.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

RunResult Cnutc(std::vector<std::string> args) {
    const char* build = getenv("QM_BUILD_DIR");
    args.insert(args.begin(), std::string(build ? build : ".") + "/cnutc");
    return RunProgram(args);
}

class CnutcTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(CreateScriptVM(), nullptr);
        folder = DirMgr(nullptr, temp.path().c_str(), nullptr);
    }
    void TearDown() override {
        FsMgr::Release(folder);
        CloseScriptVM();
    }

    // The root slot `name` as text, or "" when it is missing.
    std::string RootString(const char* name) {
        HSQUIRRELVM v = GetScriptVM();
        std::string value;
        sq_pushroottable(v);
        sq_pushstring(v, name, -1);
        const SQChar* text = nullptr;
        if (SQ_SUCCEEDED(sq_get(v, -2)) && SQ_SUCCEEDED(sq_tostring(v, -1)) &&
            SQ_SUCCEEDED(sq_getstring(v, -1, &text))) {
            value = text;
        }
        sq_settop(v, 0);
        return value;
    }

    TempDir temp;
    FsMgr* folder = nullptr;
};

TEST_F(CnutcTest, ACompiledScriptRunsInTheEngine) {
    const std::string text = "霧の谷";
    ASSERT_TRUE(temp.Write("system.nut",
                           "function Describe(s) { return s + \":\" + s.len(); }\n"
                           "result <- Describe(\"" + text + "\");\n"
                           "class Box { size = 3; function Twice() { return size * 2; } }\n"
                           "twice <- Box().Twice();\n"));
    RunResult run = Cnutc({temp.File("system.nut"), temp.File("system.cnut")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(temp.Read("system.cnut.tmp"), "");

    std::string bytes = temp.Read("system.cnut");
    ASSERT_GT(bytes.size(), 18u);
    EXPECT_EQ(bytes.compare(0, 6, "\xFA\xFARIQS"), 0);
    Stream* stream = MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
    EXPECT_TRUE(CheckCompiledScript(stream, "system.cnut"));
    stream->Release();

    LogCapture log;
    ASSERT_EQ(DoScriptFile(nullptr, "system.cnut", folder, nullptr), 1);
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_EQ(RootString("result"), text + ":" + std::to_string(text.size()));
    EXPECT_EQ(RootString("twice"), "6");
}

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
    ASSERT_EQ(DoScriptFile(nullptr, "out/a.cnut", folder, nullptr), 1);
    ASSERT_EQ(DoScriptFile(nullptr, "out/c.cnut", folder, nullptr), 1);
    EXPECT_EQ(RootString("a") + RootString("c"), "13");
    EXPECT_EQ(Cnutc({temp.File("a.nut"), temp.File("c.nut")}).status, 0);  // beside their sources
    EXPECT_NE(temp.Read("c.cnut"), "");
}

}  // namespace
