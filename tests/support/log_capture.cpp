#include "tests/support/log_capture.h"

LogCapture::LogCapture() {
    previous_ = SetDebugSink([this](const char* text) {
        std::string line = text;
        if (!line.empty() && line.back() == '\n') line.pop_back();
        std::lock_guard<std::mutex> hold(mutex_);
        lines_.push_back(std::move(line));
    });
}

LogCapture::~LogCapture() { SetDebugSink(std::move(previous_)); }

std::vector<std::string> LogCapture::Lines() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return lines_;
}

bool LogCapture::Has(const std::string& line) const {
    std::lock_guard<std::mutex> hold(mutex_);
    for (const auto& l : lines_) {
        if (l == line) return true;
    }
    return false;
}

bool LogCapture::Contains(const std::string& fragment) const {
    std::lock_guard<std::mutex> hold(mutex_);
    for (const auto& l : lines_) {
        if (l.find(fragment) != std::string::npos) return true;
    }
    return false;
}

size_t LogCapture::Count() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return lines_.size();
}

void LogCapture::Clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    lines_.clear();
}
