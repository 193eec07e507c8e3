#include "tests/media/sound_test_util.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstring>

#include "core/allocator.h"
#include "fs/stream.h"
#include "media/sound_file_io.h"
#include "media/sound_manager.h"

uint64_t gFakeNow = 1000000;
uint64_t FakeClock() { return gFakeNow; }

std::vector<int16_t> Sine(uint32_t frames, uint32_t channels, double hz, uint32_t rate, double amplitude) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        for (uint32_t c = 0; c < channels; ++c) {
            out[i * channels + c] = static_cast<int16_t>(amplitude * std::sin(2 * M_PI * hz * (c + 1) * i / rate));
        }
    }
    return out;
}

std::string EncodeToBytes(const SoundCodec* writer, const std::vector<int16_t>& frames, uint32_t channels,
                          uint32_t rate, uint32_t loopStart, uint32_t loopEnd) {
    std::string buffer(frames.size() * 2 + 4096, '\0');
    Stream* stream = MemoryStream(&buffer[0], static_cast<uint32_t>(buffer.size()), false, nullptr);
    EncodeSound(writer, stream, frames.data(), static_cast<uint32_t>(frames.size() / channels), channels, rate,
                loopStart, loopEnd);
    buffer.resize(stream->Tell());
    stream->Release();
    return buffer;
}

std::string MakeOgg(const std::vector<int16_t>& frames, uint32_t channels, uint32_t rate,
                    const std::vector<std::string>& comments) {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, static_cast<long>(channels), static_cast<long>(rate), 0.4f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    for (const std::string& text : comments) vorbis_comment_add(&comment, text.c_str());
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    ogg_packet header, commentPacket, codePacket;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codePacket);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &commentPacket);
    ogg_stream_packetin(&os, &codePacket);
    std::string out;
    ogg_page page;
    auto append = [&](bool flush) {
        while (flush ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page)) {
            out.append(reinterpret_cast<char*>(page.header), page.header_len);
            out.append(reinterpret_cast<char*>(page.body), page.body_len);
        }
    };
    append(true);
    const size_t total = frames.size() / channels;
    for (size_t done = 0; done <= total;) {
        size_t n = total - done < 1024 ? total - done : 1024;
        float** buffer = vorbis_analysis_buffer(&dsp, 1024);
        for (size_t i = 0; i < n; ++i) {
            for (uint32_t c = 0; c < channels; ++c) buffer[c][i] = frames[(done + i) * channels + c] / 32768.0f;
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(n));
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) ogg_stream_packetin(&os, &packet);
            append(false);
        }
        if (n == 0) break;
        done += n;
    }
    append(true);
    ogg_stream_clear(&os);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

Stream* StreamOf(const std::string& bytes) {
    void* copy = Alloc(nullptr, bytes.size(), 0);
    std::memcpy(copy, bytes.data(), bytes.size());
    return MemoryStream(copy, static_cast<uint32_t>(bytes.size()), true, nullptr);
}

std::vector<int32_t> DecodeBytes(const SoundCodec* reader, const std::string& bytes, int32_t loop,
                                 uint32_t maxFrames, uint32_t poolChannels) {
    Stream* stream = StreamOf(bytes);
    std::vector<int32_t> samples;
    DecodeSound(reader, stream, loop, poolChannels, maxFrames, &samples, nullptr);
    stream->Release();
    return samples;
}

uint32_t CaptureOutput::Write(const int32_t* const* channels, uint32_t channelCount, uint32_t count) {
    if (honourStop && !started) return 0;
    uint32_t n = count;
    if (!accepts.empty()) {
        n = accepts.front() < count ? accepts.front() : count;
        accepts.pop_front();
    }
    for (uint32_t c = 0; c < channelCount && c < 6; ++c) captured[c].insert(captured[c].end(), channels[c], channels[c] + n);
    return n;
}

void RunMixerSteps(int steps) {
    for (int i = 0; i < steps; ++i) {
        gFakeNow += 16000;
        SoundMixerUpdate();
    }
}
