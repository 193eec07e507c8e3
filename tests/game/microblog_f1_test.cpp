// F1 in the running game (AppMain's real path on a headless surface): the
// post dialog opens only for a linked account, after the frame it captured is
// shown, and the post with that frame, upright, reaches the provider.
#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include <regex>

#include "gfx/image.h"
#include "net/microblog_ui.h"
#include "net/post_dialog.h"
#include "tests/game/game_run.h"
#include "tests/net/microblog_test_peer.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

TEST(GameMicroblogTest, F1PostsTheFrameTheGameShowed) {
    ASSERT_TRUE(Peer::Start());
    TempDir folder;
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", R"(
        frames <- 0;
        top <- null;
        function AppInitialize() {  // the top half red, the bottom half black
            top = LayerInterface();
            top.SetSize(1280, 360);
            top.SetPos(640, 180);
            top.SetColor(0xFF0000FF);
        }
        function AppUpdate() { if (++frames == 4) Sys.Exit(0); }
    )"));
    ASSERT_TRUE(pack.WriteTo(folder.path()));
    MicroblogUi saved = CurrentMicroblogUi();
    CurrentMicroblogUi().service = Peer::At();
    for (size_t secretLength : {19, 20}) {
        GetOAuthCredentials() = Peer::Credentials(true);
        GetOAuthCredentials().SetAccessTokenSecret(std::string(kPeerAccessSecret, secretLength).c_str());
        FakeDesktop desktop;
        HookedWindowSystem windows;
        windows.onSwap = [&](int swap) {
            if (swap == 1) windows.inner.QueueEvent(WindowEvent{WindowEvent::kKey, 1, true});
        };
        std::vector<int> openedAtSwap;
        CurrentMicroblogUi().editPost = [&](const std::string& prefill, std::string* text, bool* attach) {
            openedAtSwap.push_back(windows.swaps);
            *text = "F1" + prefill;
            return *attach = true;
        };
        EXPECT_EQ(0, RunGame(folder.path(), &desktop, &windows).status);
        // F1 came after frame 1; frame 2 was captured and shown, then the dialog ran.
        EXPECT_EQ(secretLength < 20 ? std::vector<int>{} : std::vector<int>{2}, openedAtSwap);
    }
    std::string post = Peer::LastPost();
    size_t nameAt = post.find('\0') + 1, jpegAt = post.find('\0', nameAt) + 1;
    EXPECT_EQ("F1 #Quillmoor", post.substr(0, nameAt - 1));
    EXPECT_TRUE(std::regex_match(post.substr(nameAt, jpegAt - nameAt - 1), std::regex("QM[0-9]{12}\\.jpg")));
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(post.data() + jpegAt), post.size() - jpegAt);
    ASSERT_EQ(JPEG_HEADER_OK, jpeg_read_header(&info, TRUE));
    jpeg_start_decompress(&info);
    EXPECT_EQ(1280u * 720u, info.output_width * info.output_height);
    std::vector<uint8_t> row(info.output_width * 3), redAt;  // red of the first pixel of each row
    for (JSAMPROW rows[] = {row.data()}; info.output_scanline < info.output_height; redAt.push_back(row[0])) {
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_destroy_decompress(&info);
    EXPECT_TRUE(redAt.size() == 720 && redAt[10] > 200 && redAt[700] < 50);  // upright

    // An empty text sends nothing; a screenshot that cannot be encoded leaves the text to go alone.
    LogCapture log;
    EXPECT_FALSE(PostDialog::Post("", true, nullptr));
    Image* notRgba = NewImage(4, 4, kPixelRgb888, nullptr);
    EXPECT_TRUE(PostDialog::Post("text alone", true, notRgba));
    Image::Free(notRgba);
    EXPECT_EQ("text alone", Peer::LastPost());
    CurrentMicroblogUi() = saved;
}
