// The particle-effect system of the game: one effect manager and one
// renderer, the effects named by the pack's "/effect/list.txt" (line n is
// effect id n: "name,flag"), and where a play stands in the battle field or
// on a 2D layer. It is the effect front door's particle backend; one exists
// at a time. Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "core/random.h"
#include "effects/game/efc.h"

namespace Fx {
class Manager;
class Effect;
}  // namespace Fx
namespace FxRenderer {
class Renderer;
}
class QmFxFileInterface;
class QmTextureLoader;

constexpr int32_t kEffectIdCount = 256;
constexpr int32_t kEffectInstanceCount = 800;
constexpr int32_t kEffectSquareCount = 1200;
// Bytes of one list line with its NUL; the rest of a longer line is dropped.
constexpr uint32_t kEffectListLineSize = 256;
// Effect files above this are refused with a log line rather than cut.
constexpr uint32_t kMaxEffectFileBytes = 16u << 20;
// What the whole list may load: lines naming a file already loaded share its
// effect; past either budget further lines are refused with one line each.
// Every file read counts its bytes, so refused files cost bounded time too.
constexpr uint64_t kEffectListBytes = 32u << 20;
constexpr int32_t kEffectListNodes = 32768;

// List-line flag bits read by battle plays.
enum EffectListFlags : uint8_t {
    kEffectFromSource = 1,   // start 32 below the source point, not at the target
    kEffectNeverRaise = 2,   // the caller's flag does not lift it by 32
};

class EffectSystem final : public EfcFxBackend {
public:
    // Makes the system over the pack's "/effect" folder, reads the list and
    // installs it as the front door's backend. Null when the manager or the
    // folder cannot be made (the renderer may still be missing: no GL).
    static EffectSystem* Create(FsMgr* pack);
    // Uninstalls and frees the current system; nothing without one.
    static void Destroy();
    static EffectSystem* Get();

    // The battle play: id 0..255, placed by its list flag and the caller's.
    int32_t Play(int32_t id, const float from[3], const float to[3], int32_t flag) override;
    // The 2D-layer play at a pixel position; not drawn by the battle pass.
    int32_t PlayLayer(int32_t id, const float position[3]);
    // One play alone with a y-down orthographic projection of the screen in pixels.
    void DrawHandle(int32_t handle);
    void Stop(int32_t handle) override;
    int32_t IsEnd(int32_t handle) override;
    void GetLocation(int32_t handle, float out[3]) override;
    void SetLocation(int32_t handle, const float point[3]) override;
    void Update() override;
    // Every auto-drawn play through the camera; nothing without one.
    void Draw(const CameraParams* camera) override;
    void OnLostDevice() override;
    void OnResetDevice() override;

    Fx::Manager* GetManager() const { return manager_; }
    FxRenderer::Renderer* GetRenderer() const { return renderer_; }
    QmTextureLoader* GetTextureLoader() const { return textureLoader_; }
    Fx::Effect* GetEffect(int32_t id) const;
    uint8_t GetFlag(int32_t id) const;

private:
    EffectSystem() = default;
    ~EffectSystem();
    void LoadList();
    void CreateRenderer();
    void ReleaseEffectsAndRenderers();
    // The effect of a valid, loaded id; null with the error line otherwise.
    Fx::Effect* EffectOfId(int32_t id) const;
    static int RandomCallback();

    FsMgr* folder_ = nullptr;  // owned: the pack's "/effect"
    QmFxFileInterface* fileInterface_ = nullptr;
    FxRenderer::Renderer* renderer_ = nullptr;  // null between a device loss and the reset
    Fx::Manager* manager_ = nullptr;
    QmTextureLoader* textureLoader_ = nullptr;  // owned by the manager
    Fx::Effect* effects_[kEffectIdCount] = {};
    uint8_t flags_[kEffectIdCount] = {};
    RandomState random_{};  // behind the manager's random function, seeded with 0
    std::vector<uint8_t> fileBuffer_;
};
