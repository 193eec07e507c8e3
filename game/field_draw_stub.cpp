// The battle's field drawing while the field renderer is not built in: the
// frame is cleared to the battle's background colour and only the effects
// are drawn over it; there are no markers and no shadow map.
#include <GLES2/gl2.h>

#include "core/color_util.h"
#include "effects/game/efc.h"
#include "game/battle.h"
#include "game/field_draw.h"
#include "gfx/gl_state.h"

void CreateBattleFieldGraphics(QmBattle*) {}
void DestroyBattleFieldGraphics(QmBattle*) {}
void ReleaseBattleFieldDevice(QmBattle* battle) { battle->field->ReleaseBuffers(); }
void RestoreBattleFieldDevice(QmBattle*) {}
void UpdateBattleMarkers(QmBattle*) {}

void DrawBattleField(QmBattle* battle) {
    const uint32_t top = ScaleColorRgb(battle->backgroundTop, battle->brightness);
    const float rgba[4] = {(top & 0xFF) / 255.0f, (top >> 8 & 0xFF) / 255.0f, (top >> 16 & 0xFF) / 255.0f, 1.0f};
    GlClearColorBuffer(rgba);
    EfcDraw(nullptr);  // through the battle's camera, the field's effect pass
}

void SetMarkerCursor(QmBattle*, const float[3]) {}
void SetMarkerCursorVisible(QmBattle*, bool) {}
void SetMarkerArrowVisible(QmBattle*, bool) {}
void SetMarkerArrowPos(QmBattle*, const float[3]) {}
void SetMarkerArrowDir(QmBattle*, int32_t) {}
void SetMarkerRouteVisible(QmBattle*, bool) {}
void SetMarkerRoute(QmBattle*, const int32_t*, int32_t) {}
