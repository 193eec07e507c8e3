#include "fx/all_color_parameter.h"

#include "fx/random_range.h"

namespace Fx {

namespace {
int32_t WholeFrames(float livingTime) {
    if (!(livingTime > 0.0f)) return 0;
    return livingTime < 2147483520.0f ? static_cast<int32_t>(livingTime) : 2147483520;
}
}  // namespace

void AllColorParameter::InitializeValues(AllColorValues& values, const Manager& manager, float life) const {
    switch (kind) {
    case kAllColorFixed:
        values.color = fixed;
        break;
    case kAllColorRandom:
        values.color = random.Draw(manager);
        break;
    case kAllColorEasing:
        values.start = easing.start.DrawRaw(manager);
        values.end = easing.end.DrawRaw(manager);
        values.color = easing.Evaluate(values.start, values.end, TimeFraction(0.0f, life));
        break;
    case kAllColorFCurve:
        if (curve == nullptr) break;
        values.offsets[0] = curve->r.GetOffset(manager);
        values.offsets[1] = curve->g.GetOffset(manager);
        values.offsets[2] = curve->b.GetOffset(manager);
        values.offsets[3] = curve->a.GetOffset(manager);
        values.color = FromCurves(*curve, values.offsets, 0);
        break;
    default:
        break;
    }
}

void AllColorParameter::UpdateValues(AllColorValues& values, float livingTime, float life) const {
    if (kind == kAllColorEasing) {
        values.color = easing.Evaluate(values.start, values.end, TimeFraction(livingTime, life));
    } else if (kind == kAllColorFCurve && curve != nullptr) {
        values.color = FromCurves(*curve, values.offsets, WholeFrames(livingTime));
    }
}

Color AllColorParameter::FromCurves(const FCurveColor& curves, const float offsets[4], int32_t frame) {
    return Color(ChannelFromFloat(curves.r.GetValue(frame) + offsets[0]),
                 ChannelFromFloat(curves.g.GetValue(frame) + offsets[1]),
                 ChannelFromFloat(curves.b.GetValue(frame) + offsets[2]),
                 ChannelFromFloat(curves.a.GetValue(frame) + offsets[3]));
}

}  // namespace Fx
