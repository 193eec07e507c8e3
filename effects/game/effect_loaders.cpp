// The effect runtime's files, textures and sounds over the engine's streams,
// textures and sound players.
#include "effects/game/effect_loaders.h"

#include <cmath>
#include <cstring>

#include "core/allocator.h"
#include "core/path_util.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "gfx/texture.h"
#include "media/sound_player.h"
#include "platform/debug_log.h"

bool EffectPathFits(const char* path) {
    if (path == nullptr) return false;
    if (strnlen(path, kEffectPathSize) < kEffectPathSize) return true;
    LogError("effect path too long: \"%.64s...\"", path);
    return false;
}

// --- files ----------------------------------------------------------------------

QmFxReader::~QmFxReader() { stream_->Release(); }

size_t QmFxReader::Read(void* buffer, size_t size) {
    // The stream counts in 32 bits: a larger request is read in pieces.
    size_t total = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (total < size) {
        const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(size - total, 0x40000000u));
        const uint32_t got = stream_->Read(out + total, piece);
        total += got;
        if (got < piece) break;
    }
    return total;
}

void QmFxReader::Seek(int64_t position) {
    if (position < 0 || position > INT32_MAX) return;
    stream_->Seek(static_cast<int32_t>(position), kSeekSet);
}

int64_t QmFxReader::GetPosition() { return stream_->Tell(); }
int64_t QmFxReader::GetLength() { return stream_->Size(); }

std::unique_ptr<Fx::FileReader> QmFxFileInterface::OpenRead(const char* path) {
    if (!EffectPathFits(path)) return nullptr;
    Stream* stream = FsMgr::OpenStream(folder_, path, 0, 0, kOpenRead, nullptr);
    if (stream == nullptr) return nullptr;
    return std::make_unique<QmFxReader>(stream);
}

// --- textures -------------------------------------------------------------------

void* QmTextureLoader::Load(const char* path) {
    if (!EffectPathFits(path)) return nullptr;
    auto hit = byPath_.find(path);
    if (hit != byPath_.end()) {
        Texture::AddRef(hit->second);
        return reinterpret_cast<void*>(uintptr_t{hit->second->name});
    }
    Texture* texture = Texture::Load(path, folder_, nullptr);
    if (texture == nullptr) return nullptr;
    totalBytes_ += texture->byteSize;
    byPath_.emplace(path, texture);
    byName_.emplace(texture->name, path);
    return reinterpret_cast<void*>(uintptr_t{texture->name});
}

void QmTextureLoader::Unload(void* handle) {
    if (handle == nullptr) return;
    auto named = byName_.find(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)));
    if (named == byName_.end()) return;
    auto cached = byPath_.find(named->second);
    if (cached == byPath_.end()) return;
    Texture* texture = cached->second;
    if (texture->refCount == 1) {
        totalBytes_ -= texture->byteSize;
        byPath_.erase(cached);
        byName_.erase(named);
    }
    Texture::Release(texture);
}

// --- sounds ---------------------------------------------------------------------

void* QmSoundLoader::Load(const char* path) {
    if (!EffectPathFits(path)) return nullptr;
    const std::string name = ReplaceExtension(path, "adp");
    auto* copy = static_cast<char*>(Alloc(nullptr, name.size() + 1, 1));
    if (copy == nullptr) return nullptr;
    memcpy(copy, name.c_str(), name.size() + 1);
    return copy;
}

void QmSoundLoader::Unload(void* sound) { Allocator::Free(sound); }

QmSoundPlayer::QmSoundPlayer(FsMgr* folder) : player_(::SoundPlayer::Create(nullptr)) {
    if (player_ != nullptr) player_->AttachFsMgr(folder);
}

QmSoundPlayer::~QmSoundPlayer() { ::SoundPlayer::Destroy(player_); }

Fx::SoundHandle QmSoundPlayer::Play(Fx::SoundTag, const Fx::SoundParameter& parameter) {
    if (player_ == nullptr || parameter.data == nullptr) return nullptr;
    player_->StoreVolume(parameter.volume);
    player_->StorePitch(parameter.pitch == 0.0f ? 1.0f : std::exp2(parameter.pitch));
    player_->StorePan(parameter.mode3D ? parameter.pan : 0.0f);
    player_->QueueFile(static_cast<const char*>(parameter.data));
    return player_;
}

void QmSoundPlayer::StopAll() {
    if (player_ != nullptr) player_->MarkStop();
}
