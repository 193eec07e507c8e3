// How the particle-effect runtime reaches the engine: effect and model files
// through engine streams from the pack's effect folder, textures through a
// reference-counted cache of engine textures, and sounds by name through one
// engine SoundPlayer. Main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "fx/file_interface.h"
#include "fx/resource_loaders.h"
#include "fx/sound_player.h"

struct FsMgr;
struct Stream;
struct Texture;
struct SoundPlayer;

// Paths of this many bytes or more (with the NUL) are refused, never cut.
constexpr size_t kEffectPathSize = 256;

// False, with one log line naming the path, when it is too long to open.
bool EffectPathFits(const char* path);

class QmFxReader : public Fx::FileReader {
public:
    explicit QmFxReader(Stream* stream) : stream_(stream) {}
    ~QmFxReader() override;
    size_t Read(void* buffer, size_t size) override;
    void Seek(int64_t position) override;
    int64_t GetPosition() override;
    int64_t GetLength() override;

private:
    Stream* stream_;  // owned
};

// Reads files of `folder` (not owned); writing is not offered.
class QmFxFileInterface : public Fx::FileInterface {
public:
    explicit QmFxFileInterface(FsMgr* folder) : folder_(folder) {}
    std::unique_ptr<Fx::FileReader> OpenRead(const char* path) override;
    std::unique_ptr<Fx::FileWriter> OpenWrite(const char*) override { return nullptr; }

private:
    FsMgr* folder_;
};

// One engine texture per path, however many effects use it; the handle is
// the GL texture name. Each Load holds one engine reference until its Unload.
class QmTextureLoader : public Fx::TextureLoader {
public:
    explicit QmTextureLoader(FsMgr* folder) : folder_(folder) {}
    // Forgets the cache without releasing: the textures belong to the engine's list.
    ~QmTextureLoader() override = default;
    void* Load(const char* path) override;
    // A handle the cache does not know is ignored.
    void Unload(void* texture) override;

    int64_t GetTotalBytes() const { return totalBytes_; }
    size_t GetCachedCount() const { return byPath_.size(); }

private:
    FsMgr* folder_;
    std::map<std::string, Texture*> byPath_;
    std::map<uint32_t, std::string> byName_;
    int64_t totalBytes_ = 0;
};

// A sound's data is its file name with the extension "adp"; nothing is
// opened until it plays.
class QmSoundLoader : public Fx::SoundLoader {
public:
    void* Load(const char* path) override;
    void Unload(void* sound) override;
};

// Every effect sound goes to one engine player reading from `folder`; only
// Play and StopAll act, as one player cannot tell the plays' sounds apart.
class QmSoundPlayer : public Fx::SoundPlayer {
public:
    explicit QmSoundPlayer(FsMgr* folder);
    ~QmSoundPlayer() override;
    Fx::SoundHandle Play(Fx::SoundTag tag, const Fx::SoundParameter& parameter) override;
    void Stop(Fx::SoundHandle, Fx::SoundTag) override {}
    void Pause(Fx::SoundHandle, Fx::SoundTag, bool) override {}
    bool CheckPlaying(Fx::SoundHandle, Fx::SoundTag) override { return false; }
    void StopTag(Fx::SoundTag) override {}
    void PauseTag(Fx::SoundTag, bool) override {}
    bool CheckPlayingTag(Fx::SoundTag) override { return false; }
    void StopAll() override;

    ::SoundPlayer* GetEnginePlayer() const { return player_; }

private:
    ::SoundPlayer* player_;  // owned; null when it could not be made
};
