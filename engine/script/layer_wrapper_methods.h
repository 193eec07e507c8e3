// The method bodies that the layer-wrapper classes (text boxes, text sprites, tiles)
// share: a setter runs on the wrapper and its object, a getter pushes one
// value; the colour, fade, z and hit-test rows are the same for every class.
// An instance whose object could not be made does nothing in its setters and
// reads 0 in its getters; `this` of another class is a script error.
#pragma once

#include <squirrel.h>

#include <type_traits>

#include "script/layer_wrapper.h"
#include "script/script_class_args.h"

namespace layer_methods {

template <typename Object, typename Apply>
SQInteger Setter(HSQUIRRELVM v, ScriptClassId id, const char* method, Apply apply) {
    bool ok = false;
    auto* wrapper = static_cast<LayerWrapper*>(ScriptSelfOrNull(v, id, method, &ok));
    if (!ok) return SQ_ERROR;
    if (wrapper != nullptr) apply(wrapper, static_cast<Object*>(wrapper->object));
    return 0;
}

template <typename Object, typename Value, typename Read>
SQInteger Getter(HSQUIRRELVM v, ScriptClassId id, const char* method, Value none, Read read) {
    bool ok = false;
    auto* wrapper = static_cast<LayerWrapper*>(ScriptSelfOrNull(v, id, method, &ok));
    if (!ok) return SQ_ERROR;
    const Value value = wrapper != nullptr ? read(wrapper, static_cast<Object*>(wrapper->object)) : none;
    if constexpr (std::is_same_v<Value, bool>) {
        sq_pushbool(v, value ? SQTrue : SQFalse);
    } else if constexpr (std::is_floating_point_v<Value>) {
        sq_pushfloat(v, static_cast<SQFloat>(value));
    } else {
        sq_pushinteger(v, static_cast<SQInteger>(value));
    }
    return 1;
}

// SetAlpha, SetColor and SetFade: change the stored colour or fade, then hand
// the faded colour to the object with `apply(object, colour)`.
template <typename Object, typename ApplyColour>
SQInteger SetAlpha(HSQUIRRELVM v, ScriptClassId id, const char* method, ApplyColour apply) {
    return Setter<Object>(v, id, method, [&](LayerWrapper* wrapper, Object* object) {
        SetLayerWrapperAlpha(wrapper, ScriptArgFloat(v, 1, method));
        apply(object, LayerWrapperObjectColour(wrapper));
    });
}

template <typename Object, typename ApplyColour>
SQInteger SetColor(HSQUIRRELVM v, ScriptClassId id, const char* method, ApplyColour apply) {
    return Setter<Object>(v, id, method, [&](LayerWrapper* wrapper, Object* object) {
        wrapper->colour = ScriptArgColour(v, 1, method);
        apply(object, LayerWrapperObjectColour(wrapper));
    });
}

template <typename Object, typename ApplyColour>
SQInteger SetFade(HSQUIRRELVM v, ScriptClassId id, const char* method, ApplyColour apply) {
    return Setter<Object>(v, id, method, [&](LayerWrapper* wrapper, Object* object) {
        wrapper->fade = ScriptArgFloat(v, 1, method);
        apply(object, LayerWrapperObjectColour(wrapper));
    });
}

template <typename Object>
SQInteger SetZ(HSQUIRRELVM v, ScriptClassId id, const char* method) {
    return Setter<Object>(v, id, method, [&](LayerWrapper* wrapper, Object*) {
        SetLayerWrapperZ(wrapper, ScriptArgInt32(v, 1, method));
    });
}

template <typename Object>
SQInteger SetHitTest(HSQUIRRELVM v, ScriptClassId id, const char* method) {
    return Setter<Object>(v, id, method, [&](LayerWrapper* wrapper, Object*) {
        wrapper->hitExtraWidth = ScriptArgInt32(v, 1, method);
        wrapper->hitExtraHeight = ScriptArgInt32(v, 2, method);
    });
}

// `box(object, &x, &y, &w, &h)` gives the object's centre and size.
template <typename Object, typename BoxOf>
SQInteger HitTest(HSQUIRRELVM v, ScriptClassId id, const char* method, BoxOf box) {
    return Getter<Object>(v, id, method, false, [&](LayerWrapper* wrapper, Object* object) {
        int32_t x = 0, y = 0, w = 0, h = 0;
        box(object, &x, &y, &w, &h);
        return LayerWrapperHitTest(wrapper, x, y, w, h, ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    });
}

template <typename Object>
SQInteger GetZ(HSQUIRRELVM v, ScriptClassId id, const char* method) {
    return Getter<Object>(v, id, method, int32_t{0}, [](LayerWrapper* wrapper, Object*) { return wrapper->node.z; });
}

template <typename Object>
SQInteger GetAlpha(HSQUIRRELVM v, ScriptClassId id, const char* method) {
    return Getter<Object>(v, id, method, 0.0f,
                          [](LayerWrapper* wrapper, Object*) { return GetLayerWrapperAlpha(wrapper); });
}

// The stored word, pushed zero-extended as PushScriptColour does.
template <typename Object>
SQInteger GetColor(HSQUIRRELVM v, ScriptClassId id, const char* method) {
    return Getter<Object>(v, id, method, uint32_t{0}, [](LayerWrapper* wrapper, Object*) { return wrapper->colour; });
}

template <typename Object>
SQInteger GetFade(HSQUIRRELVM v, ScriptClassId id, const char* method) {
    return Getter<Object>(v, id, method, 0.0f, [](LayerWrapper* wrapper, Object*) { return wrapper->fade; });
}

}  // namespace layer_methods
