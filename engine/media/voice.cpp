// Voices: starting, stopping, gains and pitch, and mixing one block. A voice
// never hangs: a reader that fails to open, ends, or gives nothing for a
// quarter of a second stops the voice, and its player returns it to the pool.
#include "media/voice.h"

#include <cmath>
#include <cstring>

#include "fs/stream.h"
#include "media/sound_manager.h"
#include "platform/debug_log.h"

namespace {

List gPlayingVoices;
constexpr uint32_t kMaxStarvedBlocks = 43;  // about 0.25 s of blocks at 44.1 kHz
constexpr float kMinPitch = 1.0f / 64.0f;
constexpr float kMaxPitch = 64.0f;
constexpr float kMaxGain = 1 << 20;

Voice* VoiceOf(ListNode* node) { return reinterpret_cast<Voice*>(node); }

int32_t GainToFixed(float gain) {
    float scaled = gain * 1024.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled > kMaxGain) scaled = kMaxGain;
    return static_cast<int32_t>(scaled);
}

// Unlinks a voice whose sound is over and gives back what it held.
void FinishVoice(Voice* voice) {
    ListRemove(&gPlayingVoices, &voice->node);
    if (voice->codec != nullptr) voice->codec->codec->Close(voice->codec);
    if (voice->stream != nullptr) voice->stream->Release();
    voice->stream = nullptr;
    voice->state = kVoiceStopped;
}

}  // namespace

size_t VoiceSize(uint32_t channels) {
    return (sizeof(Voice) + 15) / 16 * 16 + (sizeof(SoundResampler) + 15) / 16 * 16 +
           SoundRingBuffer::Size(channels, kVoiceRingBytes, 0, 16);
}

Voice* BuildVoice(uint32_t channels, void* memory) {
    auto* voice = static_cast<Voice*>(memory);
    std::memset(static_cast<void*>(voice), 0, sizeof *voice);
    voice->poolChannels = voice->channels = static_cast<uint16_t>(channels);
    char* after = static_cast<char*>(memory) + (sizeof(Voice) + 15) / 16 * 16;
    voice->resampler = reinterpret_cast<SoundResampler*>(after);
    InitResampler(voice->resampler);
    after += (sizeof(SoundResampler) + 15) / 16 * 16;
    voice->ring = SoundRingBuffer::Build(after, channels, kVoiceRingBytes, 0, 16);
    voice->params = SoundParams{};
    voice->state = kVoiceStopped;
    return voice;
}

void InitVoiceList() { ListInit(&gPlayingVoices); }

void SetVoiceStream(Voice* voice, Stream* stream) { voice->stream = stream; }

void SetVoiceLoop(Voice* voice, int32_t loop) {
    if (voice->codec != nullptr) voice->codec->loop = loop;
}

void SetVoiceParams(Voice* voice, const SoundParams& params) {
    voice->params = params;
    voice->dirty = 1;
}

void StartVoice(Voice* voice) {
    if (voice->stream == nullptr || voice->state != kVoiceStopped) return;
    voice->ring->Reset();
    InitResampler(voice->resampler);
    voice->samplesPlayed = 0;
    voice->starvedBlocks = 0;
    voice->state = kVoiceStarting;
    ListPushBack(&gPlayingVoices, &voice->node);
}

void StopVoice(Voice* voice) {
    if (voice->state == kVoiceStopped) {
        // A stream set on a voice that never started is still the voice's.
        if (voice->stream != nullptr) voice->stream->Release();
        voice->stream = nullptr;
        return;
    }
    FinishVoice(voice);
}

uint32_t GetVoicePositionMs(const Voice* voice) {
    if (voice->state != kVoicePlaying || voice->codec == nullptr || voice->codec->format.sampleRate == 0) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(voice->samplesPlayed) * 1000 / voice->codec->format.sampleRate);
}

void DestroyVoice(Voice* voice) { StopVoice(voice); }

