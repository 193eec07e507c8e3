// The GTK PIN and post dialogs on a private X server: their texts and
// limits, driven through the paths a player's typing and clicks take, and the
// launcher button's flow through the real PIN dialog against the provider.
#include <algorithm>
#include <cstdlib>

#include "net/microblog_auth.h"
#include "net/microblog_ui.h"
#include "platform/microblog_dialogs.h"
#include "platform/url_opener.h"
#include "platform/x11_test_driver.h"
#include "tests/net/microblog_test_peer.h"

namespace {

size_t CountChars(const std::string& utf8) {
    size_t count = 0;
    for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

bool HasAll(const std::vector<std::string>& texts, const std::vector<std::string>& wanted) {
    for (const std::string& w : wanted) {
        if (std::find(texts.begin(), texts.end(), w) == texts.end()) return false;
    }
    return true;
}

class MicroblogDialogsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        xvfb_ = XvfbServer::Start(1024, 768, &error).release();
        ASSERT_NE(nullptr, xvfb_) << error;
        setenv("DISPLAY", xvfb_->display().c_str(), 1);
        setenv("NO_AT_BRIDGE", "1", 1);
        ASSERT_TRUE(StartGtk());
    }
    static XvfbServer* xvfb_;
};

XvfbServer* MicroblogDialogsTest::xvfb_ = nullptr;

}  // namespace

TEST_F(MicroblogDialogsTest, PinDialogKeepsAtMost62CharactersAndCancels) {
    for (bool ok : {true, false}) {
        std::string seen;
        SetDialogTestScript([&](DialogTestControls& d) {
            EXPECT_EQ("Microblog OAuth認証中", d.Title());
            EXPECT_TRUE(HasAll(d.Texts(), {"PINコードを入力してください", "OK", "キャンセル"}));
            d.Type(std::string(70, '9'));
            seen = d.Text();
            EXPECT_TRUE(d.Press(ok ? "OK" : "キャンセル"));
        });
        std::string pin = "untouched";
        EXPECT_EQ(ok, RunPinDialog(&pin));
        EXPECT_EQ(std::string(62, '9'), seen);
        EXPECT_EQ(ok ? seen : "untouched", pin);
    }
}

TEST_F(MicroblogDialogsTest, PostDialogIsPrefilledAndKeepsAtMost511Characters) {
    for (bool post : {true, false}) {
        std::string prefilled;
        SetDialogTestScript([&](DialogTestControls& d) {
            EXPECT_EQ("Microblog 投稿", d.Title());
            EXPECT_TRUE(HasAll(d.Texts(), {"スクリーンショットを添付", "投稿", "閉じる"}));
            prefilled = d.Text();
            std::string many;
            for (int i = 0; i < 600; ++i) many += "\xE3\x81\x82";
            d.Type(many);
            d.SetChecked(true);
            EXPECT_TRUE(d.Press(post ? "投稿" : "閉じる"));
        });
        std::string text;
        bool attach = false;
        EXPECT_EQ(post, RunPostDialog(kPostPrefill, &text, &attach));
        EXPECT_EQ(" #Quillmoor", prefilled);
        if (post) {
            EXPECT_EQ(511u, CountChars(text));
            EXPECT_EQ(" #Quillmoor", text.substr(text.size() - 11));  // typed in front of the tag
            EXPECT_TRUE(attach);
        }
    }
}

TEST_F(MicroblogDialogsTest, LauncherButtonLinksThroughThePinDialog) {
    ASSERT_TRUE(Peer::Start());
    MicroblogUi saved = CurrentMicroblogUi();
    CurrentMicroblogUi().service = Peer::Service();
    GetOAuthCredentials() = Peer::Credentials(false);
    std::string pin;
    SetUrlOpener([&](const std::string& url) { return !(pin = Peer::FetchPin(url)).empty(); });
    SetDialogTestScript([&](DialogTestControls& d) {
        d.Type(pin);
        d.Press("OK");
    });
    std::vector<std::string> statuses;
    EXPECT_TRUE(MicroblogAuth::Run([&](const char* status) { statuses.push_back(status); }));
    EXPECT_EQ((std::vector<std::string>{"認証中", "認証完了"}), statuses);
    EXPECT_TRUE(HasAccessTokenSecret());
    SetUrlOpener(nullptr);
    CurrentMicroblogUi() = saved;
}
