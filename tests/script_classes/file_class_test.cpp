// DirMgr, PackFileMgr, PackMemMgr and File through scripts, slot 1 on a temporary folder.
#include <gtest/gtest.h>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "fs/pack_keys.h"
#include "script/script_host.h"
#include "tests/script_classes/media_classes_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

// Joins an array as "type:value;" items, so one string compares a whole line.
constexpr char kJoin[] = "function join(a) { if (a == null) return \"null\"; local s = \"\";"
    "  foreach (x in a) s += typeof x + (x == null ? \"\" : \":\" + x) + \";\"; return s; }";

class FileClassTest : public MediaClassesTest {
protected:
    void SetUp() override {
        MediaClassesTest::SetUp();
        SetCurrentFsMgr(nullptr);  // managers a script makes open paths of the system
        userFolder_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
        SetFsMgrSlot(kSlotUserFolder, userFolder_);
        Run(kJoin);
    }
    void TearDown() override {
        MediaClassesTest::TearDown();
        SetFsMgrSlot(kSlotUserFolder, nullptr);
        FsMgr::Release(userFolder_);
    }
    std::string Text(const std::string& expression) { return Eval(v, expression).text; }

    TempDir dir_;
    FsMgr* userFolder_ = nullptr;
};

TEST_F(FileClassTest, RoundTripsThroughEveryLayerCombination) {
    for (int layers : {0, 16, 32, 48}) {
        SCOPED_TRACE(layers);
        Run("local f = File(\"Save0001.dat\", 2 | " + std::to_string(layers) + ", 1);"
            "for (local i = 0; i < 256; ++i) f.WriteByte(i);"
            "f.WriteLine(\"na\\xC3\\xAFve line\");"
            "for (local n = 0; n < 32; ++n) f.WriteArray([n, \"slot\" + n, n * 65537 - 2147483648, -n]);"
            "wrote <- f.WriteArray([1, \"x\", 2.5]); f.WriteArray([5000000000, -5000000000]); f.WriteText(\"tail\");"
            "f.Close();");
        Run("local r = File(\"Save0001.dat\", 1 | " + std::to_string(layers) + ", 1); same <- true;"
            "for (local i = 0; i < 256; ++i) same = same && r.ReadByte() == i;"
            "line <- r.ReadLine();"
            "for (local n = 0; n < 32; ++n)"
            "  same = same && join(r.ReadArray()) == join([n, \"slot\" + n, n * 65537 - 2147483648, -n]);"
            "rest <- join(r.ReadArray()) + join(r.ReadArray()) + r.ReadText();"
            "atEnd <- r.Eos() && r.ReadByte() == null;");
        EXPECT_TRUE(Eval(v, "same").boolean);
        EXPECT_EQ(Text("line"), "na\xC3\xAFve line");
        EXPECT_EQ(Eval(v, "wrote").integer, 3);
        EXPECT_EQ(Text("rest"), "integer:1;string:x;integer:5000000000;integer:-5000000000;tail");
        EXPECT_TRUE(Eval(v, "atEnd").boolean);
        const std::string raw = dir_.Read("Save0001.dat");
        EXPECT_EQ(raw.find("slot31") == std::string::npos, layers != 0) << "stored scrambled or packed";
    }
}

TEST_F(FileClassTest, CommaSeparatedLines) {
    std::string longLine;
    for (int i = 1; i <= 3000; ++i) longLine += std::to_string(i) + (i < 3000 ? "," : "\r\n");
    const std::string lines = "12,\"abc\",-3\r\n\"a,b\"\n  +7x, -,\t-12 ,\"open,99999999999999999999\r\n\r\n";
    ASSERT_TRUE(dir_.Write("lines.txt", lines + longLine + "last"));
    Run("local f = File(\"lines.txt\", 1, 1); got <- \"\";"
        "for (local i = 0; i < 4; ++i) got += join(f.ReadArray()) + \"|\";"
        "local wide = f.ReadArray(); got += wide.len() + \"/\" + wide[2999] + \"|\" + join(f.ReadArray()) + f.Eos();");
    // Every comma splits, inside quotes too; no line or field limit; "last" has no digits.
    EXPECT_EQ(Text("got"),
              "integer:12;string:abc;integer:-3;|string:a;integer:0;|"
              "integer:7;integer:0;integer:-12;string:open;integer:9223372036854775807;|integer:0;|"
              "3000/3000|integer:0;true");

    Run("local f = File(\"out.txt\", 2, 1); local big = []; for (local i = 0; i < 2000; ++i) big.append(i);"
        "counts <- [f.WriteArray([1, \"x\", 2.5]), f.WriteArray([]), f.WriteArray(big),"
        "           f.WriteArray([null, true, -7])];"
        "f.Close();");
    std::string bigLine;
    for (int i = 0; i < 2000; ++i) bigLine += std::to_string(i) + (i < 1999 ? "," : "\r\n");
    EXPECT_EQ(dir_.Read("out.txt"), "1,\"x\"\r\n\r\n" + bigLine + "-7\r\n");
    EXPECT_EQ(Text("join(counts)"), "integer:3;integer:0;integer:2000;integer:3;");
}

