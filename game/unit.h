// The record of one character on the battle field. The field reads a unit's
// side and animation in the movement search (a unit showing animation 8 lets
// others pass); the battle's unit code fills in and drives the rest.
#pragma once

#include <cstdint>

class QmField;
struct Texture;

// The animation in which a standing unit does not block the movement search.
constexpr int32_t kUnitAnimPassable = 8;

struct QmUnit {
    Texture* texture = nullptr;  // sprite sheet for (side, type)
    QmField* field = nullptr;    // set when a battle adds the unit
    int32_t cellX = 0, cellZ = 0;
    float gridX = 0, gridHeight = 0, gridZ = 0;
    float worldX = 0, worldY = 0, worldZ = 0;
    float screenX = 0, screenY = 0, depth = 0;
    int32_t side = 0;  // units of one side pass through each other's cells
    int32_t type = 0;
    int32_t dir = 0;
    int32_t anim = 2;
    int32_t frame = 0;
    int32_t tick = 0;
    int32_t ticksPerFrame = 12;
    int32_t ended = 0;
    int32_t loop = 1;
    int32_t blink = 0;
    uint32_t colour = 0xFFFFFFFFu;
};
