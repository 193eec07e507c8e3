// The output that plays nothing: it accepts a whole write once that many
// samples' worth of time has passed since the last one, so the mixer moves at
// the speed of real time. After a stall of more than 50 ms it takes the next
// write at once and paces from there instead of racing to catch up. Stop does
// nothing: voices keep moving while the game is inactive.
#include "platform/audio_device.h"
#include "platform/threads.h"

namespace {

constexpr int64_t kStallMicros = 50000;

class NullOutput final : public SoundOutput {
public:
    explicit NullOutput(AudioClock clock) : clock_(clock != nullptr ? clock : GetTimeMicros) {}

    bool Init(uint32_t, uint32_t sampleRate) override {
        sampleRate_ = sampleRate != 0 ? sampleRate : 1;
        return true;
    }
    void Shutdown() override {}
    void Start() override { lastTime_ = clock_(); }
    void Stop() override {}

    bool Audible() const override { return false; }
    uint32_t Write(const int32_t* const*, uint32_t, uint32_t count) override {
        uint64_t now = clock_();
        int64_t elapsed = static_cast<int64_t>(now - lastTime_);
        if (elapsed > kStallMicros) {
            lastTime_ = now;
            return count;
        }
        uint64_t need = static_cast<uint64_t>(count) * 1000000u / sampleRate_;
        if (elapsed < static_cast<int64_t>(need)) return 0;
        lastTime_ += need;
        return count;
    }

private:
    AudioClock clock_;
    uint32_t sampleRate_ = 44100;
    uint64_t lastTime_ = 0;
};

}  // namespace

SoundOutput* CreateNullOutput(AudioClock clock) { return new NullOutput(clock); }
