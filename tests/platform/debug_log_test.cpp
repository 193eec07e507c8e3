// The debug log: exact lines, the prefixed forms, the length cut, and whole
// lines on stderr when several threads log at once.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/debug_log.h"
#include "platform/threads.h"
#include "tests/support/temp_dir.h"

namespace {

// The raw texts handed to the sink, newline included, while `log` runs.
std::vector<std::string> SinkCalls(const std::function<void()>& log) {
    std::vector<std::string> calls;
    DebugSink previous = SetDebugSink([&calls](const char* text) { calls.emplace_back(text); });
    log();
    SetDebugSink(std::move(previous));
    return calls;
}

TEST(DebugLog, ExactPrefixedLinesCutSoTheNewlineFits) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] { DebugPrint("Vender: %s", "Mesa"); }, "Vender: Mesa"},
        {[] { DebugPrint("U:%05d, R:%05d", 7, 123); }, "U:00007, R:00123"},
        {[] { LogError("open \"%s\"", "script/x.nut"); }, "Error: open \"script/x.nut\""},
        {[] { LogWarning("%d unused", 3); }, "Warning: 3 unused"},
        {[] { LogFailed("create multisample frame buffer."); }, "Error: Failed to create multisample frame buffer."},
        {[] { DebugPrint("%s", ""); }, ""},
        {[] { LogError("%s", "100%d"); }, "Error: 100%d"}};
    for (const auto& c : cases) EXPECT_EQ(SinkCalls(c.first), std::vector<std::string>{c.second + "\n"});
    // The line, "\n" and the terminator fit 1024 bytes: at most 1022 characters
    // before the newline, prefix included.
    const std::pair<std::function<void(const char*)>, std::string> cuts[] = {
        {[](const char* s) { DebugPrint("%s", s); }, ""},
        {[](const char* s) { LogError("%s", s); }, "Error: "},
        {[](const char* s) { LogWarning("%s", s); }, "Warning: "},
        {[](const char* s) { LogFailed("%s", s); }, "Error: Failed to "}};
    for (const auto& c : cuts) {
        const size_t room = 1022 - c.second.size();
        for (size_t length : {room - 1, room, room + 1, size_t{1023}, size_t{1024}, size_t{5000}}) {
            std::string text = "a" + std::string(length - 1, 'x');
            EXPECT_EQ(SinkCalls([&] { c.first(text.c_str()); }),
                      std::vector<std::string>{c.second + text.substr(0, std::min(length, room)) + "\n"})
                << c.second << length;
        }
    }
}

constexpr int kLoggingThreads = 8, kLinesPerThread = 400;

// Lengths up to about 1000 bytes, so writes are large enough to interleave.
std::string Payload(int thread, int line) {
    return std::string(static_cast<size_t>((thread * 131 + line * 37) % 1000), static_cast<char>('a' + thread));
}

void LogManyLines(void* argument) {
    int thread = static_cast<int>(reinterpret_cast<intptr_t>(argument));
    for (int line = 0; line < kLinesPerThread; ++line) {
        if (line % 2) LogWarning("T%d L%d %s", thread, line, Payload(thread, line).c_str());
        else DebugPrint("Warning: T%d L%d %s", thread, line, Payload(thread, line).c_str());
    }
}

// With no sink the log writes to stderr, here pointed at a file.
TEST(DebugLog, ConcurrentLinesStayWholeOnStderr) {
    TempDir temp;
    DebugSink previous = SetDebugSink(nullptr);
    int saved = dup(STDERR_FILENO);
    int fd = open(temp.File("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_TRUE(saved >= 0 && fd >= 0 && dup2(fd, STDERR_FILENO) >= 0);
    close(fd);
    ThreadRecord threads[kLoggingThreads];
    for (int t = 0; t < kLoggingThreads; ++t)
        ASSERT_TRUE(StartThread(&threads[t], LogManyLines, reinterpret_cast<void*>(static_cast<intptr_t>(t)), 0));
    for (auto& thread : threads) JoinThread(&thread);
    dup2(saved, STDERR_FILENO);
    close(saved);
    SetDebugSink(std::move(previous));
    std::istringstream lines(temp.Read("stderr.txt"));
    int nextLine[kLoggingThreads] = {}, count = 0;  // per thread, lines also keep their order
    for (std::string line; std::getline(lines, line); ++count) {
        int thread = -1, number = -1, consumed = 0;
        ASSERT_EQ(2, sscanf(line.c_str(), "Warning: T%d L%d %n", &thread, &number, &consumed)) << line.substr(0, 80);
        ASSERT_TRUE(thread >= 0 && thread < kLoggingThreads) << line.substr(0, 80);
        EXPECT_EQ(nextLine[thread]++, number);
        EXPECT_EQ(Payload(thread, number), line.substr(static_cast<size_t>(consumed))) << "T" << thread << " L" << number;
    }
    EXPECT_EQ(kLoggingThreads * kLinesPerThread, count);
}

}  // namespace
