#include "fx/all_color_parameter.h"

namespace Fx {

Color AllColorParameter::FromCurves(const FCurveColor& curves, const float offsets[4], int32_t frame) {
    return Color(ChannelFromFloat(curves.r.GetValue(frame) + offsets[0]),
                 ChannelFromFloat(curves.g.GetValue(frame) + offsets[1]),
                 ChannelFromFloat(curves.b.GetValue(frame) + offsets[2]),
                 ChannelFromFloat(curves.a.GetValue(frame) + offsets[3]));
}

}  // namespace Fx
