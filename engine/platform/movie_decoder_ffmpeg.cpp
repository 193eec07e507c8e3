// The movie decoder on FFmpeg: a custom I/O context over the byte source,
// libavcodec for the pictures and the sound, libswscale to BGRA (scaled
// down when larger than allowed) and libswresample to 16-bit stereo. Two
// threads: one reads packets and decodes until the end, one converts the
// decoded pictures into the slots, so conversion overlaps decoding. The
// decoding thread waits while two pictures wait for conversion, the
// converting one while every slot is full; sound that finds its queue full
// is dropped, so nothing the main thread or the mixer does stalls them for ever.
#include "platform/movie_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/debug_log.h"

namespace {

constexpr int kIoBufferBytes = 32768;
constexpr int kFrameSlots = 3;
constexpr size_t kPicturesAwaitingConversion = 2;
// Larger pictures are refused before anything is decoded: output is at most
// 2048 x 1024, and decoding a huge picture takes hundreds of megabytes.
constexpr int32_t kMaxSourceSide = 4096;
constexpr int64_t kMaxPixels = int64_t{kMaxSourceSide} * kMaxSourceSide;
constexpr int64_t kDefaultFrameMicros = 40000;
std::atomic<int32_t> gLiveDecoders{0};

enum SlotState { kSlotFree, kSlotFilling, kSlotReady, kSlotLent };

struct FrameSlot {
    std::vector<uint8_t> pixels;
    SlotState state = kSlotFree;
    int64_t timeMicros = 0;
    uint32_t index = 0;
};

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
    auto* source = static_cast<MovieByteSource*>(opaque);
    int32_t got = source->read(source->user, buffer, size);
    return got > 0 ? got : AVERROR_EOF;
}

int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
    auto* source = static_cast<MovieByteSource*>(opaque);
    if (whence & AVSEEK_SIZE) return source->size >= 0 ? source->size : -1;
    whence &= ~AVSEEK_FORCE;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    return source->seek(source->user, offset, whence == SEEK_SET ? 0 : whence == SEEK_CUR ? 1 : 2);
}

// The largest size inside (maxW, maxH) with the picture's aspect, at least 1 x 1.
void FitInside(int32_t w, int32_t h, int32_t maxW, int32_t maxH, int32_t* outW, int32_t* outH) {
    if (w <= maxW && h <= maxH) {
        *outW = w;
        *outH = h;
        return;
    }
    if (int64_t{w} * maxH > int64_t{h} * maxW) {
        *outW = maxW;
        *outH = static_cast<int32_t>(int64_t{h} * maxW / w);
    } else {
        *outH = maxH;
        *outW = static_cast<int32_t>(int64_t{w} * maxH / h);
    }
    if (*outW < 1) *outW = 1;
    if (*outH < 1) *outH = 1;
}

AVCodecContext* OpenCodec(AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (codec == nullptr) return nullptr;
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (context == nullptr) return nullptr;
    context->max_pixels = kMaxPixels;  // a stream that grows later
    if (avcodec_parameters_to_context(context, stream->codecpar) < 0 ||
        avcodec_open2(context, codec, nullptr) < 0) {
        avcodec_free_context(&context);
        return nullptr;
    }
    return context;
}

class FfmpegMovieDecoder final : public MovieDecoder {
public:
    explicit FfmpegMovieDecoder(const MovieByteSource& source) : source_(source) { ++gLiveDecoders; }

