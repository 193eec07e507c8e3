// Frame arithmetic runs in 64 bits: a start frame and a frame near the ends
// of int32 cannot overflow the subtraction.
#include "fx/fcurve.h"

#include "fx/byte_reader.h"
#include "fx/manager.h"

namespace Fx {

void FCurve::Load(ByteReader& reader) {
    startEdge = reader.ReadInt();
    endEdge = reader.ReadInt();
    offsetMax = reader.ReadFloat();
    offsetMin = reader.ReadFloat();
    startFrame = reader.ReadInt();
    length = reader.ReadInt();
    step = reader.ReadInt();
    int32_t count = reader.ReadCount(sizeof(float), "an F-curve has more keys than bytes left");
    keys.resize(static_cast<size_t>(count));
    for (float& key : keys) key = reader.ReadFloat();
    if (!reader.Ok()) return;
    if (step < 1) reader.Fail("an F-curve's step is below 1");
    if (length < 0) reader.Fail("an F-curve's length is negative");
    if (startEdge < kEdgeHold || startEdge > kEdgeMirrorLoop || endEdge < kEdgeHold || endEdge > kEdgeMirrorLoop) {
        reader.Fail("an F-curve's edge is not hold, loop or mirrored loop");
    }
    if (length == 0 && (startEdge != kEdgeHold || endEdge != kEdgeHold)) {
        reader.Fail("an F-curve loops over a length of 0");
    }
}

float FCurve::GetValue(int32_t frame) const {
    if (keys.empty()) return defaultValue;
    int64_t f = static_cast<int64_t>(frame) - startFrame;
    int64_t span = length;
    // A curve that cannot loop (length 0, or a step of 0 that never came
    // through Load) holds its end keys.
    bool canLoop = span > 0 && step > 0;
    if (f < 0) {
        if (!canLoop || startEdge == kEdgeHold || startEdge > kEdgeMirrorLoop) return keys.front();
        f = startEdge == kEdgeLoop ? span - (-f % span) : -f % span;
    }
    if (f > span) {
        if (!canLoop || endEdge == kEdgeHold || endEdge > kEdgeMirrorLoop) return keys.back();
        f = endEdge == kEdgeLoop ? (f - span) % span : span - (f - span) % span;
    }
    if (f == span || step <= 0) return keys.back();
    // Most curves have a key every frame: no division for them.
    int64_t i = step == 1 ? f : f / step;
    if (i + 1 >= static_cast<int64_t>(keys.size())) return keys.back();
    float key = keys[static_cast<size_t>(i)], next = keys[static_cast<size_t>(i + 1)];
    return key + (next - key) * static_cast<float>(f - i * step) / static_cast<float>(step);
}

float FCurve::GetOffset(const Manager& manager) const {
    return offsetMin + (offsetMax - offsetMin) * RandomUnit(manager);
}

void FCurve::Mirror() {
    offsetMax = -offsetMax;
    offsetMin = -offsetMin;
    for (float& key : keys) key = -key;
}

void FCurveVector3D::Load(ByteReader& reader) {
    x.Load(reader);
    y.Load(reader);
    z.Load(reader);
}

void FCurveVector3D::SetDefault(float value) { x.defaultValue = y.defaultValue = z.defaultValue = value; }

FCurveColor::FCurveColor() { r.defaultValue = g.defaultValue = b.defaultValue = a.defaultValue = 255.0f; }

void FCurveColor::Load(ByteReader& reader) {
    r.Load(reader);
    g.Load(reader);
    b.Load(reader);
    a.Load(reader);
}

}  // namespace Fx
