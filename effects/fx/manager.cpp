#include "fx/manager.h"

namespace Fx {

float RandomUnit(const Manager& manager) {
    RandFunc rand = manager.GetRandFunc();
    int max = manager.GetRandMax();
    if (rand == nullptr || max <= 0) return 0.0f;
    float r = static_cast<float>(rand()) / static_cast<float>(max);
    if (!(r > 0.0f)) return 0.0f;
    return r < 1.0f ? r : 1.0f;
}

}  // namespace Fx