    ~FfmpegMovieDecoder() override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            stop_ = true;
        }
        slotFreed_.notify_all();
        pictureQueued_.notify_all();
        if (thread_.joinable()) thread_.join();
        if (converter_.joinable()) converter_.join();
        for (DecodedPicture& picture : awaiting_) av_frame_free(&picture.frame);
        sws_freeContext(scaler_);
        swr_free(&resampler_);
        av_frame_free(&decoded_);
        av_frame_free(&converted_);
        avcodec_free_context(&video_);
        avcodec_free_context(&audio_);
        avformat_close_input(&format_);
        if (io_ != nullptr) av_freep(&io_->buffer);
        avio_context_free(&io_);
        --gLiveDecoders;
    }

    bool Open(const MovieDecoderOptions& options);
    // Open failed and has said why.
    bool RefusalLogged() const { return refusalLogged_; }

    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    bool HasAudio() const override { return audio_ != nullptr; }
    bool TakeDueFrame(int64_t clockMicros, MovieFrame* frame) override;
    void ReleaseFrame() override;
    uint32_t ReadAudio(int16_t* interleaved, uint32_t frames) override;
    bool DecodingDone() const override {
        std::lock_guard<std::mutex> guard(mutex_);
        return done_;
    }
    bool VideoDone() const override {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!done_) return false;
        for (const FrameSlot& slot : slots_) {
            if (slot.state != kSlotFree) return false;
        }
        return true;
    }
    bool AudioDone() const override {
        std::lock_guard<std::mutex> guard(mutex_);
        return done_ && audioCount_ == 0;
    }

private:
    struct DecodedPicture {
        AVFrame* frame;
        int64_t micros;
    };
    void Run();
    void RunConverter();
    void Decode(AVCodecContext* context, const AVPacket* packet);
    void QueuePicture();
    void DeliverPicture(const AVFrame* picture, int64_t micros);
    void DeliverSound();
    bool ConvertPicture(const AVFrame* picture, uint8_t* target);
    int64_t PictureTime();
    void PushSound(const int16_t* samples, uint32_t frames);
    // False, with the log line, for a video stream whose pictures are too large.
    bool PictureFits(const AVCodecParameters* parameters);

    MovieByteSource source_;
    bool refusalLogged_ = false;
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVCodecContext* audio_ = nullptr;
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    SwsContext* scaler_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVChannelLayout resamplerLayout_{};
    int resamplerFormat_ = -1;
    int resamplerRate_ = 0;
    AVFrame* decoded_ = nullptr;
    AVFrame* converted_ = nullptr;
    std::vector<int16_t> soundBuffer_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint32_t audioRate_ = 0;
    int64_t frameMicros_ = kDefaultFrameMicros;
    int64_t firstPts_ = AV_NOPTS_VALUE;
    int64_t lastMicros_ = -1;
    uint32_t picturesDecoded_ = 0;

    mutable std::mutex mutex_;  // guards what follows
    std::condition_variable slotFreed_;      // also: a picture was taken for conversion
    std::condition_variable pictureQueued_;  // also: decoding ended
    std::deque<DecodedPicture> awaiting_;
    FrameSlot slots_[kFrameSlots];
    std::vector<int16_t> audioRing_;  // interleaved stereo
    uint32_t audioHead_ = 0;          // frames
    uint32_t audioCount_ = 0;
    bool stop_ = false;
    bool demuxed_ = false;  // the decoding thread has finished
    bool done_ = false;     // and the converting one too
    std::thread thread_;
    std::thread converter_;
};

