// Game pads through SDL's joystick subsystem alone: no window, no event
// queue, no signal handlers. Pads are found once at start-up, at most two, in
// SDL's device order; each poll updates them once and reads stick and buttons.
#include <SDL2/SDL.h>

#include "platform/input_devices.h"

namespace {

constexpr int kMaxPads = 2;

class SdlPads final : public PadInput {
public:
    SdlPads() {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // Pads keep reporting while another window is active, as the game expects.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return;
        started_ = true;
        // States are read directly; queued events would pile up unread.
        SDL_JoystickEventState(SDL_IGNORE);
        int available = SDL_NumJoysticks();
        for (int index = 0; index < available && count_ < kMaxPads; ++index) {
            SDL_Joystick* pad = SDL_JoystickOpen(index);
            if (pad == nullptr) break;  // as with a failed attach: stop looking
            pads_[count_++] = pad;
        }
    }

    ~SdlPads() override {
        for (int i = 0; i < count_; ++i) SDL_JoystickClose(pads_[i]);
        if (started_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    int PadCount() override { return count_; }

    void SamplePads() override {
        if (count_ > 0) SDL_JoystickUpdate();
    }

    bool ReadPad(int pad, PadSample* sample) override {
        if (pad < 0 || pad >= count_ || !SDL_JoystickGetAttached(pads_[pad])) return false;
        SDL_Joystick* joystick = pads_[pad];
        *sample = PadSample{};
        if (SDL_JoystickNumAxes(joystick) >= 2) {
            sample->axisX = ScalePadAxis(SDL_JoystickGetAxis(joystick, 0));
            sample->axisY = ScalePadAxis(SDL_JoystickGetAxis(joystick, 1));
        }
        int buttons = SDL_JoystickNumButtons(joystick);
        if (buttons > kPadButtonCount) buttons = kPadButtonCount;
        for (int b = 0; b < buttons; ++b) sample->buttons[b] = SDL_JoystickGetButton(joystick, b);
        return true;
    }

private:
    bool started_ = false;
    int count_ = 0;
    SDL_Joystick* pads_[kMaxPads] = {};
};

}  // namespace

int32_t ScalePadAxis(int16_t value) {
    int32_t scaled = static_cast<int32_t>(value) * kPadAxisRange / 32767;
    if (scaled < -kPadAxisRange) return -kPadAxisRange;
    return scaled > kPadAxisRange ? kPadAxisRange : scaled;
}

std::unique_ptr<PadInput> OpenSdlPads() { return std::make_unique<SdlPads>(); }
