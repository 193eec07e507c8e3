// The compiled-script check: everything this VM build writes passes, and no
// truncated or damaged stream reaches the VM in a form that crashes it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fs/stream.h"
#include "script/cnut_check.h"
#include "script/script_host.h"
#include "tests/script/script_test_util.h"
#include "tests/support/log_capture.h"

namespace {

// Scripts that exercise every part of the closure stream: literals of each
// type, parameters, defaults, outer values, locals, nested functions,
// classes, generators and variable arguments.
const char* const kSources[] = {
    "",
    "return 1;",
    "local a = 5, b = 2.5, c = true, d = null, e = \"text\"; return a + b;",
    "function f(x, y = 3, z = \"q\") { return x + y; } return f(1);",
    "local n = 10; local g = function() { return n * 2; }; return g();",
    "local k = 1; function outer() { local m = 2; return function() { return k + m; }; } return outer()();",
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

struct ByteReader {
    const std::string* bytes;
    size_t at;
};

SQInteger ReadBytes(SQUserPointer user, SQUserPointer buffer, SQInteger size) {
    auto* reader = static_cast<ByteReader*>(user);
    if (size <= 0 || static_cast<size_t>(size) > reader->bytes->size() - reader->at) return 0;
    memcpy(buffer, reader->bytes->data() + reader->at, static_cast<size_t>(size));
    reader->at += static_cast<size_t>(size);
    return size;
}

class CnutCheckTest : public ScriptTest {
protected:
    // What the host does with a file: check, then let the VM read it.
    bool CheckAndRead(const std::string& bytes) {
        LogCapture quiet;
        if (!Check(bytes)) return false;
        ByteReader reader{&bytes, 0};
        SQInteger top = sq_gettop(v);
        bool read = SQ_SUCCEEDED(sq_readclosure(v, ReadBytes, &reader));
        sq_settop(v, top);
        return read;
    }
};

TEST_F(CnutCheckTest, EverythingThisBuildWritesPassesAndRunsTheSame) {
    for (const char* source : kSources) {
        SCOPED_TRACE(source);
        std::string bytes = CompileToCnut(v, source, "round.nut");
        ASSERT_FALSE(bytes.empty());
        LogCapture log;
        EXPECT_TRUE(Check(bytes));
        EXPECT_EQ(log.Lines(), std::vector<std::string>{});
        EvalResult direct = RunSource(v, source);
        ByteReader reader{&bytes, 0};
        ASSERT_TRUE(SQ_SUCCEEDED(sq_readclosure(v, ReadBytes, &reader)));
        sq_pushroottable(v);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue)));
        EXPECT_EQ(sq_gettype(v, -1), direct.type);
        sq_settop(v, 0);
    }
}

TEST_F(CnutCheckTest, DamagedCountsAndLengthsNeverReachTheVM) {
    std::string bytes = CompileToCnut(v, "local s = \"abc\"; return s;", "d.nut");
    // Offsets in this stream: header 18 bytes, 'PART', the source name
    // (type, length at 26, 5 characters), the name (type at 39, length at 43,
    // "main"), 'PART' at 55, then the eight counts from 59.
    ASSERT_EQ(bytes.compare(18, 4, "TRAP"), 0);
    ASSERT_EQ(bytes.compare(34, 5, "d.nut"), 0);
    auto withInteger = [&](size_t at, int64_t value) {
        std::string damaged = bytes;
        memcpy(&damaged[at], &value, sizeof value);
        return damaged;
    };
    struct Case {
        const char* what;
        std::string bytes;
        const char* fault;
    };
    const std::vector<Case> cases = {
        {"huge string length", withInteger(26, INT64_MAX), "a string is longer than the data"},
        {"negative string length", withInteger(26, -1), "a string is longer than the data"},
        {"huge literal count", withInteger(59, int64_t{1} << 40), "a count is larger than the data"},
        {"negative parameter count", withInteger(67, -3), "a count is larger than the data"},
        {"huge instruction count", withInteger(107, INT64_MAX / 8), "a count is larger than the data"},
        {"unknown object type", withInteger(39, 0x00008000), "an object has an unknown type"},
        // The frame description sits before the tail: stack size, generator byte, var-params flag.
        {"huge stack size", withInteger(bytes.size() - 21, int64_t{1} << 40),
         "a function's frame description is invalid"},
        {"generator flag 2", withInteger(bytes.size() - 13, 2), "a function's frame description is invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        EXPECT_FALSE(Check(c.bytes));
        ASSERT_EQ(log.Count(), 1u);
        EXPECT_TRUE(log.Contains(c.fault)) << log.Lines()[0];
    }
}

// Every byte replaced by a few telling values: the check may pass a stream
// whose bytecode is wrong (that is code, not structure), but the VM must
// then read it without crashing; under the sanitizers this also proves no
// out-of-bounds access.
TEST_F(CnutCheckTest, NoSingleByteDamageCrashesTheLoad) {
    std::string bytes = CompileToCnut(v, kSources[6], "m.nut");
    const unsigned char values[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    size_t passed = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (unsigned char value : values) {
            if (static_cast<unsigned char>(bytes[at]) == value) continue;
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(value);
            if (CheckAndRead(damaged)) ++passed;
        }
    }
    EXPECT_EQ(sq_gettop(v), 0);
    // Damage in names, line numbers and instructions is not structural.
    EXPECT_GT(passed, 0u);
}

}  // namespace