bool FfmpegMovieDecoder::Open(const MovieDecoderOptions& options) {
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) return false;
    io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, &source_, ReadPacket, nullptr,
                             source_.seek != nullptr ? SeekPacket : nullptr);
    format_ = avformat_alloc_context();
    if (io_ == nullptr || format_ == nullptr) {
        if (io_ == nullptr) av_free(buffer);
        return false;
    }
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&format_, nullptr, nullptr, nullptr) < 0) return false;  // frees format_
    // The headers' sizes are checked before the stream probe decodes a
    // picture, and the probe's decoders refuse larger ones themselves.
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (!PictureFits(format_->streams[i]->codecpar)) return false;
    std::vector<AVDictionary*> probe(format_->nb_streams, nullptr);
    for (AVDictionary*& options : probe) av_dict_set_int(&options, "max_pixels", kMaxPixels, 0);
    const int probed = avformat_find_stream_info(format_, probe.data());
    for (AVDictionary*& options : probe) av_dict_free(&options);
    if (probed < 0) return false;
    videoIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex_ < 0) return false;
    AVStream* stream = format_->streams[videoIndex_];
    const int32_t w = stream->codecpar->width;
    const int32_t h = stream->codecpar->height;
    if (w <= 0 || h <= 0 || !PictureFits(stream->codecpar)) return false;
    video_ = OpenCodec(stream);
    if (video_ == nullptr) return false;
    FitInside(w, h, options.maxWidth, options.maxHeight, &width_, &height_);
    AVRational rate = av_guess_frame_rate(format_, stream, nullptr);
    if (rate.num > 0 && rate.den > 0) {
        int64_t micros = av_rescale(1000000, rate.den, rate.num);
        if (micros > 0 && micros <= 1000000) frameMicros_ = micros;
    }
    if (options.audioRate != 0) {
        audioIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, videoIndex_, nullptr, 0);
        if (audioIndex_ >= 0) audio_ = OpenCodec(format_->streams[audioIndex_]);
        if (audio_ == nullptr) audioIndex_ = -1;
        audioRate_ = options.audioRate;
        audioRing_.assign(size_t{options.audioQueueFrames == 0 ? 1u : options.audioQueueFrames} * 2, 0);
    }
    decoded_ = av_frame_alloc();
    converted_ = av_frame_alloc();
    if (decoded_ == nullptr || converted_ == nullptr) return false;
    converted_->format = AV_PIX_FMT_BGRA;
    converted_->width = width_;
    converted_->height = height_;
    if (av_frame_get_buffer(converted_, 0) < 0) return false;
    for (FrameSlot& slot : slots_) slot.pixels.resize(size_t(width_) * height_ * 4);
    thread_ = std::thread([this] { Run(); });
    converter_ = std::thread([this] { RunConverter(); });
    return true;
}

void FfmpegMovieDecoder::Run() {
    AVPacket* packet = av_packet_alloc();
    while (packet != nullptr) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (stop_) break;
        }
        if (av_read_frame(format_, packet) < 0) {
            // The end, or data past repair: whatever the decoders still hold comes out.
            Decode(video_, nullptr);
            if (audio_ != nullptr) Decode(audio_, nullptr);
            break;
        }
        if (packet->stream_index == videoIndex_) Decode(video_, packet);
        else if (packet->stream_index == audioIndex_) Decode(audio_, packet);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        demuxed_ = true;
    }
    pictureQueued_.notify_all();
}

void FfmpegMovieDecoder::RunConverter() {
    for (;;) {
        DecodedPicture picture{};
        {
            std::unique_lock<std::mutex> lock(mutex_);
            pictureQueued_.wait(lock, [this] { return stop_ || demuxed_ || !awaiting_.empty(); });
            if (stop_ || awaiting_.empty()) {
                if (!stop_) done_ = true;  // demuxed, and every picture delivered
                return;
            }
            picture = awaiting_.front();
            awaiting_.pop_front();
        }
        slotFreed_.notify_all();
        DeliverPicture(picture.frame, picture.micros);
        av_frame_free(&picture.frame);
    }
}

void FfmpegMovieDecoder::QueuePicture() {
    DecodedPicture picture{av_frame_alloc(), PictureTime()};
    if (picture.frame == nullptr) return;
    av_frame_move_ref(picture.frame, decoded_);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        slotFreed_.wait(lock, [this] { return stop_ || awaiting_.size() < kPicturesAwaitingConversion; });
        if (!stop_) {
            awaiting_.push_back(picture);
            picture.frame = nullptr;
        }
    }
    av_frame_free(&picture.frame);
    pictureQueued_.notify_all();
}

void FfmpegMovieDecoder::Decode(AVCodecContext* context, const AVPacket* packet) {
    // A damaged packet is skipped; the decoder carries on with the next.
    if (avcodec_send_packet(context, packet) < 0 && packet != nullptr) return;
    while (avcodec_receive_frame(context, decoded_) == 0) {
        if (context == video_) QueuePicture();
        else DeliverSound();
        av_frame_unref(decoded_);
        std::lock_guard<std::mutex> guard(mutex_);
        if (stop_) return;
    }
}

