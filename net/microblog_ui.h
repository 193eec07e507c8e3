// What the micro-blog dialogs' logic talks to: the dialogs themselves, the
// way back into their event loop from another thread, and the service. The
// program uses the GTK dialogs and the built-in host; tests replace any of them.
#pragma once

#include <functional>
#include <string>

#include "net/microblog_api.h"

struct MicroblogUi {
    std::function<bool(std::string* pin)> askPin;
    std::function<bool(const std::string& prefill, std::string* text, bool* attachScreenshot)> editPost;
    std::function<void(std::function<void()> task)> toDialogLoop;  // callable from any thread
    MicroblogService service;
};

// The one in use; starts with the GTK dialogs and MicroblogService::BuiltIn().
MicroblogUi& CurrentMicroblogUi();
