#include "fx/manager.h"

namespace Fx {

namespace {
thread_local uint32_t randomState = 1;
}

float RandomUnit(const Manager& manager) {
    RandFunc rand = manager.GetRandFunc();
    int max = manager.GetRandMax();
    if (rand == nullptr || max <= 0) return 0.0f;
    float r = static_cast<float>(rand()) / static_cast<float>(max);
    if (!(r > 0.0f)) return 0.0f;
    return r < 1.0f ? r : 1.0f;
}

// The classic linear congruential step; its upper bits are the output, as
// the low bits of such a generator repeat quickly.
int DefaultRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFFu);
}

void SeedDefaultRandom(uint32_t seed) { randomState = seed; }

}  // namespace Fx
