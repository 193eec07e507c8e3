// The battle's effect calls, through the screen-effect framework.
#include "effects/game/efc.h"
#include "game/battle_effects.h"

void BattleEffectsSetContext(QmField* field, const CameraParams* camera) { EfcSetContext(field, camera); }

int32_t BattleEffectStart(int32_t effectId, const float from[3], const float to[3], int32_t flag) {
    return EfcStartEffect(effectId, from, to, flag);
}

void BattleEffectStop(int32_t handle) { EfcStopEffect(handle); }
void BattleEffectSetParameter(int32_t handle, int32_t index, float value) { EfcSetEffectParameter(handle, index, value); }
void BattleEffectMoveTo(int32_t handle, int32_t frames, const float to[3]) { EfcMoveEffectTo(handle, frames, to); }
bool BattleEffectIsEnd(int32_t handle) { return EfcIsEffectEnd(handle) != 0; }
