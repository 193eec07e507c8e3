// Sampled curves over the frames of an instance's life: keys every `step`
// frames from the curve's start frame, linear between them, and an edge rule
// (hold, loop, mirrored loop) before the start and past the length. Each
// instance adds its own offset, drawn once from the offset range.
#pragma once

#include <cstdint>
#include <vector>

namespace Fx {

class ByteReader;
class Manager;

enum FCurveEdge : int32_t { kEdgeHold = 0, kEdgeLoop = 1, kEdgeMirrorLoop = 2 };

class FCurve {
public:
    int32_t startFrame = 0;
    int32_t length = 0;
    int32_t step = 1;
    int32_t startEdge = kEdgeHold;
    int32_t endEdge = kEdgeHold;
    std::vector<float> keys;
    float defaultValue = 0.0f;
    float offsetMax = 0.0f, offsetMin = 0.0f;

    // Reads one curve record (32 + 4 K bytes). A step below 1, a negative
    // length, an edge outside 0..2, looping over a length of 0, or more keys
    // than bytes left fail the reader: such a curve has no value.
    void Load(ByteReader& reader);
    // The value at `frame` of the instance's life; a keyless curve gives its
    // default, and keys that end before the length hold their last value.
    float GetValue(int32_t frame) const;
    float GetOffset(const Manager& manager) const;
    // Negates the offsets and keys, not the default.
    void Mirror();
};

struct FCurveVector3D {
    FCurve x, y, z;
    void Load(ByteReader& reader);
    void SetDefault(float value);
};

struct FCurveColor {
    FCurve r, g, b, a;
    FCurveColor();
    void Load(ByteReader& reader);
};

}  // namespace Fx
