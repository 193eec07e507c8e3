#include "tests/game/field_test_maps.h"

static const float kLight[3] = {0.25f, 0.87f, -0.43f};

std::unique_ptr<QmField> MakeField(int32_t width, int32_t depth, const int32_t* heights, const int32_t* shapes) {
    auto field = std::make_unique<QmField>(kLight);
    if (!field->AllocCells(width, depth)) return field;
    for (int32_t i = 0; i < width * depth; ++i) {
        field->cells[i].height = heights ? heights[i] : 1;
        field->cells[i].shape = shapes ? shapes[i] : 0;
        field->cells[i].walkable = 1;
    }
    field->FinishCells();
    return field;
}

TestMap RandomMap(RandomState* random, int32_t* originX, int32_t* originZ) {
    TestMap map;
    const int32_t w = RandomRange(random, 1, 25), d = RandomRange(random, 1, 25);
    map.field = std::make_unique<QmField>(kLight);
    map.field->AllocCells(w, d);
    *originX = RandomRange(random, 0, w);
    *originZ = RandomRange(random, 0, d);
    for (int32_t i = 0; i < w * d; ++i) {
        QmFieldCell& cell = map.field->cells[i];
        const bool origin = cell.x == *originX && cell.z == *originZ;
        cell.height = RandomRange(random, 0, 10) == 0 && !origin ? 0 : RandomRange(random, 1, 7);
        cell.shape = RandomRange(random, 0, 3) == 0 ? RandomRange(random, 0, 13) + 20 * RandomRange(random, 0, 3) : 0;
        cell.walkable = origin || RandomRange(random, 0, 8) != 0;
        if (!origin && RandomRange(random, 0, 6) == 0) {
            map.units.emplace_back();
            QmUnit& unit = map.units.back();
            unit.side = RandomRange(random, 0, 2);
            unit.anim = RandomRange(random, 0, 4) == 0 ? kUnitAnimPassable : 2;
            cell.unit = &unit;
        }
    }
    map.field->FinishCells();
    return map;
}
