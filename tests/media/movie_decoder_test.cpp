// The movie decoder alone: pictures larger than allowed are scaled down,
// damaged and cut movies end or are refused without hanging, and the main
// thread, a mixer-like reader and the decoder thread meet under TSan.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>

#include "tests/media/movie_test_util.h"

namespace {

using Clock = std::chrono::steady_clock;

// Takes every picture and all the sound; false when that does not end in 10 s.
bool DrainsInTime(MovieDecoder* decoder) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
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

TEST(MovieDecoderTest, LargePicturesAreScaledDownKeepingTheirAspect) {
    ClipSpec wide;
    wide.width = 4096;
    wide.height = 512;
    wide.frames = 2;
    wide.codec = "mjpeg";
    StringSource movie{MakeClip(wide)};
    std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(decoder->Width(), 2048);
    EXPECT_EQ(decoder->Height(), 256);
    EXPECT_TRUE(DrainsInTime(decoder.get()));
}

TEST(MovieDecoderTest, ASizeChangeMidStreamKeepsTheFirstSizeAndTheColours) {
    ClipSpec first, second;
    first.codec = second.codec = "mpeg2video";
    first.container = second.container = "ts";  // transport streams join by concatenation
    second.width = 32;
    second.height = 24;
    StringSource movie{MakeClip(first) + MakeClip(second)};
    std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
    ASSERT_NE(decoder, nullptr);
    MovieFrame frame;
    uint32_t last = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!decoder->VideoDone() && Clock::now() < deadline) {
        if (!decoder->TakeDueFrame(INT64_MAX, &frame)) continue;
        last = frame.index;
        EXPECT_EQ(frame.width, 64);
        // Whichever picture this is, its halves are a known pair, upright: the
        // top row is the last one stored (B, G, R, A).
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
    ClipSpec spec;
    spec.tone = true;
    const std::string clip = MakeClip(spec);
    ASSERT_FALSE(clip.empty());
    std::mt19937_64 next(25);
    for (int round = 0; round < 150; ++round) {
        StringSource movie{clip};
        const size_t at = next() % clip.size();
        if (round % 3 == 0) movie.bytes.resize(at);  // cut short
        for (int flips = 0; round % 3 != 0 && flips < 1 + round % 8; ++flips) {
            movie.bytes[next() % movie.bytes.size()] ^= static_cast<char>(1 << (next() % 8));
        }
        if (round % 5 == 1) movie.bytes.replace(at, 4, "\xff\xff\xff\x7f", 4);  // a huge length field
        std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
        if (decoder != nullptr) {
            EXPECT_TRUE(DrainsInTime(decoder.get())) << "round " << round;
        }
    }
}

TEST(MovieDecoderTest, ThreadsMeetWithoutRacesAndStopAtAnyPoint) {
    ClipSpec spec;
    spec.tone = true;
    spec.frames = 30;
    const std::string clip = MakeClip(spec);
    for (int round = 0; round < 12; ++round) {
        StringSource movie{clip};
        std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
        ASSERT_NE(decoder, nullptr);
        ASSERT_TRUE(decoder->HasAudio());
        std::atomic<bool> quit{false};
        std::thread mixer([&] {
            int16_t sound[512];
            while (!quit.load()) {
                decoder->ReadAudio(sound, 256);
                std::this_thread::yield();
            }
        });
        uint32_t last = 0;
        for (int step = 0; step < round * 4; ++step) {
            MovieFrame frame;
            if (decoder->TakeDueFrame(int64_t{step} * 20000, &frame)) {
                EXPECT_GE(frame.index, last);
                last = frame.index;
                EXPECT_EQ(frame.pixels[3], 255);
                EXPECT_EQ(std::memcmp(frame.pixels, frame.pixels + 4, 4), 0);
                decoder->ReleaseFrame();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        quit = true;
        mixer.join();
        decoder.reset();  // mid-movie: the thread must stop
    }
    EXPECT_EQ(LiveMovieDecoderCount(), 0);
}

}  // namespace
