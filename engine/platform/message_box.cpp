// Message boxes: always a log line, and a dialog when a presenter can show one.
#include "platform/message_box.h"

#include <mutex>
#include <string>

#include "platform/debug_log.h"

namespace {

const char* KindName(int kind) {
    switch (kind) {
        case kMessageBoxInformation: return "information";
        case kMessageBoxWarning: return "warning";
        case kMessageBoxError: return "error";
        case kMessageBoxQuestion: return "question";
        default: return "message";
    }
}

// Never destroyed, like the log: a fatal box may come while the program exits.
std::mutex& PresenterMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

MessageBoxPresenter& Presenter() {
    static auto* presenter = new MessageBoxPresenter;
    return *presenter;
}

// The log is read line by line, so the box's own line breaks become spaces.
std::string OneLine(const char* text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

}  // namespace

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    std::lock_guard<std::mutex> hold(PresenterMutex());
    MessageBoxPresenter old = std::move(Presenter());
    Presenter() = std::move(presenter);
    return old;
}

void ShowMessageBox(const char* text, const char* caption, int kind) {
    if (text == nullptr) text = "";
    if (caption == nullptr) caption = "";
    DebugPrint("[%s] %s: %s", KindName(kind), OneLine(caption).c_str(), OneLine(text).c_str());
    MessageBoxPresenter presenter;
    {
        std::lock_guard<std::mutex> hold(PresenterMutex());
        presenter = Presenter();
    }
    if (presenter) presenter(text, caption, kind);
}
