// The battle scene: its construction, the per-frame update with the unit
// depth sort, the unit lists and the device-loss steps.
#include "game/battle.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <initializer_list>

#include "core/color_util.h"
#include "core/fast_math.h"
#include "game/battle_effects.h"
#include "game/field_draw.h"
#include "gfx/gl_state.h"
#include "platform/debug_log.h"

QmBattle::QmBattle(FsMgr* fileSystem, int32_t mapId) : fs(fileSystem) {
    const float light[3] = {0.16f, 0.56f, -0.28f};
    Vec3Normalize(light, lightDirection);
    shadowCamera.fovy = 20.0f;
    shadowCamera.aspect = 1.0f;
    shadowCamera.nearZ = 500.0f;
    shadowCamera.farZ = 20000.0f;
    for (int i = 0; i < 3; ++i) {
        shadowCamera.target[i] = 0;
        shadowCamera.eye[i] = lightDirection[i] * 6000.0f;
        shadowCamera.up[i] = i == 1 ? 1.0f : 0.0f;
    }
    backgroundTop = MakeColor(220, 240, 255, 255);
    backgroundBottom = MakeColor(0, 16, 96, 255);

    field = new QmField(lightDirection);
    BattleEffectsSetContext(field, &camera.view);
    field->LoadMap(mapId, fs, nullptr);
    CreateBattleFieldGraphics(this);
}

QmBattle::~QmBattle() {
    // Units outlive the battle when their scripts keep them; they must not
    // keep pointing at a field or a battle that is gone.
    // Removed units keep the field (their cell may still name them), so all
    // live units are looked at, not only the listed ones.
    ForgetBattleInUnits(this);
    DestroyBattleFieldGraphics(this);
    BattleEffectsSetContext(nullptr, nullptr);
    delete field;
}

void QmBattle::Update(int32_t pointerX, int32_t pointerY) {
    pointer[0] = pointerX, pointer[1] = pointerY;
    camera.Update(pointerX, pointerY);
    field->Update(camera.view);
    UpdateBattleMarkers(this);
    const int32_t screenHeight = GetScreenHeight();
    for (int32_t i = 0; i < unitCount; ++i) {
        units[i]->UpdatePosition(camera, *field, screenHeight);
        units[i]->Step();
    }
    SortUnits();
}

void QmBattle::SortUnits() {
    std::sort(unitsSorted, unitsSorted + unitCount,
              [](const QmUnit* a, const QmUnit* b) { return a->depth < b->depth; });
}

void QmBattle::Draw() {
    GlState::SetDepthMask(1);
    GlClearDepthBuffer(1.0f);
    DrawBattleField(this);
}

bool QmBattle::HasUnit(const QmUnit* unit) const {
    return unit != nullptr && std::find(units, units + unitCount, unit) != units + unitCount;
}

bool QmBattle::AddUnit(QmUnit* unit) {
    if (unit == nullptr) return false;
    if (unit->battle != nullptr && unit->battle->HasUnit(unit)) {
        LogWarning("battle: the unit is already in a battle; not added");
        return false;
    }
    if (unitCount >= kBattleMaxUnits) {
        LogWarning("battle: already %d units; another is not added", kBattleMaxUnits);
        return false;
    }
    units[unitCount] = unit;
    unitsSorted[unitCount] = unit;
    ++unitCount;
    // A unit coming from another field leaves its cell there.
    if (unit->field != nullptr && unit->field != field) unit->LeaveCell();
    unit->field = field;
    unit->battle = this;
    return true;
}

void QmBattle::RemoveUnit(QmUnit* unit) {
    if (!HasUnit(unit)) return;
    for (QmUnit** list : {units, unitsSorted}) {
        QmUnit** end = std::remove(list, list + unitCount, unit);
        *end = nullptr;
    }
    --unitCount;
}

void QmBattle::OnLostDevice() { ReleaseBattleFieldDevice(this); }

void QmBattle::RestoreDevice() { RestoreBattleFieldDevice(this); }

void QmBattle::CellCentre(int32_t x, int32_t z, float out[3]) const {
    out[0] = static_cast<float>(x) + 0.5f;
    out[2] = static_cast<float>(z) + 0.5f;
    out[1] = field->GetHeightAt(out[0], out[2]);
}

void QmBattle::SetCursor(const float position[3]) {
    for (int i = 0; i < 3; ++i) cursor[i] = position[i];
    SetMarkerCursor(this, cursor);
}

QmUnit* QmBattle::UnitUnderPointer() const {
    const float x = static_cast<float>(pointer[0]), y = static_cast<float>(GetScreenHeight() - pointer[1]);
    QmUnit* nearest = nullptr;
    for (int32_t i = 0; i < unitCount; ++i) {
        QmUnit* unit = units[i];
        if ((nearest == nullptr || unit->depth < nearest->depth) && unit->CoversWindowPoint(camera, x, y)) nearest = unit;
    }
    return nearest;
}
