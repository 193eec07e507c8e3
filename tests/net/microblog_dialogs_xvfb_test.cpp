// The GTK dialogs on a private X server, typed and clicked: texts, limits, the launcher's PIN flow.
#include <gtest/gtest.h>

#include <cstdlib>

#include "net/microblog_auth.h"
#include "net/microblog_ui.h"
#include "platform/microblog_dialogs.h"
#include "platform/url_opener.h"
#include "platform/x11_test_driver.h"
#include "tests/net/microblog_test_peer.h"
#include "tests/support/log_capture.h"
#include "tests/support/wait_until.h"

using Texts = std::vector<std::string>;

class MicroblogDialogsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        xvfb_ = XvfbServer::Start(1024, 768, &error);
        ASSERT_NE(nullptr, xvfb_) << error;
        setenv("DISPLAY", xvfb_->display().c_str(), 1);
        ASSERT_TRUE(StartGtk());
    }
    static std::unique_ptr<XvfbServer> xvfb_;
};

std::unique_ptr<XvfbServer> MicroblogDialogsTest::xvfb_;

TEST_F(MicroblogDialogsTest, DialogsShowTheirTextsAndKeepTheirLimits) {
    std::string many;
    for (int i = 0; i < 600; ++i) many += "\xE3\x81\x82";
    for (bool ok : {true, false}) {
        SetDialogTestScript([&](DialogTestControls& d) {
            EXPECT_EQ("Microblog OAuth認証中", d.Title());
            EXPECT_EQ((Texts{"PINコードを入力してください", "OK", "キャンセル"}), d.Texts());
            d.Type(std::string(70, '9'));
            EXPECT_TRUE(d.Press(ok ? "OK" : "キャンセル"));
        });
        std::string pin = "untouched";
        EXPECT_EQ(ok, RunPinDialog(&pin));
        EXPECT_EQ(ok ? std::string(62, '9') : "untouched", pin);

        SetDialogTestScript([&](DialogTestControls& d) {
            EXPECT_EQ("Microblog 投稿", d.Title());
            EXPECT_EQ((Texts{"スクリーンショットを添付", "投稿", "閉じる"}), d.Texts());
            EXPECT_EQ(" #Quillmoor", d.Text());
            d.Type(many);
            d.SetChecked(true);
            EXPECT_TRUE(d.Press(ok ? "投稿" : "閉じる"));
        });
        std::string text;
        bool attach = false;
        EXPECT_EQ(ok, RunPostDialog(kPostPrefill, &text, &attach));
        // 511 characters: 500 typed in front of the 11 of the tag.
        EXPECT_EQ(ok ? many.substr(0, 1500) + " #Quillmoor" : "", text);
        EXPECT_EQ(ok, attach);
    }
}

TEST_F(MicroblogDialogsTest, LauncherButtonLinksThroughThePinDialog) {
    ASSERT_TRUE(Peer::Start());
    MicroblogUi saved = CurrentMicroblogUi();
    const Texts linked{"認証中", "認証完了"}, failed{"認証中", "認証失敗"};
    // A wrong or blank PIN, a cancel or a refused connection keeps the stored pair, and the log tells which.
    struct Case { bool consumerPair; const char* pin; const char* button; bool refused; Texts statuses; const char* logged; };
    const Case cases[] = {
        {true, nullptr, "OK", false, linked, "account linked"},
        {true, "wrongpin0000000000000000", "OK", false, failed, "the service refused the PIN (status 401)"},
        {true, " ", "OK", false, failed, "no PIN entered"},
        {true, nullptr, "キャンセル", false, failed, "authorisation cancelled"},
        {true, nullptr, "OK", true, failed, "could not be reached (request-token request)"},
        {false, nullptr, "OK", false, {}, "no micro-blog consumer key"}};
    for (const Case& c : cases) {
        GetOAuthCredentials().Set(c.consumerPair ? "dpf43f3p2l4k3l03" : "", "kd94hf93k423kf44", "old", "old-secret");
        CurrentMicroblogUi().service = c.refused ? Peer::At(1) : Peer::At();
        std::string pin;
        SetUrlOpener([&](const std::string& url) { return !(pin = Peer::FetchPin(url)).empty(); });
        SetDialogTestScript([&](DialogTestControls& d) {
            d.Type(c.pin ? c.pin : pin);
            d.Press(c.button);
        });
        Texts statuses;
        bool ended = false;
        LogCapture log;
        auto stop = MicroblogAuth::Run([&](const std::string& status) { statuses.push_back(status); },
                                       [&] { ended = true; });
        // The replies come back through GTK's loop, and the PIN dialog runs from there.
        EXPECT_TRUE(!stop || WaitUntil([&] { return PumpDialogEvents(), ended; }));
        EXPECT_EQ(c.statuses, statuses);
        const bool ok = c.statuses == linked;
        EXPECT_EQ(ok, std::string("old-secret") != GetOAuthCredentials().accessTokenSecret);  // else kept
        EXPECT_TRUE(log.Contains(c.logged)) << c.logged;
        EXPECT_EQ(ok, MicroblogApi::UpdateStatus(GetOAuthCredentials(), "linked", Peer::At()));  // a real pair
    }
    SetDialogTestScript(nullptr);
    SetUrlOpener(nullptr);
    CurrentMicroblogUi() = saved;
}
