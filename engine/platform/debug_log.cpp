// The debug log: formatted lines to stderr, or to a sink that tests install.
#include "platform/debug_log.h"

#include <cerrno>
#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

constexpr size_t kLineBufferSize = 1024;
constexpr size_t kPlaceBufferSize = 160;

std::atomic<LogPlaceFunction> g_place{nullptr};

// Never destroyed: objects torn down at exit may still log on their way out.
std::mutex& SinkMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

DebugSink& Sink() {
    static auto* sink = new DebugSink;
    return *sink;
}

void WriteToStderr(const char* text) {
    // One write per line keeps lines whole when several threads log at once.
    size_t length = strlen(text);
    while (length > 0) {
        ssize_t written = write(STDERR_FILENO, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

// Formats the caller's text, puts the prefix in front (and, for errors and
// warnings raised while a script runs, the script's place behind) and writes
// one line; the line is cut so that "\n" and the terminator still fit in
// kLineBufferSize.
void PrintLine(const char* prefix, const char* format, va_list args) {
    char text[kLineBufferSize];
    if (vsnprintf(text, sizeof text, format, args) < 0) text[0] = '\0';
    char place[kPlaceBufferSize] = "";
    LogPlaceFunction where = g_place.load();
    if (prefix[0] != '\0' && where != nullptr) {
        char found[kPlaceBufferSize - 4];
        if (where(found, sizeof found)) snprintf(place, sizeof place, " (%s)", found);
    }
    char line[kLineBufferSize];
    size_t length = strlen(prefix);
    memcpy(line, prefix, length);
    size_t placeLength = strlen(place);
    size_t textLength = std::min(strlen(text), kLineBufferSize - 2 - length - placeLength);
    memcpy(line + length, text, textLength);
    length += textLength;
    memcpy(line + length, place, placeLength);
    length += placeLength;
    line[length] = '\n';
    line[length + 1] = '\0';
    DebugOutput(line);
}

}  // namespace

void DebugOutput(const char* text) {
    if (text == nullptr) return;
    std::lock_guard<std::mutex> hold(SinkMutex());
    if (Sink()) {
        Sink()(text);
    } else {
        WriteToStderr(text);
    }
}

void SetLogPlace(LogPlaceFunction place) { g_place.store(place); }

DebugSink SetDebugSink(DebugSink sink) {
    std::lock_guard<std::mutex> hold(SinkMutex());
    DebugSink old = std::move(Sink());
    Sink() = std::move(sink);
    return old;
}

void DebugPrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintLine("", format, args);
    va_end(args);
}

void LogError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintLine("Error: ", format, args);
    va_end(args);
}

void LogWarning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintLine("Warning: ", format, args);
    va_end(args);
}

void LogFailed(const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintLine("Error: Failed to ", format, args);
    va_end(args);
}
