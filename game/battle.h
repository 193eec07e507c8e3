// One battle scene: the field loaded from a map, the markers laid on it, up
// to 20 units (not owned), the cursor cell, lighting and background colours,
// the fixed shadow camera and the orbit camera. The scripts create it
// through QmBattleInterface, which owns it; the App updates and draws the
// current one every frame. The field renderer (game/field_draw.h) reads the
// public members below. Main thread only.
#pragma once

#include <cstdint>

#include "core/mat4.h"
#include "game/battle_camera.h"
#include "game/field.h"
#include "game/unit.h"

struct FsMgr;
struct QmFieldMarkers;
struct Texture;

constexpr int32_t kBattleMaxUnits = 20;

class QmBattle {
public:
    // Loads map `mapId` (area x 100 + map) from `fs`; a map that fails to load
    // leaves an empty field, and the battle still works.
    QmBattle(FsMgr* fs, int32_t mapId);
    // Clears its units' field pointers, so units outliving the battle stay safe.
    virtual ~QmBattle();
    QmBattle(const QmBattle&) = delete;
    QmBattle& operator=(const QmBattle&) = delete;

    // One frame: camera (with the pick ray through the pointer), field fades,
    // markers, each unit's position and animation, then the depth sort.
    void Update(int32_t pointerX, int32_t pointerY);
    // Depth writes on, depth cleared to 1, then the field renderer.
    void Draw();
    // Appends the unit and gives it the field; false (with a log line) when
    // it is null, already in the battle or all 20 slots are taken.
    bool AddUnit(QmUnit* unit);
    // Removes the unit, keeping the order of the others; a unit that is not
    // in the battle changes nothing.
    void RemoveUnit(QmUnit* unit);
    bool HasUnit(const QmUnit* unit) const;
    // Sorts unitsSorted by depth, nearest last (drawn last).
    void SortUnits();
    void OnLostDevice();
    void RestoreDevice();

    // The cell centre of (x, z) as a fractional cell position.
    void CellCentre(int32_t x, int32_t z, float out[3]) const;
    // Moves the cursor (a fractional cell position) and the markers' cursor.
    void SetCursor(const float position[3]);
    // The unit whose figure covers the pointer of the last Update, the nearest one when
    // figures overlap; null when none does.
    QmUnit* UnitUnderPointer() const;

    // --- read by the field renderer --------------------------------------------------
    FsMgr* fs;
    QmBattleCamera camera;
    float cursor[3] = {-1, -1, -1};  // cell centre; x < 0 means no cursor
    int32_t pointer[2] = {-1, -1};   // the pointer at the last Update, y down from the top
    float brightness = 1.0f;         // scales the background colours
    float ambient = 0.4f;
    float diffuse = 0.9f;
    uint32_t backgroundTop;     // RGBA8, red in the lowest byte
    uint32_t backgroundBottom;  // RGBA8, red in the lowest byte
    QmField* field = nullptr;           // owned
    QmFieldMarkers* markers = nullptr;  // owned by the field renderer's side (CreateBattleFieldGraphics)
    int32_t unitCount = 0;
    QmUnit* units[kBattleMaxUnits] = {};        // in the order added, not owned
    QmUnit* unitsSorted[kBattleMaxUnits] = {};  // by depth after each Update
    Texture* shadowTexture = nullptr;           // 1024 x 1024, only with shadows on
    Mat4 shadowMatrix = Mat4::Identity();       // world to shadow-map texture coordinates
    float lightDirection[3];
    CameraParams shadowCamera;
};
