// The debug log: exact lines, the prefixed forms, the length cut, and whole
// lines on stderr when several threads log at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/debug_log.h"
#include "platform/threads.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

// Records the raw text handed to the sink, newline included.
class RawSink {
public:
    RawSink() {
        previous_ = SetDebugSink([this](const char* text) { calls_.emplace_back(text); });
    }
    ~RawSink() { SetDebugSink(std::move(previous_)); }
    const std::vector<std::string>& calls() const { return calls_; }

private:
    std::vector<std::string> calls_;
    DebugSink previous_;
};

struct LineCase {
    const char* name;
    std::function<void()> log;
    std::string expected;
};

TEST(DebugLog, WritesExactPrefixedLines) {
    const LineCase cases[] = {
        {"plain", [] { DebugPrint("Vender: %s", "Mesa"); }, "Vender: Mesa"},
        {"number", [] { DebugPrint("U:%05d, R:%05d", 7, 123); }, "U:00007, R:00123"},
        {"error", [] { LogError("open \"%s\"", "script/x.nut"); }, "Error: open \"script/x.nut\""},
        {"warning", [] { LogWarning("%d unused", 3); }, "Warning: 3 unused"},
        {"failed", [] { LogFailed("create multisample frame buffer."); },
         "Error: Failed to create multisample frame buffer."},
        {"empty", [] { DebugPrint("%s", ""); }, ""},
        {"percent", [] { LogError("%s", "100%d"); }, "Error: 100%d"},
    };
    for (const LineCase& c : cases) {
        RawSink sink;
        c.log();
        ASSERT_EQ(1u, sink.calls().size()) << c.name;
        EXPECT_EQ(c.expected + "\n", sink.calls()[0]) << c.name;
    }
}

struct CutCase {
    const char* name;
    std::function<void(const std::string&)> log;
    std::string prefix;
};

// The line, "\n" and the terminator fit 1024 bytes: at most 1022 characters
// before the newline, prefix included.
TEST(DebugLog, LongTextIsCutSoTheNewlineFits) {
    const CutCase cases[] = {
        {"DebugPrint", [](const std::string& s) { DebugPrint("%s", s.c_str()); }, ""},
        {"LogError", [](const std::string& s) { LogError("%s", s.c_str()); }, "Error: "},
        {"LogWarning", [](const std::string& s) { LogWarning("%s", s.c_str()); }, "Warning: "},
        {"LogFailed", [](const std::string& s) { LogFailed("%s", s.c_str()); }, "Error: Failed to "},
    };
    const size_t kMaxLine = 1022;
    for (const CutCase& c : cases) {
        const size_t room = kMaxLine - c.prefix.size();
        for (size_t length : {room - 1, room, room + 1, size_t{1023}, size_t{1024}, size_t{5000}}) {
            std::string text(length, 'x');
            text[0] = 'a';
            RawSink sink;
            c.log(text);
            ASSERT_EQ(1u, sink.calls().size()) << c.name << " " << length;
            std::string expected = c.prefix + text.substr(0, std::min(length, room)) + "\n";
            EXPECT_EQ(expected, sink.calls()[0]) << c.name << " " << length;
        }
    }
}

// --- several threads writing to stderr -----------------------------------------

// Points stderr at a file for as long as it lives; the log writes there with no sink.
class StderrToFile {
public:
    explicit StderrToFile(const std::string& path) {
        previousSink_ = SetDebugSink(nullptr);
        saved_ = dup(STDERR_FILENO);
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ok_ = saved_ >= 0 && fd >= 0 && dup2(fd, STDERR_FILENO) >= 0;
        if (fd >= 0) close(fd);
    }
    ~StderrToFile() {
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
        SetDebugSink(std::move(previousSink_));
    }
    bool ok() const { return ok_; }

private:
    DebugSink previousSink_;
    int saved_ = -1;
    bool ok_ = false;
};

constexpr int kLoggingThreads = 8;
constexpr int kLinesPerThread = 400;

std::string Payload(int thread, int line) {
    // Lengths up to about 1000 bytes, so writes are large enough to interleave.
    return std::string(static_cast<size_t>((thread * 131 + line * 37) % 1000), static_cast<char>('a' + thread));
}

void LogManyLines(void* argument) {
    int thread = static_cast<int>(reinterpret_cast<intptr_t>(argument));
    for (int line = 0; line < kLinesPerThread; ++line) {
        if (line % 2) {
            LogWarning("T%d L%d %s", thread, line, Payload(thread, line).c_str());
        } else {
            DebugPrint("Warning: T%d L%d %s", thread, line, Payload(thread, line).c_str());
        }
    }
}

TEST(DebugLog, ConcurrentLinesStayWholeOnStderr) {
    TempDir temp;
    {
        StderrToFile redirect(temp.File("stderr.txt"));
        ASSERT_TRUE(redirect.ok());
        ThreadRecord threads[kLoggingThreads];
        for (int t = 0; t < kLoggingThreads; ++t) {
            ASSERT_TRUE(StartThread(&threads[t], LogManyLines, reinterpret_cast<void*>(static_cast<intptr_t>(t)), 0));
        }
        for (auto& thread : threads) JoinThread(&thread);
    }
    std::istringstream lines(temp.Read("stderr.txt"));
    std::map<int, int> nextLine;  // per thread, lines must also keep their order
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        int thread = -1, number = -1, consumed = 0;
        ASSERT_EQ(2, sscanf(line.c_str(), "Warning: T%d L%d %n", &thread, &number, &consumed)) << line.substr(0, 80);
        ASSERT_TRUE(thread >= 0 && thread < kLoggingThreads) << line.substr(0, 80);
        EXPECT_EQ(nextLine[thread], number);
        nextLine[thread] = number + 1;
        EXPECT_EQ(Payload(thread, number), line.substr(static_cast<size_t>(consumed))) << "T" << thread << " L" << number;
        ++count;
    }
    EXPECT_EQ(kLoggingThreads * kLinesPerThread, count);
}

}  // namespace
