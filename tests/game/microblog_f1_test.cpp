// F1 in the running game (AppMain's real path on a headless surface): the
// post dialog opens only for a linked account, after the frame it captured is
// shown, and the post with or without that frame reaches the provider.
#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include "net/microblog_ui.h"
#include "tests/game/game_run.h"
#include "tests/net/microblog_test_peer.h"
#include "tests/support/temp_dir.h"

namespace {

bool JpegSize(const std::string& bytes, int* width, int* height) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    bool ok = jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK;
    *width = static_cast<int>(info.image_width);
    *height = static_cast<int>(info.image_height);
    jpeg_destroy_decompress(&info);
    return ok;
}

}  // namespace

TEST(GameMicroblogTest, F1OpensThePostDialogForALinkedAccount) {
    ASSERT_TRUE(Peer::Start());
    TempDir folder;
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", R"(
        frames <- 0;
        function AppInitialize() {}
        function AppUpdate() { if (++frames == 4) Sys.Exit(0); }
    )"));
    ASSERT_TRUE(pack.WriteTo(folder.path()));
    MicroblogUi saved = CurrentMicroblogUi();
    CurrentMicroblogUi().service = Peer::Service();

    struct Case { size_t secretLength; bool attach; };
    for (const Case c : {Case{19, true}, Case{20, false}, Case{20, true}}) {
        SCOPED_TRACE(std::to_string(c.secretLength) + (c.attach ? " with screenshot" : ""));
        GetOAuthCredentials() = Peer::Credentials(true);
        ASSERT_TRUE(MicroblogApi::UpdateStatus(GetOAuthCredentials(), "before", Peer::Service()));
        GetOAuthCredentials().SetAccessTokenSecret(std::string(kPeerAccessSecret).substr(0, c.secretLength).c_str());
        FakeDesktop desktop;
        HookedWindowSystem windows;
        windows.onSwap = [&](int swap) {
            if (swap == 1) windows.inner.QueueEvent(WindowEvent{WindowEvent::kKey, 1, true});
        };
        std::vector<int> openedAtSwap;
        CurrentMicroblogUi().editPost = [&](const std::string&, std::string* text, bool* attach) {
            openedAtSwap.push_back(windows.swaps);
            *text = "F1 #Quillmoor";
            *attach = c.attach;
            return true;
        };
        EXPECT_EQ(0, RunGame(folder.path(), &desktop, &windows).status);

        std::string post = Peer::LastPost();
        if (c.secretLength < 20) {
            EXPECT_TRUE(openedAtSwap.empty());
            EXPECT_EQ("before", post);
            continue;
        }
        // F1 came after frame 1; frame 2 was captured and shown, then the dialog ran.
        EXPECT_EQ(std::vector<int>{2}, openedAtSwap);
        if (!c.attach) {
            EXPECT_EQ("F1 #Quillmoor", post);
            continue;
        }
        size_t nameAt = post.find('\0') + 1, jpegAt = post.find('\0', nameAt) + 1;
        EXPECT_EQ("F1 #Quillmoor", post.substr(0, nameAt - 1));
        int width = 0, height = 0;
        EXPECT_TRUE(JpegSize(post.substr(jpegAt), &width, &height));
        EXPECT_EQ(1280, width);
        EXPECT_EQ(720, height);
    }
    CurrentMicroblogUi() = saved;
}
