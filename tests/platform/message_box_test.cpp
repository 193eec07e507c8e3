// Message boxes: one log line always, and the presenter (the on-screen dialog)
// when one is installed. No real dialog is opened here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "tests/support/log_capture.h"

namespace {

TEST(MessageBox, LogsOneLineAndCallsThePresenter) {
    const struct { const char *text, *caption; int kind; const char* logLine; } cases[] = {
        {"Initialization error.", "Error", kMessageBoxError, "[error] Error: Initialization error."},
        {"Saved.", "Quillmoor", kMessageBoxInformation, "[information] Quillmoor: Saved."},
        {"Low memory", "Warning", kMessageBoxWarning, "[warning] Warning: Low memory"},
        {"Quit?", "Question", kMessageBoxQuestion, "[question] Question: Quit?"},
        {"Plain", "Box", kMessageBoxPlain, "[message] Box: Plain"},
        {"Odd kind", "Box", 9, "[message] Box: Odd kind"},
        {"Line one\nline two\r\n", "Two\nlines", kMessageBoxError, "[error] Two lines: Line one line two  "},
    };
    for (bool presenterShows : {true, false}) {
        for (const auto& c : cases) {
            std::vector<std::string> shown;
            MessageBoxPresenter previous = SetMessageBoxPresenter([&](const char* text, const char* caption, int kind) {
                shown.push_back(std::string(text) + "|" + caption + "|" + std::to_string(kind));
                return presenterShows;
            });
            LogCapture log;
            ShowMessageBox(c.text, c.caption, c.kind);
            SetMessageBoxPresenter(std::move(previous));
            EXPECT_EQ(std::vector<std::string>{c.logLine}, log.Lines()) << c.text;
            // The dialog gets the text as it was given, line breaks and all.
            EXPECT_EQ(shown, std::vector<std::string>{std::string(c.text) + "|" + c.caption + "|" + std::to_string(c.kind)});
        }
    }
}

}  // namespace
