// The xorshift128 generator that scripts and effects share. A null state
// means the one global state, which stays zero until the game seeds it;
// anything off the main thread keeps its own state.
#pragma once

#include <cstdint>

struct RandomState {
    uint32_t x, y, z, w;
};

void RandomSeed(RandomState* state, uint32_t seed);
uint32_t Random(RandomState* state);
// An integer in [min, max), computed modulo 2^32; max == min gives min.
int32_t RandomRange(RandomState* state, int32_t min, int32_t max);
// An integer in [center - spread, center + spread); spread 0 gives center.
int32_t RandomSpread(RandomState* state, int32_t center, int32_t spread);
// A value in [center - spread, center + spread], drawn in double precision.
float RandomSpreadFloat(RandomState* state, float center, float spread);
