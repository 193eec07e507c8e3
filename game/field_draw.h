// Where the battle meets its field renderer: the terrain mesh, the shadow
// map, the markers laid on the field (range panels, route arrows, unit
// shadows, cursor, direction arrow) and the drawing of a battle frame. The
// battle calls only these functions; the renderer reads the battle's public
// members (game/battle.h). Every function takes a battle whose markers may be
// null (a renderer that made none) and then does what it can without them.
// Main thread only.
#pragma once

#include <cstdint>

class QmBattle;

// After the map loaded: makes the markers (linked with the field and loaded
// from the battle's file system), the terrain mesh and, with shadows on, the
// shadow map.
void CreateBattleFieldGraphics(QmBattle* battle);
// Before the field goes: releases the markers and the shadow texture.
void DestroyBattleFieldGraphics(QmBattle* battle);
// The GL context is about to go: drops the shadow texture and the field's GL buffers.
void ReleaseBattleFieldDevice(QmBattle* battle);
// A new GL context: rebuilds the terrain mesh and the shadow map.
void RestoreBattleFieldDevice(QmBattle* battle);

// Once per frame after the camera moved.
void UpdateBattleMarkers(QmBattle* battle);
// The 3D pass of a battle frame: background, terrain, objects, markers and
// the units in battle->unitsSorted order (QmUnit::Draw with the "unit"
// program current and GetUnitAttribs() enabled around the pass; the program
// is handed over with GetUnitAttribs().Lookup whenever the field programs
// load), with the depth buffer already cleared.
void DrawBattleField(QmBattle* battle);

// The markers the scripts steer. Positions are fractional cell positions
// (x + 0.5, height, z + 0.5).
void SetMarkerCursor(QmBattle* battle, const float position[3]);
void SetMarkerCursorVisible(QmBattle* battle, bool visible);
void SetMarkerArrowVisible(QmBattle* battle, bool visible);
void SetMarkerArrowPos(QmBattle* battle, const float position[3]);
void SetMarkerArrowDir(QmBattle* battle, int32_t direction);
void SetMarkerRouteVisible(QmBattle* battle, bool visible);
// `cells` holds `count` (x, height, z) triples as QmField::GetRoute lists
// them, target first; the markers keep what fits their capacity.
void SetMarkerRoute(QmBattle* battle, const int32_t* cells, int32_t count);