bool FfmpegMovieDecoder::PictureFits(const AVCodecParameters* parameters) {
    if (parameters->codec_type != AVMEDIA_TYPE_VIDEO) return true;
    if (parameters->width <= kMaxSourceSide && parameters->height <= kMaxSourceSide) return true;
    LogError("Movie pictures of %d x %d are larger than %d x %d.", parameters->width, parameters->height,
             kMaxSourceSide, kMaxSourceSide);
    refusalLogged_ = true;
    return false;
}

int64_t FfmpegMovieDecoder::PictureTime() {
    int64_t pts = decoded_->best_effort_timestamp;
    int64_t micros = lastMicros_ < 0 ? 0 : lastMicros_ + frameMicros_;
    if (pts != AV_NOPTS_VALUE) {
        if (firstPts_ == AV_NOPTS_VALUE) firstPts_ = pts;
        micros = av_rescale_q(pts - firstPts_, format_->streams[videoIndex_]->time_base, AVRational{1, 1000000});
    }
    if (micros < lastMicros_) micros = lastMicros_;  // never back in time
    lastMicros_ = micros;
    return micros;
}

bool FfmpegMovieDecoder::ConvertPicture(const AVFrame* picture, uint8_t* target) {
    if (picture->width <= 0 || picture->height <= 0 || picture->format < 0) return false;
    // A change of picture size or format mid-stream makes a new scaler; the
    // output size stays the one chosen at open.
    scaler_ = sws_getCachedContext(scaler_, picture->width, picture->height,
                                   static_cast<AVPixelFormat>(picture->format), width_, height_, AV_PIX_FMT_BGRA,
                                   SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (scaler_ == nullptr) return false;
    const size_t rowBytes = size_t(width_) * 4;
    if (rowBytes % 32 == 0) {
        // Aligned rows: the scaler writes the slot directly, bottom row first.
        uint8_t* bottomUp[4] = {target + (height_ - 1) * rowBytes, nullptr, nullptr, nullptr};
        const int strides[4] = {-static_cast<int>(rowBytes), 0, 0, 0};
        return sws_scale(scaler_, picture->data, picture->linesize, 0, picture->height, bottomUp, strides) > 0;
    }
    if (sws_scale(scaler_, picture->data, picture->linesize, 0, picture->height, converted_->data,
                  converted_->linesize) <= 0) {
        return false;
    }
    // Rows by their real stride into tight rows, the bottom row first.
    for (int32_t row = 0; row < height_; ++row) {
        std::memcpy(target + size_t(height_ - 1 - row) * rowBytes,
                    converted_->data[0] + size_t(row) * converted_->linesize[0], rowBytes);
    }
    return true;
}

void FfmpegMovieDecoder::DeliverPicture(const AVFrame* picture, int64_t micros) {
    FrameSlot* slot = nullptr;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        auto freeSlot = [this]() -> FrameSlot* {
            for (FrameSlot& s : slots_) {
                if (s.state == kSlotFree) return &s;
            }
            return nullptr;
        };
        slotFreed_.wait(lock, [&] { return stop_ || freeSlot() != nullptr; });
        if (stop_) return;
        slot = freeSlot();
        slot->state = kSlotFilling;
    }
    const bool converted = ConvertPicture(picture, slot->pixels.data());
    std::lock_guard<std::mutex> guard(mutex_);
    slot->state = converted ? kSlotReady : kSlotFree;
    slot->timeMicros = micros;
    slot->index = picturesDecoded_++;
}

