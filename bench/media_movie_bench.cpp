// A 1280 x 720 clip (made here by the ffmpeg tool; codec from the command
// line, mpeg4 by default) through the movie pipeline: decode on the decoder
// thread, convert to BGRA, and upload into the frame texture on Mesa. The
// reference is FFmpeg's own decode of the same clip alone, without
// conversion or upload. Reported per frame: the reference, our whole
// pipeline (wall time, the main thread waiting for nothing else), the main
// thread's upload share, and our overhead over the reference.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/texture.h"
#include "platform/gl_headless.h"
#include "platform/movie_decoder.h"
#include "tests/media/movie_test_util.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kFrames = 240;

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// FFmpeg alone: demux and decode every frame of the file; seconds per frame.
double ReferenceDecode(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return -1;
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(format->streams[index]->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, format->streams[index]->codecpar);
    avcodec_open2(context, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int frames = 0;
    const double start = Now();
    auto drain = [&] {
        while (avcodec_receive_frame(context, frame) == 0) ++frames;
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(context, packet) >= 0) drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(context, nullptr);
    drain();
    const double seconds = Now() - start;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return frames > 0 ? seconds / frames : -1;
}

// Ours: every picture taken as soon as it is there and uploaded.
double Pipeline(std::string bytes, Texture* texture, double* uploadPerFrame) {
    StringSource movie{std::move(bytes)};
    // Timed from the end of the open, as the reference is.
    std::unique_ptr<MovieDecoder> decoder(OpenMovieDecoder(movie.Source(), MovieDecoderOptions{}));
    const double start = Now();
    if (!decoder) return -1;
    int frames = 0;
    double upload = 0;
    while (!decoder->VideoDone()) {
        MovieFrame frame;
        if (!decoder->TakeDueFrame(INT64_MAX, &frame)) {
            std::this_thread::yield();
            continue;
        }
        const double before = Now();
        Image image{kPixelRgba8888, frame.width, frame.height, 32, const_cast<uint8_t*>(frame.pixels),
                    static_cast<uint32_t>(frame.width * frame.height * 4)};
        Texture::Update(texture, 0, 0, 0, &image);
        glFinish();
        upload += Now() - before;
        decoder->ReleaseFrame();
        ++frames;
    }
    *uploadPerFrame = upload / frames;
    return (Now() - start) / frames;
}

}  // namespace

int main(int argc, char** argv) {
    const char* codec = argc > 1 ? argv[1] : "mpeg4";
    setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);
    std::string error;
    std::unique_ptr<HeadlessGlContext> context = HeadlessGlContext::Create(1280, 720, &error);
    if (!context || !GraphicsInit(1280, 720, nullptr)) {
        fprintf(stderr, "headless GL context: %s\n", error.c_str());
        return 1;
    }
    TempDir dir;
    const std::string clip = dir.File("clip.mkv");
    RunResult made = RunProgram({"/usr/bin/ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                 "testsrc2=size=1280x720:rate=30:duration=" + std::to_string(kFrames / 30), "-c:v",
                                 codec, "-pix_fmt", "yuv420p", "-y", clip});
    if (made.status != 0) {
        fprintf(stderr, "ffmpeg: %s\n", made.err.c_str());
        return 1;
    }
    Texture* texture = Texture::CreateEmpty(2048, 1024, kPixelRgba8888, nullptr);
    double reference = 1e9, ours = 1e9, upload = 0;
    for (int run = 0; run < 3; ++run) {  // the best of three, for both
        double r = ReferenceDecode(clip);
        double u = 0;
        double o = Pipeline(dir.Read("clip.mkv"), texture, &u);
        if (r > 0 && r < reference) reference = r;
        if (o > 0 && o < ours) {
            ours = o;
            upload = u;
        }
    }
    printf("codec %s, 1280x720, %d frames\n", codec, kFrames);
    printf("ffmpeg decode alone        %8.0f us/frame\n", reference * 1e6);
    printf("decode+convert+upload      %8.0f us/frame\n", ours * 1e6);
    printf("  of which upload (main)   %8.0f us/frame\n", upload * 1e6);
    printf("overhead over the decode   %8.1f %%\n", (ours / reference - 1) * 100);
    Texture::Release(texture);
    GraphicsShutdown();
    return 0;
}
