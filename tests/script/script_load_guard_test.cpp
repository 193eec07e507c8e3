// Script loads that must fail instead of running something else: compiled
// functions whose frame the VM would overrun or whose code runs off its end,
// and compressed scripts damaged inside the pack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/file_loaders.h"
#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "script/script_host.h"
#include "tests/script/script_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

constexpr uint32_t kPart = 0x50415254;
constexpr uint8_t kReturn = 0x17, kLine = 0x00;

// One function as this VM build writes a closure stream.
struct FunctionSpec {
    SQInteger parameters = 1;
    std::vector<SQInteger> defaults;
    SQInteger stackSize = 2;
    std::vector<uint8_t> opcodes{kReturn};
    SQInteger varParams = 0;
};

std::string Closure(const FunctionSpec& f) {
    std::string out;
    auto put = [&out](const auto& value) { out.append(reinterpret_cast<const char*>(&value), sizeof value); };
    auto text = [&](const std::string& s) {
        put(uint32_t{OT_STRING});
        put(static_cast<SQInteger>(s.size()));
        out += s;
    };
    put(uint16_t{0xFAFA});
    for (uint32_t word : {0x53514952u, uint32_t{sizeof(SQChar)}, uint32_t{sizeof(SQInteger)}, uint32_t{sizeof(SQFloat)},
                          kPart}) {
        put(word);
    }
    text("made.nut");
    text("main");
    put(kPart);
    for (size_t count : {size_t{0}, size_t(f.parameters), size_t{0}, size_t{0}, size_t{0}, f.defaults.size(),
                         f.opcodes.size(), size_t{0}}) {
        put(static_cast<SQInteger>(count));
    }
    put(kPart);  // literals
    put(kPart);
    for (SQInteger i = 0; i < f.parameters; ++i) text("p" + std::to_string(i));
    for (int empty = 0; empty < 4; ++empty) put(kPart);  // outer values, locals, line infos
    for (SQInteger value : f.defaults) put(value);
    put(kPart);
    for (uint8_t op : f.opcodes) put(uint64_t{0xFF} << 40 | uint64_t{op} << 32);  // arg0 0xFF: no value
    put(kPart);
    put(f.stackSize);
    put(uint8_t{0});
    put(f.varParams);
    put(0x5441494Cu);
    return out;
}

using ScriptLoadGuardTest = ScriptTest;

TEST_F(ScriptLoadGuardTest, FramesTheVMWouldOverrunAndCodeWithoutAnEndAreRefused) {
    const struct {
        const char* name;
        FunctionSpec function;
        int loaded;
    } cases[] = {
        {"plain", {}, 1},
        {"many-parameters", {3000, std::vector<SQInteger>(2999, 1), 4}, 0},
        {"more-defaults", {2, {1, 1, 1}, 4}, 0},
        {"far-default", {2, {5000}, 4}, 0},
        {"no-code", {1, {}, 2, {}}, 0},
        {"runs-off", {1, {}, 2, {kReturn, kLine}}, 0},
        {"var-params-flag", {1, {}, 2, {kReturn}, 2}, 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string file = std::string(c.name) + ".cnut";
        ASSERT_TRUE(dir.Write(file, Closure(c.function)));
        LogCapture log;
        EXPECT_EQ(DoScriptFile(v, dir.File(file).c_str(), nullptr, nullptr), c.loaded) << c.name;
        EXPECT_EQ(log.Contains(file), !c.loaded) << c.name;
    }
}

TEST_F(ScriptLoadGuardTest, ADamagedCompressedScriptFailsByName) {
    std::string source = "ran <- true;\n";
    for (int i = 0; i < 200; ++i) source += "// padding line " + std::to_string(i) + "\n";
    PackWriter writer;
    PackFileOptions zlib;
    zlib.compression = PackCompression::kAlways;
    ASSERT_TRUE(writer.AddFile(writer.AddDirectory(PackWriter::kRoot, "script"), "main.nut",
                               std::vector<uint8_t>(source.begin(), source.end()), zlib));
    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(writer.Build(GetBuiltInPackKeyTable(), &image, &error)) << error;
    PackMgr* pack = OpenPackMemory(image.data(), static_cast<uint32_t>(image.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    const PackFile* entry = FindPackEntry(pack, "/script/main.nut");
    ASSERT_TRUE(entry != nullptr && entry->storedSize < entry->unpackedSize);
    FsMgr* scripts = DirMgr(pack, "script", nullptr);
    const uint32_t damaged[] = {entry->storedSize - 1, entry->storedSize / 2};  // the checksum, the middle
    for (uint32_t at : damaged) {
        image[entry->dataOffset + at] ^= 0x40;
        ASSERT_TRUE(RunSource(v, "ran <- false;").ok);
        LogCapture log;
        EXPECT_EQ(LoadScriptFile(v, "main.nut", scripts, nullptr), 0) << at;
        EXPECT_EQ(DoScriptFile(v, "main.nut", scripts, nullptr), 0) << at;
        EXPECT_FALSE(Eval(v, "ran").boolean);
        EXPECT_TRUE(log.Contains("read \"main.nut\"")) << at;
        EXPECT_EQ(LoadTextFile(scripts, "main.nut", nullptr, nullptr), nullptr);
        image[entry->dataOffset + at] ^= 0x40;
    }
    EXPECT_EQ(DoScriptFile(v, "main.nut", scripts, nullptr), 1);
    EXPECT_TRUE(Eval(v, "ran").boolean);
    FsMgr::Release(scripts);
    FsMgr::Release(pack);
}

}  // namespace
