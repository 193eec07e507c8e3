// The effect front door: id and handle dispatch, the built-in table, the
// move-to tween table and the per-frame passes.
#include "effects/game/efc.h"

#include <memory>

#include "core/easing.h"
#include "effects/game/efc_arrow.h"
#include "effects/game/efc_base.h"
#include "effects/game/efc_focus_lines.h"
#include "effects/game/efc_rain.h"
#include "fs/fs_mgr.h"
#include "platform/debug_log.h"

namespace {

constexpr int32_t kMaxFxId = 1023;  // ids up to here belong to the particle effects

std::unique_ptr<QmEfc> gBuiltIns[kEfcBuiltInCount];
EfcFxBackend* gFx = nullptr;
const CameraParams* gCamera = nullptr;

EffectTween gTweens[kEfcTweenSlots] = {
    {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}},
    {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}},
    {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}},
    {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}}, {-1, 0, 0, {}, {}},
};

// The built-in a handle names, or null (-1, particle handles, anything else).
QmEfc* BuiltInOfHandle(EfcHandle handle) {
    if (handle == kEfcNone || handle >= 0) return nullptr;
    const int64_t index = -int64_t{kEfcArrowId} - handle;
    return index >= 0 && index < kEfcBuiltInCount ? gBuiltIns[index].get() : nullptr;
}

bool IsRunning(const std::unique_ptr<QmEfc>& effect) { return effect && effect->ended == 0; }

void StepTween(EffectTween* tween) {
    ++tween->frame;
    if (tween->frame < tween->frames) {
        float point[3];
        LerpVec3(static_cast<float>(tween->frame) / static_cast<float>(tween->frames), tween->from, tween->to, point);
        if (gFx) gFx->SetLocation(tween->handle, point);
        return;
    }
    if (gFx) gFx->SetLocation(tween->handle, tween->to);
    tween->handle = -1;
}

}  // namespace

bool QmEfc::PackHas(FsMgr* pack, const char* name) {
    if (FsMgr::GetFileSize(pack, name) >= 0) return true;
    missingFiles.push_back(name);
    return false;
}

void EfcSetFxBackend(EfcFxBackend* backend) { gFx = backend; }

void EfcInitialize(FsMgr* pack, int32_t reserved) {
    gBuiltIns[0] = std::make_unique<QmEfcArrow>(pack);
    gBuiltIns[1] = std::make_unique<QmEfcFocusLines>(pack);
    gBuiltIns[2] = std::make_unique<QmEfcRain>(pack);
}

void EfcFinalize() {
    for (auto& effect : gBuiltIns) effect.reset();
    for (EffectTween& tween : gTweens) tween.handle = -1;
    gCamera = nullptr;
}

void EfcOnLostDevice() {
    for (auto& effect : gBuiltIns) {
        if (effect) effect->OnLostDevice();
    }
    if (gFx) gFx->OnLostDevice();
}

void EfcOnResetDevice() {
    if (gFx) gFx->OnResetDevice();
    for (auto& effect : gBuiltIns) {
        if (effect) effect->OnResetDevice();
    }
}

void EfcUpdate() {
    for (auto& effect : gBuiltIns) {
        if (IsRunning(effect)) effect->Update();
    }
    for (EffectTween& tween : gTweens) {
        if (tween.handle != -1) StepTween(&tween);
    }
    if (gFx) gFx->Update();
}

void EfcDraw(const CameraParams* camera) {
    if (!camera) camera = gCamera;
    for (auto& effect : gBuiltIns) {
        if (IsRunning(effect)) effect->Draw(camera);
    }
    if (gFx) gFx->Draw(camera);
}

void EfcDrawModels(const CameraParams* camera) {
    if (!camera) camera = gCamera;
    for (auto& effect : gBuiltIns) {
        if (IsRunning(effect)) effect->DrawModels(camera);
    }
}

void EfcDrawScreen() {
    for (auto& effect : gBuiltIns) {
        if (IsRunning(effect)) effect->DrawScreen();
    }
}

EfcHandle EfcStartEffect(int32_t id, const float from[3], const float to[3], int32_t flag) {
    if (id < 0) return kEfcNone;
    if (id <= kMaxFxId) {
        if (gFx) return gFx->Play(id, from, to, flag);
        LogError("Invalid effect ID: %d", id);  // no effect list is loaded without the particle system
        return kEfcNone;
    }
    if (id > kEfcRainId) return kEfcNone;
    QmEfc* effect = gBuiltIns[id - kEfcArrowId].get();
    if (!effect) return kEfcNone;
    // It starts all the same: the handle is the script's to wait on.
    for (const char* file : effect->missingFiles) {
        LogWarning("effect %d: \"%s\" is not in the pack: %s", id, file, effect->undrawn);
    }
    effect->missingFiles.clear();
    effect->Start(from, to, flag);
    return -id;
}

void EfcStopEffect(EfcHandle handle) {
    if (handle >= 0) {
        if (gFx) gFx->Stop(handle);
        return;
    }
    if (QmEfc* effect = BuiltInOfHandle(handle)) effect->Stop();
}

void EfcSetEffectParameter(EfcHandle handle, int32_t index, float value) {
    if (QmEfc* effect = BuiltInOfHandle(handle)) effect->SetParameter(index, value);
}

void EfcMoveEffectTo(EfcHandle handle, int32_t frames, const float to[3]) {
    if (handle < 0 || !gFx) return;
    for (EffectTween& tween : gTweens) {
        if (tween.handle != -1) continue;
        tween.handle = handle;
        tween.frame = 0;
        tween.frames = frames;
        gFx->GetLocation(handle, tween.from);
        for (int i = 0; i < 3; ++i) tween.to[i] = to[i];
        return;
    }
}

int32_t EfcIsEffectEnd(EfcHandle handle) {
    if (handle >= 0) return gFx ? gFx->IsEnd(handle) : 1;
    const QmEfc* effect = BuiltInOfHandle(handle);
    return effect ? effect->ended : 1;
}

void EfcSetContext(QmField* field, const CameraParams* camera) {
    for (auto& effect : gBuiltIns) {
        if (effect) effect->context = field;
    }
    gCamera = camera;
}

QmEfc* EfcGetBuiltIn(int32_t id) {
    return id >= kEfcArrowId && id <= kEfcRainId ? gBuiltIns[id - kEfcArrowId].get() : nullptr;
}

const EffectTween* EfcGetTweens() { return gTweens; }
