// The battle's one way into the screen effects (the effect framework): its
// field and camera as their context, and the script's effect calls.
#pragma once

#include <cstdint>

class QmField;
struct CameraParams;

// The field the effects stand on (rain, for one) and the camera they are
// seen through; both null when the battle goes.
void BattleEffectsSetContext(QmField* field, const CameraParams* camera);
int32_t BattleEffectStart(int32_t effectId, const float from[3], const float to[3], int32_t flag);
void BattleEffectStop(int32_t handle);
void BattleEffectSetParameter(int32_t handle, int32_t index, float value);
void BattleEffectMoveTo(int32_t handle, int32_t frames, const float to[3]);
bool BattleEffectIsEnd(int32_t handle);
