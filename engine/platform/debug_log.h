// The program's only log: one line at a time to stderr, through a sink that
// tests can replace to see exactly which lines were written.
#pragma once

#include <cstddef>
#include <functional>

// Writes one finished line (it already ends in "\n").
void DebugOutput(const char* text);

// Formats into 1024 bytes and writes one line: at most 1022 characters of text
// and "\n", so the line and its terminator fit the buffer.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same behind "Error: ", "Warning: " and "Error: Failed to ".
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogFailed(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where in the program's own scripts the current thread is, for errors and
// warnings: writes text such as "main.nut:12" and returns true, or returns
// false when the thread runs no script. One function for the whole program
// (the script host installs it); null removes it.
using LogPlaceFunction = bool (*)(char* out, size_t size);
void SetLogPlace(LogPlaceFunction place);

// Replaces where lines go; an empty function restores stderr. Returns the old
// sink. The sink is called under the log's lock, one whole line per call, so it
// must not log itself.
using DebugSink = std::function<void(const char* line)>;
DebugSink SetDebugSink(DebugSink sink);