void UpdateVoiceGain(Voice* voice) {
    voice->dirty = 0;
    float g = GetCategoryGain(voice->params.category) * voice->params.volume;
    std::memset(voice->gains, 0, sizeof voice->gains);
    if (voice->channels <= 1) {
        float pan = voice->params.pan;
        pan = pan < -1.0f ? -1.0f : pan > 1.0f ? 1.0f : pan;
        // The exact functions, so the pan's end points are exact too.
        float sine = std::sin((pan + 1.0f) * 0.7853982f);
        float cosine = std::cos((pan + 1.0f) * 0.7853982f);
        voice->gains[0][0] = GainToFixed(sine * g);
        voice->gains[0][1] = GainToFixed(cosine * g);
    } else {
        voice->gains[0][0] = voice->gains[1][1] = GainToFixed(g);
    }
    if (voice->codec != nullptr && voice->codec->format.sampleRate != 0) {
        float pitch = voice->params.pitch;
        if (!(pitch >= kMinPitch)) pitch = kMinPitch;
        if (pitch > kMaxPitch) pitch = kMaxPitch;
        auto destination = static_cast<uint32_t>(static_cast<float>(GetSoundSampleRate()) / pitch);
        if (destination == 0) destination = 1;
        SetResamplerRates(voice->resampler, voice->codec->format.sampleRate, destination);
        voice->resampling = voice->resampler->step != kResamplerOne;
    }
}

void UpdateAllVoiceGains() {
    for (ListNode* node = gPlayingVoices.head; node != nullptr; node = node->next) UpdateVoiceGain(VoiceOf(node));
}

namespace {

// Opens the codec on the voice's stream; false (voice stopped) when it cannot.
bool OpenVoiceCodec(Voice* voice) {
    SoundCodecInstance* codec = voice->codec;
    if (codec == nullptr) return false;
    codec->stream = voice->stream;
    codec->ring = voice->ring;
    if (codec->codec->Open(codec) == 0 || codec->format.channels == 0 ||
        codec->format.channels > voice->poolChannels) {
        LogError("Failed to open a sound for playing.");
        return false;
    }
    voice->channels = codec->format.channels;
    voice->sends[0] = kUnityGain;
    voice->sends[1] = 0;
    UpdateVoiceGain(voice);
    voice->state = kVoicePlaying;
    return true;
}

}  // namespace

void MixAllVoices(SoundMixBus* bus, int32_t* const* scratch) {
    ListNode* node = gPlayingVoices.head;
    while (node != nullptr) {
        ListNode* next = node->next;  // the voice may unlink itself
        Voice* voice = VoiceOf(node);
        if (voice->state == kVoiceStarting && !OpenVoiceCodec(voice)) {
            FinishVoice(voice);
        } else {
            MixVoice(voice, bus, scratch);
        }
        node = next;
    }
}

void MixVoice(Voice* voice, SoundMixBus* bus, int32_t* const* scratch) {
    if (voice->paused != 0 || voice->state != kVoicePlaying) return;
    if (voice->dirty != 0) UpdateVoiceGain(voice);
    SoundCodecInstance* codec = voice->codec;
    uint32_t produced = 0;
    int32_t* source[kMixBusChannels];
    int32_t* target[kMixBusChannels];
    while (produced < kMixBlockSamples) {
        codec->codec->Process(codec);
        uint32_t avail = voice->ring->GetReadBlock(source) / 4;
        if (avail == 0) {
            if (codec->ended != 0) {
                FinishVoice(voice);
                break;
            }
            // The reader gave nothing and did not end: try again next block,
            // but not forever.
            if (produced == 0 && ++voice->starvedBlocks >= kMaxStarvedBlocks) {
                LogError("A sound stopped: its data gave nothing for %u blocks.", voice->starvedBlocks);
                FinishVoice(voice);
            }
            break;
        }
        voice->starvedBlocks = 0;
        uint32_t want = kMixBlockSamples - produced;
        for (uint32_t c = 0; c < voice->channels; ++c) target[c] = scratch[c] + produced;
        uint32_t in;
        uint32_t out;
        if (voice->resampling != 0) {
            uint32_t needed = ResamplerInputNeeded(voice->resampler, want);
            in = needed < avail ? needed : avail;
            if (in == 0) in = 1;  // every pass consumes input, so the loop ends
            out = Resample(voice->resampler, voice->channels, in, want, source, target);
        } else {
            in = out = want < avail ? want : avail;
            for (uint32_t c = 0; c < voice->channels; ++c) std::memcpy(target[c], source[c], in * sizeof(int32_t));
        }
        voice->ring->CommitRead(in * 4);
        voice->samplesPlayed += in;
        produced += out;
    }
    if (produced == 0) return;
    for (int32_t send : voice->sends) {
        if (send != 0) MixIntoBus(bus, scratch, voice->channels, produced, voice->gains, send);
    }
}
