// The battle's effect calls while no effect framework is linked in.
#include "game/battle_effects.h"

void BattleEffectsSetField(QmField*) {}
int32_t BattleEffectStart(int32_t, const float[3], const float[3], int32_t) { return -1; }
void BattleEffectStop(int32_t) {}
void BattleEffectSetParameter(int32_t, int32_t, float) {}
void BattleEffectMoveTo(int32_t, int32_t, const float[3]) {}
bool BattleEffectIsEnd(int32_t) { return true; }
