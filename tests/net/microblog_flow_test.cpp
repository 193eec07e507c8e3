// The dialogs' logic without a toolkit, against the loopback provider: the
// launcher's account link with the browser stubbed, and F1's post with and
// without a screenshot captured from a real (headless Mesa) frame.
#include <cstdio>
#include <jpeglib.h>

#include <regex>

#include "app/frame_capture.h"
#include "net/microblog_auth.h"
#include "net/microblog_ui.h"
#include "net/post_dialog.h"
#include "platform/url_opener.h"
#include "tests/net/microblog_test_peer.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/log_capture.h"

namespace {

// Decodes a JPEG to RGB rows, top first; empty when it is not one.
std::vector<uint8_t> DecodeJpeg(const std::string& bytes, int* width, int* height) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    std::vector<uint8_t> pixels;
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && jpeg_start_decompress(&info)) {
        *width = static_cast<int>(info.output_width);
        *height = static_cast<int>(info.output_height);
        pixels.resize(size_t(*width) * *height * 3);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &pixels[size_t(info.output_scanline) * *width * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return pixels;
}

class MicroblogFlowTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_TRUE(Peer::Start());
        saved_ = CurrentMicroblogUi();
        CurrentMicroblogUi().service = Peer::Service();
        CurrentMicroblogUi().pumpEvents = nullptr;
        GetOAuthCredentials() = Peer::Credentials(true);
        SetUrlOpener([this](const std::string& url) {
            opened_ = url;
            pin_ = Peer::FetchPin(url);
            return true;
        });
    }
    void TearDown() override {
        CurrentMicroblogUi() = saved_;
        SetUrlOpener(nullptr);
        GlTest::TearDown();
    }

    MicroblogUi saved_;
    std::string opened_, pin_;
};

}  // namespace

TEST_F(MicroblogFlowTest, LauncherButtonShowsTheOutcomeAndLinksOnlyOnSuccess) {
    struct Case { bool consumerPair, enterPin; std::vector<std::string> statuses; bool linked; };
    const Case cases[] = {
        {true, true, {"認証中", "認証完了"}, true},
        {true, false, {"認証中", "認証失敗"}, false},
        {false, true, {}, false},
    };
    for (const Case& c : cases) {
        GetOAuthCredentials().Set(c.consumerPair ? kPeerConsumerKey : "", kPeerConsumerSecret, "old", "old-secret");
        CurrentMicroblogUi().askPin = [&](std::string* pin) {
            *pin = " " + pin_ + "\n";
            return c.enterPin;
        };
        std::vector<std::string> statuses;
        LogCapture log;
        EXPECT_EQ(c.linked, MicroblogAuth::Run([&](const char* status) { statuses.push_back(status); }));
        EXPECT_EQ(c.statuses, statuses);
        EXPECT_EQ(c.linked, HasAccessTokenSecret());
        EXPECT_EQ(!c.linked, std::string("old-secret") == GetOAuthCredentials().accessTokenSecret);
        if (c.consumerPair) {
            EXPECT_EQ(0u, opened_.find("http://" + Peer::Service().host + "/oauth/authorize?"));
        } else {
            EXPECT_TRUE(log.Contains("no micro-blog consumer key"));
        }
    }
}

TEST_F(MicroblogFlowTest, PinIsCutAt62BytesOnACharacterBoundary) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string(70, '7'), std::string(62, '7')},
        {std::string(61, '7') + "\xE3\x81\x82", std::string(61, '7')},
    };
    LogCapture log;  // nothing listens at the authorise URL
    for (const auto& c : cases) {
        CurrentMicroblogUi().askPin = [&](std::string* pin) { return *pin = c.first, true; };
        char pin[MicroblogApi::kTokenSize];
        ASSERT_EQ(1, MicroblogAuth::AskPin(nullptr, "http://127.0.0.1:1/oauth/authorize", pin));
        EXPECT_EQ(c.second, pin);
    }
}

TEST_F(MicroblogFlowTest, F1PostsTheTextAndTheFrameTheGameShowed) {
    // Top half red, bottom half blue, as drawn by the game.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, kHeight / 2, kWidth, kHeight / 2);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, kWidth, kHeight / 2);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    struct Case { size_t secretLength; std::string text; bool attach; bool posts; };
    const Case cases[] = {
        {19, "hidden", false, false},
        {20, "", true, false},
        {20, "\xE6\x97\xA5\xE6\x9C\xAC #Quillmoor", false, true},
        {20, "shot #Quillmoor", true, true},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string before = "before " + std::to_string(++round);
        GetOAuthCredentials().SetAccessTokenSecret(kPeerAccessSecret);
        ASSERT_TRUE(MicroblogApi::UpdateStatus(GetOAuthCredentials(), before, Peer::Service()));
        GetOAuthCredentials().SetAccessTokenSecret(std::string(kPeerAccessSecret).substr(0, c.secretLength).c_str());
        std::string prefill;
        CurrentMicroblogUi().editPost = [&](const std::string& given, std::string* text, bool* attach) {
            prefill = given;
            *text = c.text;
            *attach = c.attach;
            return true;
        };
        PostDialog::Show();
        EXPECT_EQ(c.secretLength >= 20, FrameCapturePending());
        CapturePendingFrame(kWidth, kHeight);
        DeliverCapturedFrame();
        EXPECT_EQ(c.secretLength >= 20 ? " #Quillmoor" : "", prefill);
        std::string post = Peer::LastPost();
        if (!c.posts) {
            EXPECT_EQ(before, post);
        } else if (!c.attach) {
            EXPECT_EQ(c.text, post);
        } else {
            size_t nameAt = post.find('\0') + 1, jpegAt = post.find('\0', nameAt) + 1;
            EXPECT_EQ(c.text, post.substr(0, nameAt - 1));
            EXPECT_TRUE(std::regex_match(post.substr(nameAt, jpegAt - 1 - nameAt), std::regex("QM[0-9]{12}\\.jpg")));
            int width = 0, height = 0;
            std::vector<uint8_t> rgb = DecodeJpeg(post.substr(jpegAt), &width, &height);
            ASSERT_EQ(kWidth, width);
            ASSERT_EQ(kHeight, height);
            const uint8_t* top = &rgb[(10 * kWidth + 10) * 3];
            const uint8_t* bottom = &rgb[((kHeight - 10) * kWidth + 10) * 3];
            EXPECT_TRUE(top[0] > 200 && top[2] < 50) << int(top[0]) << "," << int(top[2]);
            EXPECT_TRUE(bottom[2] > 200 && bottom[0] < 50) << int(bottom[0]) << "," << int(bottom[2]);
        }
    }
    // A screenshot that cannot be encoded leaves the text to go alone.
    GetOAuthCredentials().SetAccessTokenSecret(kPeerAccessSecret);
    LogCapture log;
    EXPECT_TRUE(PostDialog::Post("text alone", true, nullptr));
    EXPECT_EQ("text alone", Peer::LastPost());
}
