// Records every debug-log line written while it lives: which lines a failure produced.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/debug_log.h"

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The lines without their trailing newline.
    std::vector<std::string> Lines() const;
    // True when some line equals `line` exactly.
    bool Has(const std::string& line) const;
    // True when some line contains `fragment`.
    bool Contains(const std::string& fragment) const;
    size_t Count() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    DebugSink previous_;
};
