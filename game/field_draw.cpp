// Where the battle meets the field renderer: the battle's markers and shadow
// map made and dropped with it and with the device, and each frame's
// FieldDrawInputs filled from the battle's camera, lighting and units.
#include "game/field_draw.h"

#include <new>

#include "effects/game/efc.h"
#include "fs/fs_slots.h"
#include "game/battle.h"
#include "game/field_markers.h"
#include "game/field_renderer.h"
#include "gfx/texture.h"

namespace {

constexpr int32_t kShadowMapSize = 1024;

void MakeShadowMap(QmBattle* battle) {
    const FieldShaderSet& shaders = *GetFieldShaderSet();
    if (!shaders.shadows || battle->shadowTexture) return;
    battle->shadowTexture = CreateShadowMap(battle->field, kShadowMapSize, battle->shadowCamera, &battle->shadowMatrix,
                                            shaders.programs[kFieldProgramShadowMap]);
}

void DropShadowMap(QmBattle* battle) {
    Texture::Release(battle->shadowTexture);
    battle->shadowTexture = nullptr;
}

}  // namespace

void CreateBattleFieldGraphics(QmBattle* battle) {
    // The programs come from the game's pack, whatever folder the map came from.
    if (FsMgr* pack = GetFsMgrSlot(kSlotPack)) ReportMissingFieldPrograms(*GetFieldShaderSet(), pack);
    auto* markers = new (std::nothrow) QmFieldMarkers();
    if (markers) {
        markers->Init(GetFieldShaderSet()->programs[kFieldProgramPanel]);
        markers->Link(battle->field);
        markers->LoadTextures(battle->fs, nullptr);
    }
    battle->markers = markers;
    MakeShadowMap(battle);  // the terrain mesh was built when the map loaded
}

void DestroyBattleFieldGraphics(QmBattle* battle) {
    delete battle->markers;  // unlinks itself from the field
    battle->markers = nullptr;
    DropShadowMap(battle);
}

void ReleaseBattleFieldDevice(QmBattle* battle) {
    DropShadowMap(battle);
    battle->field->ReleaseBuffers();
}

void RestoreBattleFieldDevice(QmBattle* battle) {
    battle->field->RestoreBuffers();
    MakeShadowMap(battle);
}

void UpdateBattleMarkers(QmBattle* battle) {
    if (battle->markers) battle->markers->Update();
}

void DrawBattleField(QmBattle* battle) {
    FieldDrawInputs in;
    in.field = battle->field;
    in.markers = battle->markers;
    in.projection = battle->camera.projection;
    in.view = battle->camera.viewMatrix;
    in.yaw = battle->camera.yaw;
    in.brightness = battle->brightness;
    in.ambient = battle->ambient;
    in.diffuse = battle->diffuse;
    in.backgroundTop = battle->backgroundTop;
    in.backgroundBottom = battle->backgroundBottom;
    for (int i = 0; i < 3; ++i) {
        in.lightDirection[i] = battle->lightDirection[i];
        in.shadowEye[i] = battle->shadowCamera.eye[i];
    }
    in.shadowTexture = battle->shadowTexture;
    in.shadowMatrix = battle->shadowMatrix;
    float positions[kBattleMaxUnits][3];
    int32_t count = 0;
    for (QmUnit* unit : battle->unitsSorted) {
        if (!unit) continue;
        positions[count][0] = unit->gridX;
        positions[count][1] = unit->gridHeight;
        positions[count][2] = unit->gridZ;
        ++count;
    }
    in.unitPositions = positions;
    in.unitCount = count;
    in.drawUnits = [battle]() {
        const UnitAttribs& attribs = GetUnitAttribs();
        attribs.Enable();
        for (QmUnit* unit : battle->unitsSorted) {
            if (unit) unit->Draw(battle->camera);
        }
        attribs.Disable();
    };
    const CameraParams* camera = &battle->camera.view;
    in.drawEffectModels = [camera]() { EfcDrawModels(camera); };
    in.drawEffects = [camera]() { EfcDraw(camera); };
    DrawField(in, *GetFieldShaderSet());
}

void SetMarkerCursor(QmBattle* battle, const float position[3]) {
    if (battle->markers) battle->markers->SetCursorPos(position);
}

void SetMarkerCursorVisible(QmBattle* battle, bool visible) {
    if (battle->markers) battle->markers->SetCursorVisible(visible);
}

void SetMarkerArrowVisible(QmBattle* battle, bool visible) {
    if (battle->markers) battle->markers->SetArrowVisible(visible);
}

void SetMarkerArrowPos(QmBattle* battle, const float position[3]) {
    if (battle->markers) battle->markers->SetArrowPos(position);
}

void SetMarkerArrowDir(QmBattle* battle, int32_t direction) {
    if (battle->markers) battle->markers->SetArrowDir(direction);
}

void SetMarkerRouteVisible(QmBattle* battle, bool visible) {
    if (battle->markers) battle->markers->SetRouteVisible(visible);
}

void SetMarkerRoute(QmBattle* battle, const int32_t* cells, int32_t count) {
    if (battle->markers) battle->markers->SetRoute(cells, count);
}
