// The interface through which effect nodes play their sounds. A tag groups
// the sounds of one play, so they can be stopped or paused together.
#pragma once

#include "fx/vector3d.h"

namespace Fx {

using SoundTag = void*;
using SoundHandle = void*;

struct SoundParameter {
    void* data = nullptr;  // what the sound loader answered for the wave
    float volume = 0.0f;
    float pan = 0.0f;
    float pitch = 0.0f;
    bool mode3D = false;  // placed at `position` rather than panned
    Vector3D position;
    float distance = 0.0f;
};

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual SoundHandle Play(SoundTag tag, const SoundParameter& parameter) = 0;
    virtual void Stop(SoundHandle handle, SoundTag tag) = 0;
    virtual void Pause(SoundHandle handle, SoundTag tag, bool pause) = 0;
    virtual bool CheckPlaying(SoundHandle handle, SoundTag tag) = 0;
    virtual void StopTag(SoundTag tag) = 0;
    virtual void PauseTag(SoundTag tag, bool pause) = 0;
    virtual bool CheckPlayingTag(SoundTag tag) = 0;
    virtual void StopAll() = 0;
};

}  // namespace Fx