void FfmpegMovieDecoder::DeliverSound() {
    const AVFrame* frame = decoded_;
    if (frame->nb_samples <= 0 || frame->sample_rate < 1000 || frame->sample_rate > 384000 ||
        frame->ch_layout.nb_channels <= 0 || frame->ch_layout.nb_channels > 16) {
        return;
    }
    if (resampler_ == nullptr || resamplerFormat_ != frame->format || resamplerRate_ != frame->sample_rate ||
        av_channel_layout_compare(&resamplerLayout_, &frame->ch_layout) != 0) {
        swr_free(&resampler_);
        AVChannelLayout in{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&in, frame->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0) {
            return;
        }
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        int made = swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_S16, static_cast<int>(audioRate_), &in,
                                       static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (made < 0 || swr_init(resampler_) < 0) {
            swr_free(&resampler_);
            return;
        }
        av_channel_layout_uninit(&resamplerLayout_);
        av_channel_layout_copy(&resamplerLayout_, &frame->ch_layout);
        resamplerFormat_ = frame->format;
        resamplerRate_ = frame->sample_rate;
    }
    int room = swr_get_out_samples(resampler_, frame->nb_samples);
    if (room <= 0) return;
    soundBuffer_.resize(size_t(room) * 2);
    auto* out = reinterpret_cast<uint8_t*>(soundBuffer_.data());
    int got = swr_convert(resampler_, &out, room, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (got > 0) PushSound(soundBuffer_.data(), static_cast<uint32_t>(got));
}

void FfmpegMovieDecoder::PushSound(const int16_t* samples, uint32_t frames) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto capacity = static_cast<uint32_t>(audioRing_.size() / 2);
    for (uint32_t i = 0; i < frames && audioCount_ < capacity; ++i) {
        const uint32_t at = (audioHead_ + audioCount_) % capacity;
        audioRing_[at * 2] = samples[i * 2];
        audioRing_[at * 2 + 1] = samples[i * 2 + 1];
        ++audioCount_;
    }
}

uint32_t FfmpegMovieDecoder::ReadAudio(int16_t* interleaved, uint32_t frames) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto capacity = static_cast<uint32_t>(audioRing_.size() / 2);
    uint32_t count = 0;
    for (; count < frames && audioCount_ > 0; ++count) {
        interleaved[count * 2] = audioRing_[audioHead_ * 2];
        interleaved[count * 2 + 1] = audioRing_[audioHead_ * 2 + 1];
        audioHead_ = (audioHead_ + 1) % capacity;
        --audioCount_;
    }
    return count;
}

bool FfmpegMovieDecoder::TakeDueFrame(int64_t clockMicros, MovieFrame* frame) {
    FrameSlot* chosen = nullptr;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (FrameSlot& slot : slots_) {
            if (slot.state == kSlotLent) slot.state = kSlotFree;
            if (slot.state != kSlotReady || slot.timeMicros > clockMicros) continue;
            if (chosen == nullptr || slot.index > chosen->index) chosen = &slot;
        }
        if (chosen == nullptr) return false;
        for (FrameSlot& slot : slots_) {
            if (slot.state == kSlotReady && slot.index < chosen->index) slot.state = kSlotFree;
        }
        chosen->state = kSlotLent;
    }
    slotFreed_.notify_all();
    // A lent slot is not written by the thread, so it is read without the lock.
    frame->pixels = chosen->pixels.data();
    frame->width = width_;
    frame->height = height_;
    frame->timeMicros = chosen->timeMicros;
    frame->index = chosen->index;
    return true;
}

void FfmpegMovieDecoder::ReleaseFrame() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (FrameSlot& slot : slots_) {
            if (slot.state == kSlotLent) slot.state = kSlotFree;
        }
    }
    slotFreed_.notify_all();
}

}  // namespace

MovieDecoder* OpenMovieDecoder(const MovieByteSource& source, const MovieDecoderOptions& options) {
    if (source.read == nullptr || options.maxWidth <= 0 || options.maxHeight <= 0) return nullptr;
    av_log_set_level(AV_LOG_QUIET);
    auto* decoder = new FfmpegMovieDecoder(source);
    if (!decoder->Open(options)) {
        if (!decoder->RefusalLogged()) LogError("Unsupport movie format.");
        delete decoder;
        return nullptr;
    }
    return decoder;
}

int32_t LiveMovieDecoderCount() { return gLiveDecoders.load(); }
