// xorshift128 (shifts 11, 19, 8) with the seeding that spreads one 32-bit seed
// over the four state words.
#include "core/random.h"

namespace {

RandomState gGlobalState{0, 0, 0, 0};

RandomState* Resolve(RandomState* state) { return state ? state : &gGlobalState; }

uint32_t Spread(uint32_t value) { return (value ^ (value >> 30)) * 1812433253u; }

}  // namespace

void RandomSeed(RandomState* state, uint32_t seed) {
    RandomState* s = Resolve(state);
    s->x = Spread(seed);
    s->y = Spread(s->x) + 1;
    s->z = Spread(s->y) + 2;
    s->w = Spread(s->z) + 3;
}

uint32_t Random(RandomState* state) {
    RandomState* s = Resolve(state);
    uint32_t t = s->x ^ (s->x << 11);
    s->x = s->y;
    s->y = s->z;
    s->z = s->w;
    s->w = s->w ^ (s->w >> 19) ^ t ^ (t >> 8);
    return s->w;
}

int32_t RandomRange(RandomState* state, int32_t min, int32_t max) {
    uint32_t range = static_cast<uint32_t>(max) - static_cast<uint32_t>(min);
    if (range == 0) return min;
    return static_cast<int32_t>(static_cast<uint32_t>(min) + Random(state) % range);
}

int32_t RandomSpread(RandomState* state, int32_t center, int32_t spread) {
    uint32_t range = 2u * static_cast<uint32_t>(spread);
    if (range == 0) return center;
    uint32_t offset = Random(state) % range;
    return static_cast<int32_t>(offset - static_cast<uint32_t>(spread) +
                                static_cast<uint32_t>(center));
}

float RandomSpreadFloat(RandomState* state, float center, float spread) {
    double unit = Random(state) / 4294967296.0;
    return static_cast<float>(double{center} - spread + 2.0 * spread * unit);
}
