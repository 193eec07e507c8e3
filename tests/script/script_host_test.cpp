// The script host: allocator, loading and calling, packed scripts, the compiled-file check, engine tables.
#include <gtest/gtest.h>
#include <cstring>
#include <set>

#include "core/random.h"
#include "fs/dir_mgr.h"
#include "fs/file_loaders.h"
#include "fs/fs_mgr.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "script/cnut_check.h"
#include "script/engine_tables.h"
#include "script/script_host.h"
#include "tests/script/script_test_util.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using ScriptHostTest = ScriptTest;

TEST_F(ScriptHostTest, EveryVMAllocationGoesThroughTheHostAllocator) {
    size_t before = LiveBytes(vmAllocator);
    ASSERT_TRUE(RunSource(v, "big <- array(10000, 1);").ok);
    EXPECT_GT(LiveBytes(vmAllocator), before + 10000 * 8);
}

// Files that cannot run: one exact line each, nothing run, the stack as it was.
TEST_F(ScriptHostTest, AFileThatCannotRunLogsWhyAndLeavesTheStack) {
    TempDir temp;
    FsMgr* folder = DirMgr(nullptr, temp.path().c_str(), nullptr);
    const std::string good = CompileToCnut(v, "x <- 1;", "x.nut");
    ASSERT_GT(good.size(), 30u);
    auto patched = [&good](size_t at, char value) { std::string bytes = good; return bytes[at] = value, bytes; };
    const std::string foreign = "\" was compiled by another Squirrel build (";
    struct Case { const char* name; std::string bytes; std::vector<std::string> lines; bool exists = true; };
    const std::vector<Case> cases = {
        {"bad.nut", "local a = 1;\n\nlocal b = a +;\n", {"Compile Error:\n  bad.nut (3)\n  expression expected"}},
        {"deep.nut", "function Inner(x) {\n  return x.missing;\n}\nfunction Outer() { local r = Inner({}); return r; }\n"
                     "Outer();\n",
         {"Error: script: the index 'missing' does not exist", "  at Inner (deep.nut:2)", "  at Outer (deep.nut:4)",
          "  at main (deep.nut:5)"}},
        {"nul.nut", std::string("first <- 1;\0second <- 2;", 24),
         {"Error: \"nul.nut\" holds a NUL byte at offset 11; not loaded"}},
        {"nope.nut", "", {"Error: Failed to open \"nope.nut\""}, false},
        {"w32.cnut", patched(10, 4),  // the integer size a 32-bit build writes
         {"Error: \"w32.cnut" + foreign + "1-byte characters, 4-byte integers, 4-byte floats; this one uses 1, 8 and 4)"}},
        {"magic.cnut", patched(0, 'X'), {"Error: \"magic.cnut\" is not a compiled script"}},
        {"empty.cnut", "", {"Error: \"empty.cnut\" is not a usable compiled script: data ends early at byte 0"}},
        {"cut.cnut", good.substr(0, good.size() - 5),
         {"Error: \"cut.cnut\" is not a usable compiled script: data ends early at byte " +
          std::to_string(good.size() - 12)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.exists) { ASSERT_TRUE(temp.Write(c.name, c.bytes)); }
        sq_pushinteger(v, 5);
        LogCapture log;
        EXPECT_EQ(DoScriptFile(nullptr, c.name, folder, nullptr), 0);
        EXPECT_EQ(log.Lines(), c.lines);
        EXPECT_EQ(sq_gettop(v), 1) << "the stack is left as it was";
        sq_pop(v, 1);
    }
    EXPECT_FALSE(Eval(v, "\"first\" in getroottable()").boolean) << "a source cut at its NUL byte ran";
    FsMgr::Release(folder);
}

TEST_F(ScriptHostTest, CallScriptFunctionReportsEachOutcome) {
    ASSERT_TRUE(RunSource(v, "calls <- 0; function Good() { calls++; }\nNotCallable <- 42;\n"
                             "Native <- std.rand;\nfunction Throws() {\n  throw \"boom\";\n}\n", "calls.nut").ok);
    struct Case { const char* name; int result; std::vector<std::string> lines; };
    const std::vector<Case> cases = {
        {"Good", 1, {}},
        {"Native", 1, {}},
        {"Missing", 0, {"Warning: script function \"Missing\" does not exist"}},
        {"Throws", 0, {"Error: script: boom", "  at Throws (calls.nut:5)"}},
        {"NotCallable", 0, {"Error: script: \"NotCallable\" is not a function"}},
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

// A compressed script damaged inside the pack fails by name instead of running what arrived.
TEST_F(ScriptHostTest, AScriptDamagedInAPackFailsByName) {
    std::string source = "ran <- true;\n";
    for (int i = 0; i < 200; ++i) source += "// padding line " + std::to_string(i) + "\n";
    std::vector<uint8_t> image;
    PackMgr* pack = OpenOneCompressedFilePack("main.nut", source, &image);
    ASSERT_NE(pack, nullptr);
    const PackFile* entry = FindPackEntry(pack, "/main.nut");
    ASSERT_TRUE(entry != nullptr && entry->storedSize < entry->unpackedSize);
    const uint32_t damaged[] = {entry->storedSize - 1, entry->storedSize / 2};  // the checksum, the middle
    for (uint32_t at : damaged) {
        image[entry->dataOffset + at] ^= 0x40;
        ASSERT_TRUE(RunSource(v, "ran <- false;").ok);
        LogCapture log;
        EXPECT_EQ(LoadScriptFile(v, "main.nut", pack, nullptr), 0) << at;
        EXPECT_EQ(DoScriptFile(v, "main.nut", pack, nullptr), 0) << at;
        EXPECT_FALSE(Eval(v, "ran").boolean);
        EXPECT_TRUE(log.Contains("read \"main.nut\"")) << at;
        EXPECT_EQ(LoadTextFile(pack, "main.nut", nullptr, nullptr), nullptr);
        image[entry->dataOffset + at] ^= 0x40;
    }
    EXPECT_EQ(DoScriptFile(v, "main.nut", pack, nullptr), 1);
    EXPECT_TRUE(Eval(v, "ran").boolean);
    FsMgr::Release(pack);
}

// Parts of the closure stream the sample game's scripts may not use.
const char* const kSources[] = {
    "",
    "class Point { x = 0; y = 0; constructor(a, b) { x = a; y = b; } function Sum() { return x + y; } }\n"
    "return Point(2, 3).Sum();",
    "function gen() { for (local i = 0; i < 3; i++) yield i; } local s = 0; foreach (v in gen()) s += v; "
    "return s;",
    "function va(...) { return vargv.len(); } return va(1, 2, 3);",
    "enum Colour { Red = 0xFF0000FF, Green = 2 } const Limit = 9; return Colour.Red + Limit;",
    "try { throw \"x\"; } catch (e) { return e + \"\\x00tail\"; }",
    "local t = { a = [1, 2, { b = \"日本\" }] }; return t.a[2].b;",
};

bool Check(std::string bytes, const char* name = "t.cnut") {
    Stream* stream = MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
    bool ok = CheckCompiledScript(stream, name);
    EXPECT_EQ(stream->Tell(), 0u);
    stream->Release();
    return ok;
}

std::string NestedFunctions(int depth) {
    std::string source;
    for (int i = 0; i < depth; ++i) source += "local f" + std::to_string(i) + " = function() {\n";
    source += "return 1;\n";
    for (int i = depth - 1; i >= 0; --i) source += "}; return f" + std::to_string(i) + "();\n";
    return source;
}

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
    auto text = [&](const std::string& s) { put(uint32_t{OT_STRING}), put(SQInteger(s.size())), out += s; };
    put(uint16_t{0xFAFA});
    for (uint32_t word : {0x53514952u, uint32_t{sizeof(SQChar)}, uint32_t{sizeof(SQInteger)}, uint32_t{sizeof(SQFloat)}, kPart})
        put(word);
    text("made.nut"), text("main"), put(kPart);
    for (size_t count : {size_t{0}, size_t(f.parameters), size_t{0}, size_t{0}, size_t{0}, f.defaults.size(),
                         f.opcodes.size(), size_t{0}})
        put(static_cast<SQInteger>(count));
    put(kPart), put(kPart);  // no literals
    for (SQInteger i = 0; i < f.parameters; ++i) text("p" + std::to_string(i));
    for (int empty = 0; empty < 4; ++empty) put(kPart);  // outer values, locals, line infos
    for (SQInteger value : f.defaults) put(value);
    put(kPart);
    for (uint8_t op : f.opcodes) put(uint64_t{0xFF} << 40 | uint64_t{op} << 32);  // arg0 0xFF: no value
    put(kPart), put(f.stackSize), put(uint8_t{0}), put(f.varParams), put(0x5441494Cu);
    return out;
}

using CnutCheckTest = ScriptTest;

TEST_F(CnutCheckTest, EverythingThisBuildWritesPasses) {
    std::vector<std::string> sources(std::begin(kSources), std::end(kSources));
    sources.push_back(NestedFunctions(64));  // the deepest nesting taken
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        std::string bytes = CompileToCnut(v, source, "round.nut");
        ASSERT_FALSE(bytes.empty());
        LogCapture log;
        EXPECT_TRUE(Check(bytes));
        EXPECT_EQ(log.Count(), 0u);
    }
    EXPECT_TRUE(Check(Closure({})) && Check(Closure({256, std::vector<SQInteger>(256, 255), 256})));  // and at the limits
}

TEST_F(CnutCheckTest, DamagedStreamsAreRefusedWithTheirFault) {
    std::string bytes = CompileToCnut(v, "local s = \"abc\"; return s;", "d.nut");
    // Source-name length at 26, name type at 39, the eight counts from 59.
    ASSERT_EQ(bytes.compare(18, 4, "TRAP"), 0);
    ASSERT_EQ(bytes.compare(34, 5, "d.nut"), 0);
    auto withInteger = [&](size_t at, int64_t value) {
        std::string damaged = bytes;
        return memcpy(&damaged[at], &value, sizeof value), damaged;
    };
    const char* const tooMany = "a function has more parameters or defaults than it can hold";
    struct Case { const char* what; std::string bytes; const char* fault; };
    const std::vector<Case> cases = {
        {"huge string length", withInteger(26, INT64_MAX), "a string is longer than the data"},
        {"negative string length", withInteger(26, -1), "a string is longer than the data"},
        {"huge literal count", withInteger(59, int64_t{1} << 40), "a count is larger than the data"},
        {"huge count, then a tail", withInteger(59, int64_t{1} << 40).substr(0, 67) + "LIAT",
         "a count is larger than the data"},
        {"negative parameter count", withInteger(67, -3), "a count is larger than the data"},
        {"huge instruction count", withInteger(107, INT64_MAX / 8), "a count is larger than the data"},
        {"unknown object type", withInteger(39, 0x00008000), "an object has an unknown type"},
        {"stack size 257", withInteger(bytes.size() - 21, 257),
         "a function's frame description is invalid"},
        {"generator flag 2", withInteger(bytes.size() - 13, 2), "a function's frame description is invalid"},
        {"data after the end", bytes + "X", "data follows the end"},
        {"deep nesting", CompileToCnut(v, NestedFunctions(65), "nest.nut"), "functions are nested too deeply"},
        {"many parameters", Closure({257, {}, 257}), tooMany},
        {"more defaults", Closure({2, {1, 1, 1}, 4}), tooMany},
        {"far default", Closure({2, {256}, 4}), "a default value lies outside the frame"},
        {"no code", Closure({1, {}, 2, {}}), "a function has no instructions"},
        {"runs off", Closure({1, {}, 2, {kReturn, kLine}}), "a function does not end with a return"},
        {"var-params flag 2", Closure({1, {}, 2, {kReturn}, 2}), "a function's frame description is invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_FALSE(Check(c.bytes));
        ASSERT_EQ(log.Count(), 1u);
        EXPECT_TRUE(log.Contains(c.fault)) << log.Lines()[0];
    }
}

// Every truncation is refused; a stream that passes with a damaged code byte still loads without a crash.
TEST_F(CnutCheckTest, NoTruncationOrSingleByteDamageCrashesTheLoad) {
    std::string bytes = CompileToCnut(v, kSources[1], "m.nut");
    for (size_t length = 0; length < bytes.size(); ++length) {
        LogCapture log;
        ASSERT_FALSE(Check(bytes.substr(0, length))) << "length " << length;
        ASSERT_EQ(log.Count(), 1u) << "length " << length;
    }
    // A wrong section tag refuses the stream even when the tail follows it at once.
    const std::string tagged = Closure({});
    for (size_t at = tagged.find("TRAP"); at != std::string::npos; at = tagged.find("TRAP", at + 1)) {
        LogCapture log;
        EXPECT_FALSE(Check(tagged.substr(0, at) + "PARTLIAT")) << "tag at " << at;
        EXPECT_TRUE(log.Contains("a section tag is wrong")) << "tag at " << at;
    }
    const unsigned char values[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    struct Reader { const std::string* bytes; size_t at; };
    auto read = [](SQUserPointer user, SQUserPointer buffer, SQInteger size) -> SQInteger {
        auto* r = static_cast<Reader*>(user);
        if (size <= 0 || size_t(size) > r->bytes->size() - r->at) return 0;
        memcpy(buffer, r->bytes->data() + r->at, size_t(size));
        return r->at += size_t(size), size;
    };
    size_t passed = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (unsigned char value : values) {
            if (static_cast<unsigned char>(bytes[at]) == value) continue;
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(value);
            LogCapture quiet;
            if (!Check(damaged)) continue;
            Reader reader{&damaged, 0};
            passed += SQ_SUCCEEDED(sq_readclosure(v, read, &reader));  // what the host does next
            sq_settop(v, 0);
        }
    }
    EXPECT_GT(passed, 0u);
}

TEST(ScriptMemoryTest, AFailedResizeKeepsTheOldBlock) {
    TrackingAllocator allocator;
    SetScriptVMAllocator(&allocator);
    auto* block = static_cast<unsigned char*>(sq_vm_malloc(40));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 40; ++i) block[i] = static_cast<unsigned char>(i);
    allocator.limit = 256;
    EXPECT_EQ(sq_vm_realloc(block, 40, 4096), nullptr);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(block[i], i) << "the old block changed at " << i;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
    sq_vm_free(block, 40);
    sq_vm_free(nullptr, 0);
    EXPECT_TRUE(allocator.live.empty() && allocator.badFrees == 0);
    SetScriptVMAllocator(nullptr);
}

TEST_F(ScriptHostTest, PrintWritesOneLinePerCallCutAt1023Characters) {
    LogCapture log;
    ASSERT_TRUE(RunSource(v, "print(\"hello\"); error(\"oops\"); local s = \"\";"
                             "for (local i = 0; i < 2000; i++) s += \"a\"; print(s);").ok);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"hello", "oops", std::string(1023, 'a')}));
}

