// The VM's set-up and memory, loading files of every kind through a
// file-system manager, running them and calling root functions by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "script/script_host.h"
#include "tests/script/script_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

class ScriptHostTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        folder = DirMgr(nullptr, temp.path().c_str(), nullptr);
        ASSERT_NE(folder, nullptr);
    }
    void TearDown() override {
        FsMgr::Release(folder);
        ScriptTest::TearDown();
    }
    void Write(const std::string& name, const std::string& bytes) { ASSERT_TRUE(temp.Write(name, bytes)); }

    TempDir temp;
    FsMgr* folder = nullptr;
};

TEST_F(ScriptHostTest, EveryVMAllocationGoesThroughTheHostAllocator) {
    // Bypassed memory functions leave the allocator untouched; the VM makes
    // hundreds of blocks just to open.
    EXPECT_GT(vmAllocator.allocCalls, 100u);
    size_t before = vmAllocator.bytesInUse;
    ASSERT_TRUE(RunSource(v, "big <- array(10000, 1);").ok);
    EXPECT_GT(vmAllocator.bytesInUse, before + 10000 * 8);
    ASSERT_TRUE(RunSource(v, "delete big;").ok);
    EXPECT_LT(vmAllocator.bytesInUse, before + 10000 * 8);
    // TearDown checks that closing gives every byte back.
}

TEST_F(ScriptHostTest, ACompileErrorIsOneLineWithSourceLineAndMessage) {
    Write("bad.nut", "local a = 1;\n\nlocal b = a +;\n");
    sq_pushinteger(v, 1);
    LogCapture log;
    EXPECT_EQ(DoScriptFile(v, "bad.nut", folder, nullptr), 0);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Compile Error:\n  bad.nut (3)\n  expression expected"});
    EXPECT_EQ(sq_gettop(v), 1);
}

TEST_F(ScriptHostTest, ForeignAndDamagedCompiledFilesAreRefusedWithOneLine) {
    std::string good = CompileToCnut(v, "x <- 1;", "x.nut");
    ASSERT_GT(good.size(), 30u);
    std::string width32 = good;
    width32[10] = 4;  // the integer size a 32-bit build writes
    std::string wideChars = good;
    wideChars[6] = 2;
    std::string badMagic = good;
    badMagic[0] = 'X';
    struct Case {
        const char* name;
        std::string bytes;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"w32.cnut", width32,
         "Error: \"w32.cnut\" was compiled by another Squirrel build (1-byte characters, 4-byte integers, "
         "4-byte floats; this one uses 1, 8 and 4)"},
        {"wide.cnut", wideChars,
         "Error: \"wide.cnut\" was compiled by another Squirrel build (2-byte characters, 8-byte integers, "
         "4-byte floats; this one uses 1, 8 and 4)"},
        {"magic.cnut", badMagic, "Error: \"magic.cnut\" is not a compiled script"},
        {"empty.cnut", "", "Error: \"empty.cnut\" is not a usable compiled script: data ends early at byte 0"},
        {"cut.cnut", good.substr(0, good.size() - 5),
         "Error: \"cut.cnut\" is not a usable compiled script: data ends early at byte " +
             std::to_string(good.size() - 12)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(c.name, c.bytes);
        sq_pushinteger(v, 5);
        LogCapture log;
        EXPECT_EQ(DoScriptFile(v, c.name, folder, nullptr), 0);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line});
        EXPECT_EQ(sq_gettop(v), 1);
        sq_pop(v, 1);
    }
}

TEST_F(ScriptHostTest, CallScriptFunctionReportsEachOutcome) {
    ASSERT_TRUE(RunSource(v,
                          "calls <- 0;\n"
                          "function Good() { calls++; }\n"
                          "function Throws() {\n"
                          "  throw \"boom\";\n"
                          "}\n"
                          "NotCallable <- 42;\n"
                          "AlsoNotCallable <- {};\n"
                          "Native <- std.rand;\n",
                          "calls.nut")
                    .ok);
    struct Case {
        const char* name;
        int result;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"Good", 1, {}},
        {"Native", 1, {}},
        {"Missing", 0, {"Warning: script function \"Missing\" does not exist"}},
        {"Throws", 0, {"Error: script: boom", "  at Throws (calls.nut:4)"}},
        {"NotCallable", 0, {"Error: script: \"NotCallable\" is not a function"}},
        {"AlsoNotCallable", 0, {"Error: script: \"AlsoNotCallable\" is not a function"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sq_pushinteger(v, 7);
        LogCapture log;
        EXPECT_EQ(CallScriptFunction(nullptr, c.name), c.result);
        EXPECT_EQ(log.Lines(), c.lines);
        EXPECT_EQ(sq_gettop(v), 1);
        sq_pop(v, 1);
    }
    EXPECT_EQ(Eval(v, "calls").integer, 1);
}

TEST_F(ScriptHostTest, ARuntimeErrorLogsTheCallStackWithFilesAndLines) {
    Write("deep.nut",
          "function Inner(x) {\n"
          "  return x.missing;\n"
          "}\n"
          "function Outer() { local r = Inner({}); return r; }\n"
          "Outer();\n");
    LogCapture log;
    EXPECT_EQ(DoScriptFile(v, "deep.nut", folder, nullptr), 0);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Error: script: the index 'missing' does not exist",
                                                     "  at Inner (deep.nut:2)", "  at Outer (deep.nut:4)",
                                                     "  at main (deep.nut:5)"}));
    EXPECT_EQ(sq_gettop(v), 0);
}

TEST_F(ScriptHostTest, SystemScriptRunsFromThePacksScriptFolder) {
    PackWriter writer;
    int script = writer.AddDirectory(PackWriter::kRoot, "script");
    std::string compiled = CompileToCnut(v, "booted <- \"from the pack\";", "system.nut");
    std::vector<uint8_t> bytes(compiled.begin(), compiled.end());
    PackFileOptions scrambled;
    scrambled.scrambleRow = 2;
    ASSERT_TRUE(writer.AddFile(script, "system.cnut", bytes, scrambled));
    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(writer.Build(GetBuiltInPackKeyTable(), &image, &error)) << error;
    PackMgr* pack = OpenPackMemory(image.data(), static_cast<uint32_t>(image.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    FsMgr* scripts = DirMgr(pack, "script", nullptr);
    ASSERT_NE(scripts, nullptr);

    EXPECT_EQ(DoScriptFile(v, "system.cnut", scripts, nullptr), 1);
    EXPECT_EQ(Eval(v, "booted").text, "from the pack");
    LogCapture log;
    EXPECT_EQ(DoScriptFile(v, "battle.cnut", scripts, nullptr), 0);
    // The pack names the entry it could not find; the host names the script.
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Error: Failed to open \"script/battle.cnut\"",
                                                    "Error: Failed to open \"battle.cnut\""}));
    FsMgr::Release(scripts);
    FsMgr::Release(pack);
}

}  // namespace
