// Movies made at test time: the decoder alone (scaling, size changes, damage) and the player on
// headless Mesa from a memory pack (letterbox, end, fade, failures, sound in step; TSan too).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <thread>

#include "fs/pack_mgr.h"
#include "media/movie_player.h"
#include "media/movie_sound.h"
#include "media/sound_manager.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/media/movie_test_util.h"
#include "tests/media/sound_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/wait_until.h"

namespace {

using Clock = std::chrono::steady_clock;

// Takes every picture and all the sound; false when that does not end (a hang).
bool DrainsInTime(MovieDecoder* decoder) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kPatienceMs);
    int16_t sound[512];
    while (!decoder->VideoDone() || !decoder->AudioDone()) {
        MovieFrame frame;
        if (decoder->TakeDueFrame(INT64_MAX, &frame)) decoder->ReleaseFrame();
        decoder->ReadAudio(sound, 256);
        if (Clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(MovieDecoderTest, LargePicturesAreScaledDownAndHugeOnesRefused) {
    ClipSpec wide{4096, 512, 2};
    wide.codec = "mjpeg";
    StringSource movie{MakeClip(wide)};
    std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
    ASSERT_NE(decoder, nullptr);
    EXPECT_TRUE(decoder->Width() == 2048 && decoder->Height() == 256);
    EXPECT_TRUE(DrainsInTime(decoder.get()));
    wide.width = 4098;  // a side beyond 4096: refused before a picture is decoded
    LogCapture log;
    StringSource huge{MakeClip(wide)};
    EXPECT_EQ(OpenMovieDecoder(huge.Source(), MovieDecoderOptions{}), nullptr);
    EXPECT_TRUE(log.Count() == 1 && log.Contains("4098 x 512 are larger than 4096 x 4096"));
}

TEST(MovieDecoderTest, ASizeChangeMidStreamKeepsTheFirstSizeAndTheColours) {
    ClipSpec first, second;
    first.codec = second.codec = "mpeg2video";
    first.container = second.container = "ts";  // transport streams join by concatenation
    second.width = 32, second.height = 24;
    StringSource movie{MakeClip(first) + MakeClip(second)};
    std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
    ASSERT_NE(decoder, nullptr);
    MovieFrame frame;
    uint32_t last = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (!decoder->VideoDone() && Clock::now() < deadline) {
        if (!decoder->TakeDueFrame(INT64_MAX, &frame)) continue;
        last = frame.index;
        EXPECT_EQ(frame.width, 64);
        // Its halves are a known pair, upright: the top row is stored last (B, G, R, A).
        auto near = [&frame](int row, uint32_t colour) {
            const uint8_t* p = frame.pixels + size_t(row) * frame.width * 4;
            for (int c = 0; c < 3; ++c) {
                if (std::abs(p[c] - static_cast<int>((colour >> (8 * c)) & 0xFF)) > 8) return false;
            }
            return true;
        };
        int k = 0;
        while (k < 10 && !near(frame.height - 1, ClipColour(k, false))) ++k;
        EXPECT_TRUE(k < 10 && near(0, ClipColour(k, true))) << "picture " << frame.index;
        decoder->ReleaseFrame();
    }
    EXPECT_GE(last, 18u);  // joining two streams may cost a picture at the seam
}

TEST(MovieDecoderTest, DamagedMoviesEndOrAreRefusedWithoutHanging) {
    ClipSpec spec{64, 48, 10, 10, true};
    const std::string clip = MakeClip(spec);
    ASSERT_FALSE(clip.empty());
    std::mt19937_64 next(25);
    for (int round = 0; round < 150; ++round) {
        std::string bytes = clip;
        const size_t at = next() % bytes.size();
        if (round % 3 == 0) bytes.resize(at);  // cut short
        for (int flips = 0; round % 3 != 0 && flips < 1 + round % 8; ++flips) {
            bytes[next() % bytes.size()] ^= static_cast<char>(1 << (next() % 8));
        }
        if (round % 5 == 1) bytes.replace(at, 4, "\xff\xff\xff\x7f", 4);  // a huge length field
        StringSource movie{bytes};
        std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
        if (decoder != nullptr) { EXPECT_TRUE(DrainsInTime(decoder.get())) << "round " << round; }
    }
}

Rgba Expected(uint32_t c) {
    return Rgba{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c), 255};
}

class MoviePlayerTest : public GfxTest {
protected:
    static void SetUpTestSuite() {
        GfxTest::SetUpTestSuite();
        ClipSpec mp4, odd;
        mp4.container = "mp4";  // its index is at the end: the demuxer seeks back
        odd.width = 62;
        pack_ = PackOfMovies("clip.mp4", MakeClip(mp4), "odd.avi", MakeClip(odd));
        ASSERT_NE(pack_, nullptr) << "the ffmpeg tool is needed";
    }
    void TearDown() override {
        MoviePlayer::Shutdown();
        EXPECT_EQ(LiveMovieDecoderCount(), 0);
        GfxTest::TearDown();
    }
    static PackMgr* pack_;
};
PackMgr* MoviePlayerTest::pack_ = nullptr;

TEST_F(MoviePlayerTest, PicturesShowTheirColoursUprightInsideClearBars) {
    for (const char* name : {"movie/clip.mp4", "movie/odd.avi", "movie/zclip.mp4"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(MoviePlayer::Play(name, pack_), 1);
        ASSERT_TRUE(WaitUntil([] { return MoviePlayer::Update(), MoviePlayer::UploadedFrameCount() >= 0; }));
        ClearScreen(0, 0, 0);
        MoviePlayer::Draw();
        const MovieRect r = MoviePlayer::DrawRect();
        EXPECT_EQ(r.x, 0);
        EXPECT_EQ(r.width, 256);
        const uint32_t shown = MoviePlayer::ShownFrameIndex();
        EXPECT_TRUE(RectIs(8, r.y + 8, 240, r.height / 2 - 16, Expected(ClipColour(shown, false)), 8));
        EXPECT_TRUE(RectIs(8, r.y + r.height / 2 + 8, 240, r.height / 2 - 16, Expected(ClipColour(shown, true)), 8));
        EXPECT_TRUE(RectIs(0, 0, 256, r.y, Rgba{0, 0, 0, 255}));
        EXPECT_TRUE(RectIs(0, r.y + r.height, 256, 256 - r.y - r.height, Rgba{0, 0, 0, 255}));
        EXPECT_TRUE(NoGlError());
    }
}

TEST_F(MoviePlayerTest, TheClipEndsAfterItsLastPictureAndClosesItsDecoder) {
    ASSERT_EQ(MoviePlayer::Play("movie/clip.mp4", pack_), 1);
    EXPECT_TRUE(WaitUntil([] { return MoviePlayer::Update(), MoviePlayer::IsPlaying() == 0; }));
    EXPECT_TRUE(MoviePlayer::ShownFrameIndex() == 9u && LiveMovieDecoderCount() == 0);
}

TEST_F(MoviePlayerTest, StopFadesOverHalfItsFramesInUpdatesAndEndsOnReachingOrPassing) {
    struct Case { int frames, updatesToStop; };
    for (const Case& c : {Case{0, 0}, Case{-3, 0}, Case{1, 1}, Case{60, 30}, Case{61, 31}}) {
        SCOPED_TRACE(c.frames);
        ASSERT_EQ(MoviePlayer::Play("movie/clip.mp4", pack_), 1);
        MoviePlayer::Stop(c.frames);
        int updates = 0;
        while (MoviePlayer::IsPlaying() && updates < 100) {
            MoviePlayer::Update();
            ++updates;
            if (updates == 1 && c.frames == 60) { EXPECT_EQ(MoviePlayer::FadeAlpha(), 246); }
            if (updates == 10) MoviePlayer::Stop(c.frames);  // a running fade is kept
        }
        EXPECT_EQ(updates, c.updatesToStop);
    }
}

TEST_F(MoviePlayerTest, FailuresLogTheirLineAndPlayNothing) {
    ClipSpec raw;  // a raw-video AVI whose headers give the picture no width
    raw.codec = "rawvideo";
    std::string sizeless = MakeClip(raw);
    for (const char* chunk : {"avih", "strf"}) {
        const size_t at = sizeless.find(chunk) + 8 + (chunk[1] == 'v' ? 32 : 4);
        ASSERT_LT(at, sizeless.size());
        sizeless.replace(at, 4, std::string(4, '\0'));
    }
    PackMgr* pack = PackOfMovies("junk.avi", std::string(4096, 'x'), "sizeless.avi", sizeless);
    const std::pair<const char*, const char*> cases[] = {{"movie/junk.avi", "Unsupport movie format."},
                                                         {"movie/sizeless.avi", "Unsupport movie format."},
                                                         {"movie/none.avi", "open file \"movie/none.avi\""}};
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(MoviePlayer::Play(c.first, pack), 0) << c.first;
        EXPECT_TRUE(log.Contains(c.second)) << c.first;
        EXPECT_EQ(MoviePlayer::IsPlaying(), 0);
        EXPECT_EQ(LiveMovieDecoderCount(), 0);
    }
    FsMgr::Release(pack);
    EXPECT_TRUE(MovieSoundClockMicros(nullptr) == 0 && !MovieSoundPlaying(nullptr));  // no sound: no clock
}

TEST(MovieFitTest, LetterboxArithmetic) {
    struct Case { int vw, vh, w, h; MovieRect want; };
    for (const Case& c : {Case{640, 360, 1280, 800, {0, 40, 1280, 720}}, Case{640, 480, 1280, 720, {160, 0, 960, 720}},
                          Case{1280, 720, 1280, 720, {0, 0, 1280, 720}}, Case{0, 48, 256, 256, {0, 0, 0, 0}},
                          Case{1920, 720, 1280, 720, {0, 120, 1280, 480}}, Case{1280, 1440, 1280, 720, {320, 0, 640, 720}}}) {
        MovieRect r = FitMovieRect(c.vw, c.vh, c.w, c.h);
        EXPECT_EQ((std::vector<int>{r.x, r.y, r.width, r.height}),
                  (std::vector<int>{c.want.x, c.want.y, c.want.width, c.want.height}))
            << c.vw << "x" << c.vh;
    }
}

TEST_F(MoviePlayerTest, TheSoundReachesTheMixerAndThePicturesFollowItsClock) {
    ClipSpec spec{64, 48, 10, 10, true};
    PackMgr* pack = PackOfMovies("tone.avi", MakeClip(spec));
    auto* output = new CaptureOutput();  // owned by the sound manager
    SoundManagerOptions options;
    options.output = output, options.clock = FakeClock, options.runMixerTask = false;
    ASSERT_TRUE(SoundManagerInitWith(44100, 1, nullptr, options));
    ASSERT_EQ(MoviePlayer::Play("movie/tone.avi", pack), 1);
    // While the sound stands still the pictures do too, however long the wall clock runs on.
    for (const auto end = Clock::now() + std::chrono::milliseconds(300); Clock::now() < end;) MoviePlayer::Update();
    EXPECT_EQ(MoviePlayer::ShownFrameIndex(), 0u);
    int checked = 0;
    for (int i = 0; i < 400 && MoviePlayer::IsPlaying(); ++i) {
        RunMixerSteps(1);
        const int64_t due = std::min<int64_t>(9, MoviePlayer::ClockMicros() / 100000);
        // The sound clock waits meanwhile, so a decoder thread slowed by a busy machine catches up.
        ASSERT_TRUE(WaitUntil([due] {
            MoviePlayer::Update();
            return !MoviePlayer::IsPlaying() ||
                   (MoviePlayer::UploadedFrameCount() >= 0 && MoviePlayer::ShownFrameIndex() + 1 >= due);
        }));
        if (!MoviePlayer::IsPlaying()) continue;
        EXPECT_NEAR(static_cast<int64_t>(MoviePlayer::ShownFrameIndex()), due, 1);
        ++checked;
    }
    EXPECT_EQ(MoviePlayer::IsPlaying(), 0);
    EXPECT_GT(checked, 20);
    double energy = 0;
    for (int32_t s : output->captured[0]) energy += double(s) * s;
    ASSERT_GT(output->captured[0].size(), 40000u);
    EXPECT_GT(energy / output->captured[0].size(), 1e6);  // a tone, not silence
    SoundManagerShutdown();
    FsMgr::Release(pack);
}

TEST_F(MoviePlayerTest, TheMixerThreadMeetsPlayUpdateAndStopWithoutRaces) {
    ClipSpec spec{64, 48, 10, 10, true};
    PackMgr* pack = PackOfMovies("tone.avi", MakeClip(spec));
    SoundManagerOptions options;
    options.output = new CaptureOutput();  // the mixer runs on its task thread
    ASSERT_TRUE(SoundManagerInitWith(44100, 1, nullptr, options));
    for (int round = 0; round < 6; ++round) {
        ASSERT_EQ(MoviePlayer::Play("movie/tone.avi", pack), 1);
        for (int i = 0; i < round * 3; ++i) MoviePlayer::Update(), std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (round % 2 == 0) MoviePlayer::Stop(0);  // else the next Play replaces it
    }
    MoviePlayer::Stop(0);
    SoundManagerShutdown();
    FsMgr::Release(pack);
}

}  // namespace