TEST(ScriptWithoutVMTest, LoadingAndCallingWithoutAVMFailCleanly) {
    ASSERT_EQ(GetScriptVM(), nullptr);
    LogCapture log;
    EXPECT_TRUE(DoScriptFile(nullptr, "x.nut", nullptr, nullptr) == 0 && CallScriptFunction(nullptr, "AppUpdate") == 0);
    EXPECT_EQ(log.Count(), 1u);
    CloseScriptVM();
}

class EngineTablesTest : public ScriptTest {
    void SetUp() override { ScriptTest::SetUp(); RegisterScriptInterfaces(); }
};

TEST_F(EngineTablesTest, RandRangeStaysInsideItsBoundsAndWrongCallsAreRefused) {
    RandomSeed(nullptr, 7);
    std::set<SQInteger> seen;
    ASSERT_TRUE(RunSource(v, "draws <- []; for (local i = 0; i < 400; i++) draws.append(Utl.RandRange(3, 7));").ok);
    for (SQInteger i = 0; i < 400; ++i) seen.insert(Eval(v, "draws[" + std::to_string(i) + "]").integer);
    EXPECT_EQ(seen, (std::set<SQInteger>{3, 4, 5, 6}));

    struct Case { const char* call; SQInteger low, high; };  // inclusive
    const Case cases[] = {
        {"Utl.RandRange(5, 5)", 5, 5},            // empty range: the lower bound, no division by zero
        {"Utl.RandRange(9, 2)", 9, 9},            // reversed range: the lower bound
        {"Utl.RandRange(3.9, 7.2)", 3, 6},        // bounds read as integers
        {"Utl.RandRange(0x100000003, 7)", 3, 6},  // only the low 32 bits of a bound count
        {"Utl.RandRange(-2147483648, 2147483647)", -2147483648LL, 2147483646},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 50; ++i) {
            EvalResult r = Eval(v, c.call);
            ASSERT_TRUE(r.ok) << c.call;
            ASSERT_GE(r.integer, c.low) << c.call;
            ASSERT_LE(r.integer, c.high) << c.call;
        }
    }
    const char* const calls[] = {"Utl.RandRange(1)", "Utl.RandRange(\"a\", 2)", "Utl.EasingOut(1, 2, 3, 4, \"x\")",
                                 "Utl.MovieStop(\"now\")", "Sys.Exit(\"3\")"};
    for (const char* call : calls) {
        LogCapture log;
        EXPECT_FALSE(Eval(v, call).ok) << call;
        EXPECT_GE(log.Count(), 1u) << call;
    }
}

}  // namespace
