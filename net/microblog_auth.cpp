// The launcher's account link, step by step between the dialog loop and a
// request thread, and the default dialogs behind it.
#include "net/microblog_auth.h"

#include <cstring>
#include <memory>
#include <utility>

#include "core/text_utf.h"
#include "net/detached_work.h"
#include "net/http_cancel.h"
#include "net/microblog_ui.h"
#include "net/oauth_credentials.h"
#include "platform/debug_log.h"
#include "platform/dialog_toolkit.h"
#include "platform/message_box.h"
#include "platform/microblog_dialogs.h"
#include "platform/url_opener.h"

namespace {

constexpr size_t kPinMaxBytes = 62;

// One account link under way. Its fields belong to the dialog's thread: the
// request thread gets copies of what it needs and hands the reply back
// through the dialog loop, where a link that is over by then ignores it.
struct Link {
    MicroblogAuth::StatusSink setStatus;
    std::function<void()> ended;
    MicroblogService service;
    std::function<void(std::function<void()>)> toDialogLoop;
    std::shared_ptr<HttpCancel> cancel;  // of the request out, if any
    MicroblogApi::RequestToken request;
    bool over = false;
};
using LinkPtr = std::shared_ptr<Link>;
using ReplyStep = void (*)(const LinkPtr& link, const MicroblogApi::TokenReply& reply);

void Finish(const LinkPtr& link, bool linked, bool tell) {
    if (link->over) return;
    link->over = true;
    if (link->cancel) link->cancel->Cancel();
    // Taken out first: running them may drop what they hold on to.
    MicroblogAuth::StatusSink setStatus = std::exchange(link->setStatus, nullptr);
    std::function<void()> ended = std::exchange(link->ended, nullptr);
    if (!tell) return;
    setStatus(linked ? MicroblogAuth::kStatusLinked : MicroblogAuth::kStatusFailed);
    if (ended) ended();
}

// GETs `url` on a thread of its own; `next` gets the reply in the dialog loop.
bool Fetch(const LinkPtr& link, const std::string& url, ReplyStep next) {
    link->cancel = std::make_shared<HttpCancel>();
    HttpOptions options = link->service.http;
    options.cancel = link->cancel;
    return RunDetached("the micro-blog link", [link, url, options, toDialogLoop = link->toDialogLoop, next] {
        MicroblogApi::TokenReply reply = MicroblogApi::FetchTokenReply(url, options);
        toDialogLoop([link, reply, next] {
            if (!link->over) next(link, reply);
        });
    });
}

void OnAccessToken(const LinkPtr& link, const MicroblogApi::TokenReply& reply) {
    Finish(link, MicroblogApi::StoreAccessToken(&GetOAuthCredentials(), reply), true);
}

void OnRequestToken(const LinkPtr& link, const MicroblogApi::TokenReply& reply) {
    const OAuthCredentials& credentials = GetOAuthCredentials();
    MicroblogApi::RequestToken& request = link->request;
    if (!MicroblogApi::ReadTokenReply(reply, MicroblogApi::kRequestTokenStep, request.token, request.secret)) {
        return Finish(link, false, true);
    }
    std::string authorizeUrl = MicroblogApi::AuthorizeUrl(credentials, request, link->service);
    char pin[MicroblogApi::kTokenSize] = {};
    int entered = MicroblogAuth::AskPin(nullptr, authorizeUrl.c_str(), pin);
    if (link->over) return;  // dropped while the PIN dialog was open
    if (!entered) {
        DebugPrint("micro-blog: authorisation cancelled");
        return Finish(link, false, true);
    }
    std::string url = MicroblogApi::AccessTokenUrl(credentials, request, pin, link->service);
    if (url.empty() || !Fetch(link, url, OnAccessToken)) Finish(link, false, true);
}

}  // namespace

MicroblogUi& CurrentMicroblogUi() {
    static MicroblogUi* ui = [] {
        auto* made = new MicroblogUi;
        made->askPin = RunPinDialog;
        made->editPost = RunPostDialog;
        made->toDialogLoop = RunInDialogLoop;
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

LinkStop Run(StatusSink setStatus, std::function<void()> ended) {
    const MicroblogUi& ui = CurrentMicroblogUi();
    const OAuthCredentials& credentials = GetOAuthCredentials();
    if (!credentials.HasConsumerPair()) {
        ShowMessageBox("This build has no micro-blog consumer key (QM_MICROBLOG_CONSUMER_KEY).", "Microblog",
                       kMessageBoxWarning);
        return nullptr;
    }
    auto link = std::make_shared<Link>();
    link->setStatus = std::move(setStatus);
    link->ended = std::move(ended);
    link->service = ui.service;
    link->toDialogLoop = ui.toDialogLoop;
    link->setStatus(kStatusRunning);
    if (!Fetch(link, MicroblogApi::RequestTokenUrl(credentials, link->service), OnRequestToken)) {
        link->setStatus(kStatusFailed);
        return nullptr;
    }
    return [link](bool tell) {
        if (tell && !link->over) DebugPrint("micro-blog: authorisation cancelled");
        Finish(link, false, tell);
    };
}

}  // namespace MicroblogAuth
