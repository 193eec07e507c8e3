// The production sound output on SDL2's audio subsystem (no window, no event
// loop). Blocks are pushed with SDL_QueueAudio; SDL converts the six-channel
// stream to the device's layout (including its own 5.1 -> stereo downmix).
// At most five 512-frame buffers' worth (2560 frames, about 58 ms at 44.1 kHz)
// is kept queued, so the mixer sees back-pressure and the latency stays near
// what the mixer's own pacing needs. Pausing the device holds the queue.
// The driver is SDL's choice; SDL_AUDIODRIVER picks another one.
#include <SDL2/SDL.h>

#include <vector>

#include "platform/audio_device.h"
#include "platform/debug_log.h"

namespace {

constexpr uint32_t kBufferFrames = 512;
constexpr uint32_t kQueuedBuffers = 5;

class SdlOutput final : public SoundOutput {
public:
    ~SdlOutput() override { Shutdown(); }

    bool Init(uint32_t channels, uint32_t sampleRate) override {
        Shutdown();
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            LogFailed("initialize SDL audio. (%s)", SDL_GetError());
            return false;
        }
        subsystem_ = true;
        // Six channels, else two, else one; SDL converts to what the device has.
        const uint32_t tries[3] = {channels, 2, 1};
        for (uint32_t wanted : tries) {
            if (wanted == 0 || wanted > 8) continue;
            SDL_AudioSpec want{};
            want.freq = static_cast<int>(sampleRate);
            want.format = AUDIO_S16SYS;
            want.channels = static_cast<Uint8>(wanted);
            want.samples = kBufferFrames;
            SDL_AudioSpec have{};
            device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
            if (device_ != 0) {
                channels_ = wanted;
                break;
            }
        }
        if (device_ == 0) {
            LogFailed("open an SDL audio device. (%s)", SDL_GetError());
            Shutdown();
            return false;
        }
        limitBytes_ = kQueuedBuffers * kBufferFrames * channels_ * 2;
        frames_.assign(static_cast<size_t>(kQueuedBuffers) * kBufferFrames * channels_, 0);
        DebugPrint("Sound output: SDL \"%s\", %u channels, %u Hz", SDL_GetCurrentAudioDriver(), channels_,
                   sampleRate);
        return true;
    }

    void Shutdown() override {
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        device_ = 0;
        if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }

    void Start() override {
        if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
    }
    void Stop() override {
        if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
    }

    // Takes the first channels_ bus channels (all six, the front pair or the
    // front left) as far as the queue limit allows.
    uint32_t Write(const int32_t* const* channels, uint32_t channelCount, uint32_t count) override {
        if (device_ == 0 || channelCount < channels_) return 0;
        uint32_t queued = SDL_GetQueuedAudioSize(device_);
        if (queued >= limitBytes_) return 0;
        uint32_t freeFrames = (limitBytes_ - queued) / (channels_ * 2);
        uint32_t n = count < freeFrames ? count : freeFrames;
        if (n == 0) return 0;
        InterleaveToPcm16(frames_.data(), channels, channels_, n);
        if (SDL_QueueAudio(device_, frames_.data(), n * channels_ * 2) != 0) return 0;
        return n;
    }

private:
    SDL_AudioDeviceID device_ = 0;
    bool subsystem_ = false;
    uint32_t channels_ = 0;
    uint32_t limitBytes_ = 0;
    std::vector<int16_t> frames_;  // made at Init, so Write allocates nothing
};

}  // namespace

SoundOutput* CreateSdlOutput() { return new SdlOutput(); }
