// The launcher's account link and the default dialogs behind it.
#include "net/microblog_auth.h"

#include <cstring>

#include "core/text_utf.h"
#include "net/microblog_ui.h"
#include "net/oauth_credentials.h"
#include "platform/debug_log.h"
#include "platform/message_box.h"
#include "platform/microblog_dialogs.h"
#include "platform/url_opener.h"

namespace {

constexpr size_t kPinMaxBytes = 62;

}  // namespace

MicroblogUi& CurrentMicroblogUi() {
    static MicroblogUi* ui = [] {
        auto* made = new MicroblogUi;
        made->askPin = RunPinDialog;
        made->editPost = RunPostDialog;
        made->pumpEvents = PumpDialogEvents;
        made->service = MicroblogService::BuiltIn();
        return made;
    }();
    return *ui;
}

namespace MicroblogAuth {

int AskPin(void*, const char* authorizeUrl, char* pin) {
    // Whether a browser came up or not, the dialog lets the player go on
    // (or cancel); OpenUrl has logged any failure.
    OpenUrl(authorizeUrl);
    std::string text;
    if (!CurrentMicroblogUi().askPin || !CurrentMicroblogUi().askPin(&text)) return 0;
    size_t length = Utf8PrefixLength(text.data(), text.size(), kPinMaxBytes);
    memcpy(pin, text.data(), length);
    pin[length] = '\0';
    return 1;
}

bool Run(const std::function<void(const char* status)>& setStatus) {
    MicroblogUi& ui = CurrentMicroblogUi();
    OAuthCredentials& credentials = GetOAuthCredentials();
    if (!credentials.HasConsumerPair()) {
        ShowMessageBox("This build has no micro-blog consumer key (QM_MICROBLOG_CONSUMER_KEY).", "Microblog",
                       kMessageBoxWarning);
        return false;
    }
    setStatus(kStatusRunning);
    // Lets the label repaint before the requests block the main thread.
    if (ui.pumpEvents) ui.pumpEvents();
    bool linked = MicroblogApi::Authorize(&credentials, AskPin, nullptr, ui.service) == 1;
    setStatus(linked ? kStatusLinked : kStatusFailed);
    return linked;
}

}  // namespace MicroblogAuth
