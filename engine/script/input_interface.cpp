// InputInterface: a read-only script view of one mouse pointer record (0
// left, 1 right, 2 middle and wheel). The instance does not own the record.
// An instance made with another index has no record and reads 0 everywhere.
#include <cmath>

#include "app/input.h"
#include "platform/debug_log.h"
#include "script/layer_interface.h"
#include "script/script_class_args.h"

namespace {

// The record, or null for an instance without one; *ok is false (a script
// error is pending) when `this` is not an InputInterface.
const PointerState* Self(HSQUIRRELVM v, const char* method, bool* ok) {
    return static_cast<const PointerState*>(ScriptSelfOrNull(v, ScriptClassId::kInputInterface, method, ok));
}

SQInteger PushInteger(HSQUIRRELVM v, SQInteger value) {
    sq_pushinteger(v, value);
    return 1;
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "InputInterface")) return SQ_ERROR;
    SQInteger index = ScriptArgInteger(v, 1, "InputInterface.constructor");
    PointerState* record = index >= 0 && index < kPointerCount ? GetPointerState(static_cast<int>(index)) : nullptr;
    if (record == nullptr) LogWarning("InputInterface: pointer %lld does not exist", static_cast<long long>(index));
    sq_setinstanceup(v, 1, record);
    return 0;
}

SQInteger HistoryCoordinate(HSQUIRRELVM v, const char* method, int axis) {
    bool ok = false;
    const PointerState* pointer = Self(v, method, &ok);
    if (!ok) return SQ_ERROR;
    SQInteger k = ScriptArgInteger(v, 1, method);
    if (pointer == nullptr || k < 0 || k >= kPointerHistory) return PushInteger(v, 0);
    return PushInteger(v, pointer->history[k][axis]);
}

SQInteger GetX(HSQUIRRELVM v) { return HistoryCoordinate(v, "InputInterface.GetX", 0); }
SQInteger GetY(HSQUIRRELVM v) { return HistoryCoordinate(v, "InputInterface.GetY", 1); }

// One getter per field; a record-less instance reads 0.
template <SQInteger (*Read)(const PointerState&)>
SQInteger Getter(HSQUIRRELVM v) {
    bool ok = false;
    const PointerState* pointer = Self(v, "InputInterface getter", &ok);
    if (!ok) return SQ_ERROR;
    return PushInteger(v, pointer != nullptr ? Read(*pointer) : 0);
}

SQInteger ReadPushX(const PointerState& p) { return p.pushX; }
SQInteger ReadPushY(const PointerState& p) { return p.pushY; }
SQInteger ReadHoldTime(const PointerState& p) { return p.holdFrames; }
SQInteger ReadDragCountX(const PointerState& p) { return static_cast<SQInteger>(p.pushX) - p.history[0][0]; }
SQInteger ReadDragCountY(const PointerState& p) { return static_cast<SQInteger>(p.pushY) - p.history[0][1]; }
SQInteger ReadState(const PointerState& p) { return p.state; }

// The drag from the push position to the current one, y growing downwards.
void DragVector(const PointerState& p, int32_t* dx, int32_t* dy) {
    *dx = static_cast<int32_t>(static_cast<uint32_t>(p.history[0][0]) - static_cast<uint32_t>(p.pushX));
    *dy = static_cast<int32_t>(static_cast<uint32_t>(p.history[0][1]) - static_cast<uint32_t>(p.pushY));
}

SQInteger GetDragDistance(HSQUIRRELVM v) {
    bool ok = false;
    const PointerState* pointer = Self(v, "InputInterface.GetDragDistance", &ok);
    if (!ok) return SQ_ERROR;
    float distance = 0;
    if (pointer != nullptr) {
        int32_t dx = 0, dy = 0;
        DragVector(*pointer, &dx, &dy);
        // The sum of squares is a 32-bit integer, as the scripts have always seen it.
        uint32_t sum = static_cast<uint32_t>(dx) * static_cast<uint32_t>(dx) +
                       static_cast<uint32_t>(dy) * static_cast<uint32_t>(dy);
        distance = std::sqrt(static_cast<float>(static_cast<int32_t>(sum)));
    }
    sq_pushfloat(v, distance);
    return 1;
}

SQInteger GetDragAngle(HSQUIRRELVM v) {
    bool ok = false;
    const PointerState* pointer = Self(v, "InputInterface.GetDragAngle", &ok);
    if (!ok) return SQ_ERROR;
    float angle = 0;
    if (pointer != nullptr) {
        int32_t dx = 0, dy = 0;
        DragVector(*pointer, &dx, &dy);
        angle = std::atan2(static_cast<float>(dy), static_cast<float>(dx));
    }
    sq_pushfloat(v, angle);
    return 1;
}

const ScriptMethodRow kInputInterfaceRows[] = {
    {"constructor", Constructor, 2, nullptr, false},
    {"GetX", GetX, 2, nullptr, false},
    {"GetY", GetY, 2, nullptr, false},
    {"GetPushX", Getter<ReadPushX>, 1, nullptr, false},
    {"GetPushY", Getter<ReadPushY>, 1, nullptr, false},
    {"GetHoldTime", Getter<ReadHoldTime>, 1, nullptr, false},
    {"GetDragCountX", Getter<ReadDragCountX>, 1, nullptr, false},
    {"GetDragCountY", Getter<ReadDragCountY>, 1, nullptr, false},
    {"GetDragDistance", GetDragDistance, 1, nullptr, false},
    {"GetDragAngle", GetDragAngle, 1, nullptr, false},
    {"GetState", Getter<ReadState>, 1, nullptr, false},
};

}  // namespace

void RegisterInputInterface() {
    RegisterTaggedScriptClass("InputInterface", kInputInterfaceRows,
                              sizeof kInputInterfaceRows / sizeof kInputInterfaceRows[0],
                              ScriptClassId::kInputInterface);
}
