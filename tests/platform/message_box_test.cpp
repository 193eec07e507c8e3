// Message boxes: one log line always, and the presenter (the on-screen dialog)
// when one is installed. No real dialog is opened here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "tests/support/log_capture.h"

namespace {

struct Shown {
    std::string text;
    std::string caption;
    int kind;
};

// Installs a presenter that records what it was asked to show.
class RecordingPresenter {
public:
    explicit RecordingPresenter(bool result) {
        previous_ = SetMessageBoxPresenter([this, result](const char* text, const char* caption, int kind) {
            shown_.push_back({text, caption, kind});
            return result;
        });
    }
    ~RecordingPresenter() { SetMessageBoxPresenter(std::move(previous_)); }
    const std::vector<Shown>& shown() const { return shown_; }

private:
    std::vector<Shown> shown_;
    MessageBoxPresenter previous_;
};

struct BoxCase {
    const char* text;
    const char* caption;
    int kind;
    const char* logLine;
};

const BoxCase kBoxCases[] = {
    {"Initialization error.", "Error", kMessageBoxError, "[error] Error: Initialization error."},
    {"Saved.", "Quillmoor", kMessageBoxInformation, "[information] Quillmoor: Saved."},
    {"Low memory", "Warning", kMessageBoxWarning, "[warning] Warning: Low memory"},
    {"Quit?", "Question", kMessageBoxQuestion, "[question] Question: Quit?"},
    {"Plain", "Box", kMessageBoxPlain, "[message] Box: Plain"},
    {"Odd kind", "Box", 9, "[message] Box: Odd kind"},
    {"Line one\nline two\r\n", "Two\nlines", kMessageBoxError, "[error] Two lines: Line one line two  "},
};

TEST(MessageBox, LogsOneLineAndCallsThePresenter) {
    for (bool presenterShows : {true, false}) {
        for (const BoxCase& c : kBoxCases) {
            LogCapture log;
            RecordingPresenter presenter(presenterShows);
            ShowMessageBox(c.text, c.caption, c.kind);
            EXPECT_EQ(std::vector<std::string>{c.logLine}, log.Lines()) << c.text;
            ASSERT_EQ(1u, presenter.shown().size()) << c.text;
            // The dialog gets the text as it was given, line breaks and all.
            EXPECT_EQ(c.text, presenter.shown()[0].text);
            EXPECT_EQ(c.caption, presenter.shown()[0].caption);
            EXPECT_EQ(c.kind, presenter.shown()[0].kind);
        }
    }
}

}  // namespace
