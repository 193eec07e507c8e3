// The movie decoder alone: pictures larger than allowed are scaled down, a
// size change in mid-stream keeps the first size, and damaged and cut movies
// end or are refused without hanging (its threads under TSan in that build).
#include <gtest/gtest.h>

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
        std::string bytes = clip;
        const size_t at = next() % bytes.size();
        if (round % 3 == 0) bytes.resize(at);  // cut short
        for (int flips = 0; round % 3 != 0 && flips < 1 + round % 8; ++flips) {
            bytes[next() % bytes.size()] ^= static_cast<char>(1 << (next() % 8));
        }
        if (round % 5 == 1) bytes.replace(at, 4, "\xff\xff\xff\x7f", 4);  // a huge length field
        StringSource movie{bytes};
        std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
        if (decoder != nullptr) {
            EXPECT_TRUE(DrainsInTime(decoder.get())) << "round " << round;
        }
    }
}

}  // namespace
