// Start-up and fatal-error messages. Every box is also written to the debug
// log; with a display a modal dialog shows it (the dialog toolkit is installed
// by the program through SetMessageBoxPresenter, so tools and tests need none).
#pragma once

#include <functional>

enum MessageBoxKind : int {
    kMessageBoxPlain = 0,
    kMessageBoxInformation = 1,
    kMessageBoxWarning = 2,
    kMessageBoxError = 3,
    kMessageBoxQuestion = 4,
};

void ShowMessageBox(const char* text, const char* caption, int kind);

// Shows a box on screen; returns false when it could not (no display).
using MessageBoxPresenter = std::function<bool(const char* text, const char* caption, int kind)>;
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The GTK presenter (in the qm_dialogs library).
bool ShowGtkMessageBox(const char* text, const char* caption, int kind);
