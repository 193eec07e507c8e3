// Integer rectangles for clipping: right and bottom are exclusive.
#pragma once

#include <cstdint>

struct IntRect {
    int32_t left, top, right, bottom;
};

// Clips `rect` in place to `clip`; an empty result becomes all zero.
void IntersectRect(const IntRect& clip, IntRect* rect);