// A packed save of a few hundred kilobytes cannot make one call take more than 1 MiB of line or 64 MiB of text.
TEST_F(FileClassTest, LongLinesAndTextsOfPackedSavesGiveNull) {
    LogCapture log;
    Run("local s = \"a\"; while (s.len() < 1 << 21) s += s; local f = File(\"Long.dat\", 2 | 16, 1);"
        "f.WriteLine(s.slice(0, 1 << 20)); f.WriteLine(s); f.WriteLine(\"tail\");"
        "for (local i = 0; i < 33; ++i) f.WriteText(s); f.Close(); local r = File(\"Long.dat\", 1 | 16, 1);"
        "got <- [r.ReadLine().len(), r.ReadArray(), r.ReadLine(), r.ReadLine(), r.ReadText(), r.Eos()];");
    EXPECT_EQ(Text("join(got)"), "integer:1048576;null;null;string:tail;null;bool:false;");
    EXPECT_TRUE(log.Contains("File \"Long.dat\": a line longer than 1048576") && log.Contains("more than 67108864"));
}

// The old save stays until the new one is closed.
TEST_F(FileClassTest, SavesReplaceTheOldFileOnlyWhenComplete) {
    ASSERT_TRUE(dir_.Write("Save0002.dat", "old\r\n"));
    Run("f <- File(\"Save0002.dat\", 2 | 32 | 16, 1); f.WriteLine(\"new\");");
    EXPECT_EQ(dir_.Read("Save0002.dat"), "old\r\n");
    Run("f.Close(); f = File(\"Save0002.dat\", 49, 1); saved <- f.ReadLine();");
    EXPECT_EQ(Text("saved"), "new");
    FsMgr::SetCurrentFolder(userFolder_, "/KILN/Game");
    Run("f = File(\"slot/Save0003.dat\", 2, 1); f.WriteLine(\"a\"); f.Close();");
    EXPECT_EQ(dir_.Read("KILN/Game/slot/Save0003.dat"), "a\r\n");
}

TEST_F(FileClassTest, ManagersAndStaticMethods) {
    ASSERT_TRUE(dir_.Write("data.bin", std::string("\x01\x02\x03", 3)));
    PackWriter writer;
    std::vector<uint8_t> pack;
    std::string error;
    ASSERT_TRUE(writer.AddFile(PackWriter::kRoot, "inside.txt", {'x'}));
    ASSERT_TRUE(writer.Build(GetBuiltInPackKeyTable(), &pack, &error)) << error;
    ASSERT_TRUE(dir_.Write("pack.dat", std::string(pack.begin(), pack.end())));
    const std::string path = dir_.File("data.bin");
    Run("path <- \"" + path + "\"; local dir = \"" + dir_.path() + "\"; folder <- DirMgr(dir);"
        "missingFile <- PackFileMgr(\"missing.dat\"); missingMemory <- PackMemMgr(\"missing.dat\");"
        "packFile <- PackFileMgr(dir + \"/pack.dat\"); packMemory <- PackMemMgr(dir + \"/pack.dat\");");
    const struct { const char* expression; bool expected; } cases[] = {
        {"File.Exist(\"data.bin\", 1)", true}, {"File.Exist(\"DATA.BIN\", 1)", true}, {"File.Exist(\"nope.bin\", 1)", false},
        {"File.Exist(path, 9)", true},  // no such slot: a path of the system
        {"File.Exist(\"data.bin\", folder)", true}, {"File.Exist(\"data.bin\", missingFile)", false},
        {"File.Exist(\"data.bin\", missingMemory)", false},
        {"File.Exist(\"inside.txt\", packFile) && File.Exist(\"inside.txt\", packMemory)", true},
        {"File.Exist(path, missingMemory)", true},  // no manager: the system's files
        {"typeof File.LoadFile(path, 9) == \"userdata\"", true}, {"File.LoadFile(\"data.bin\", missingMemory) == null", true},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(v, c.expression).boolean, c.expected) << c.expression;
}

TEST_F(FileClassTest, ClosedAndFailedFilesPushNull) {
    LogCapture log;
    Run("f <- File(\"missing.dat\", 1, 1); g <- File(\"x.dat\", 3 | 16, 1); h <- File(\"y.dat\", 2, 1); h.Close();"
        "got <- [f.ReadByte(), f.ReadText(), f.ReadLine(), f.ReadArray(), f.WriteByte(1), f.WriteText(\"a\"),"
        "        f.WriteLine(\"a\"), f.WriteArray([1]), g.ReadByte(), h.WriteLine(\"late\")];"
        "h.Close(); ends <- f.Eos() && g.Eos() && h.Eos() && File.Exist(\"y.dat\", 1);");
    std::string nulls;
    for (int i = 0; i < 10; ++i) nulls += "null;";
    EXPECT_EQ(Text("join(got)"), nulls);
    EXPECT_TRUE(Eval(v, "ends").boolean);
    EXPECT_TRUE(log.Contains("open \"missing.dat\""));
    EXPECT_TRUE(log.Contains("open \"x.dat\"")) << "a compressed file is read or written, not both";
    EXPECT_FALSE(RunSource(v, "File.ReadByte.call(DirMgr(\"/\"));").ok) << "a File method on another class";
}

}  // namespace
