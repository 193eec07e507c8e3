// Fields built in memory for the field tests and the benchmark: from rows of
// heights, or random maps with ramps, holes, blocked cells and units.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "core/random.h"
#include "game/field.h"
#include "game/unit.h"

struct TestMap {
    std::unique_ptr<QmField> field;
    std::deque<QmUnit> units;  // stable addresses for the cells' pointers
};

// A W x D field; `heights` row by row (null = all 1), every cell walkable
// unless its height is 0, shapes `shapes` (null = flat).
std::unique_ptr<QmField> MakeField(int32_t width, int32_t depth, const int32_t* heights, const int32_t* shapes);

// Random maps: up to 24 x 24, heights 0..6, shapes 0..12 with rises 1..3,
// holes, blocked cells, units of sides 0 and 1 (some passable); the cell
// (originX, originZ) is walkable and free.
TestMap RandomMap(RandomState* random, int32_t* originX, int32_t* originZ);
