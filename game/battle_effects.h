// The battle's one way into the screen effects: the effect framework hooks
// in here. Until effects are built into the game these do what the
// framework does with no effect loaded: nothing starts (handle -1) and every
// handle reports that its effect has ended.
#pragma once

#include <cstdint>

class QmField;

// The field the effects stand on (rain, for one); null when the battle goes.
void BattleEffectsSetField(QmField* field);
int32_t BattleEffectStart(int32_t effectId, const float from[3], const float to[3], int32_t flag);
void BattleEffectStop(int32_t handle);
void BattleEffectSetParameter(int32_t handle, int32_t index, float value);
void BattleEffectMoveTo(int32_t handle, int32_t frames, const float to[3]);
bool BattleEffectIsEnd(int32_t handle);
