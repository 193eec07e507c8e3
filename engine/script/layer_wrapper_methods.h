// The method bodies that the layer-wrapper classes (text boxes, text sprites, tiles)
// share: a setter runs on the wrapper and its object, a getter pushes one
// value; the colour, fade, z and hit-test rows are the same for every class,
// and BoxMethods holds every native that text sprites and tiles share.
// An instance whose object could not be made does nothing in its setters and
// reads 0 in its getters; `this` of another class is a script error.
#pragma once

#include <squirrel.h>

#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

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

// The natives of a box-shaped layer-wrapper class: place, size, turn, scale,
// clip, show, colour, fade, z and hit test. `Class` gives the script class
// name (`kName`) and id (`kId`), the object type (`Object`, with SetPos,
// SetSize, SetAngle, SetScale, SetClipRect, SetVisible, IsVisible and the
// fields x, y, width, height, angle, scale) and `ApplyColour(object, colour)`.
template <typename Class>
struct BoxMethods {
    using Object = typename Class::Object;

    // "Class.Method", made once per native for its error messages.
    static std::string Name(const char* method) { return std::string(Class::kName) + "." + method; }

    template <typename Apply>
    static SQInteger Set(HSQUIRRELVM v, const char* method, Apply apply) {
        return Setter<Object>(v, Class::kId, method, apply);
    }
    template <typename Value, typename Read>
    static SQInteger Get(HSQUIRRELVM v, const char* method, Value none, Read read) {
        return Getter<Object>(v, Class::kId, method, none, read);
    }

    static SQInteger SetVisible(HSQUIRRELVM v) {
        static const std::string m = Name("SetVisible");
        return Set(v, m.c_str(), [&](LayerWrapper*, Object* o) { o->SetVisible(ScriptArgBool(v, 1, m.c_str())); });
    }
    static SQInteger SetPos(HSQUIRRELVM v) {
        static const std::string m = Name("SetPos");
        return Set(v, m.c_str(), [&](LayerWrapper*, Object* o) {
            o->SetPos(ScriptArgInt32(v, 1, m.c_str()), ScriptArgInt32(v, 2, m.c_str()));
        });
    }
    static SQInteger SetSize(HSQUIRRELVM v) {
        static const std::string m = Name("SetSize");
        return Set(v, m.c_str(), [&](LayerWrapper*, Object* o) {
            o->SetSize(ScriptArgInt32(v, 1, m.c_str()), ScriptArgInt32(v, 2, m.c_str()));
        });
    }
    static SQInteger SetAngle(HSQUIRRELVM v) {
        static const std::string m = Name("SetAngle");
        return Set(v, m.c_str(), [&](LayerWrapper*, Object* o) { o->SetAngle(ScriptArgFloat(v, 1, m.c_str())); });
    }
    static SQInteger SetScale(HSQUIRRELVM v) {
        static const std::string m = Name("SetScale");
        return Set(v, m.c_str(), [&](LayerWrapper*, Object* o) { o->SetScale(ScriptArgFloat(v, 1, m.c_str())); });
    }
    static SQInteger SetClipRect(HSQUIRRELVM v) {
        static const std::string m = Name("SetClipRect");
        return Set(v, m.c_str(), [&](LayerWrapper*, Object* o) {
            o->SetClipRect(ScriptArgInt32(v, 1, m.c_str()), ScriptArgInt32(v, 2, m.c_str()),
                           ScriptArgInt32(v, 3, m.c_str()), ScriptArgInt32(v, 4, m.c_str()));
        });
    }
    static SQInteger SetAlphaNative(HSQUIRRELVM v) {
        static const std::string m = Name("SetAlpha");
        return SetAlpha<Object>(v, Class::kId, m.c_str(), Class::ApplyColour);
    }
    static SQInteger SetColorNative(HSQUIRRELVM v) {
        static const std::string m = Name("SetColor");
        return SetColor<Object>(v, Class::kId, m.c_str(), Class::ApplyColour);
    }
    static SQInteger SetFadeNative(HSQUIRRELVM v) {
        static const std::string m = Name("SetFade");
        return SetFade<Object>(v, Class::kId, m.c_str(), Class::ApplyColour);
    }
    static SQInteger SetZNative(HSQUIRRELVM v) {
        static const std::string m = Name("SetZ");
        return SetZ<Object>(v, Class::kId, m.c_str());
    }
    static SQInteger SetHitTestNative(HSQUIRRELVM v) {
        static const std::string m = Name("SetHitTest");
        return SetHitTest<Object>(v, Class::kId, m.c_str());
    }
    static SQInteger HitTestNative(HSQUIRRELVM v) {
        static const std::string m = Name("HitTest");
        return HitTest<Object>(v, Class::kId, m.c_str(),
                               [](const Object* o, int32_t* x, int32_t* y, int32_t* w, int32_t* h) {
                                   *x = o->x, *y = o->y, *w = o->width, *h = o->height;
                               });
    }
    static SQInteger GetZNative(HSQUIRRELVM v) {
        static const std::string m = Name("GetZ");
        return GetZ<Object>(v, Class::kId, m.c_str());
    }
    static SQInteger GetAlphaNative(HSQUIRRELVM v) {
        static const std::string m = Name("GetAlpha");
        return GetAlpha<Object>(v, Class::kId, m.c_str());
    }
    static SQInteger GetColorNative(HSQUIRRELVM v) {
        static const std::string m = Name("GetColor");
        return GetColor<Object>(v, Class::kId, m.c_str());
    }
    static SQInteger GetFadeNative(HSQUIRRELVM v) {
        static const std::string m = Name("GetFade");
        return GetFade<Object>(v, Class::kId, m.c_str());
    }
    static SQInteger IsVisible(HSQUIRRELVM v) {
        static const std::string m = Name("IsVisible");
        return Get(v, m.c_str(), false, [](LayerWrapper*, Object* o) { return o->IsVisible(); });
    }
    static SQInteger GetPosX(HSQUIRRELVM v) {
        static const std::string m = Name("GetPosX");
        return Get(v, m.c_str(), 0, [](LayerWrapper*, Object* o) { return o->x; });
    }
    static SQInteger GetPosY(HSQUIRRELVM v) {
        static const std::string m = Name("GetPosY");
        return Get(v, m.c_str(), 0, [](LayerWrapper*, Object* o) { return o->y; });
    }
    static SQInteger GetWidth(HSQUIRRELVM v) {
        static const std::string m = Name("GetWidth");
        return Get(v, m.c_str(), 0, [](LayerWrapper*, Object* o) { return o->width; });
    }
    static SQInteger GetHeight(HSQUIRRELVM v) {
        static const std::string m = Name("GetHeight");
        return Get(v, m.c_str(), 0, [](LayerWrapper*, Object* o) { return o->height; });
    }
    static SQInteger GetAngle(HSQUIRRELVM v) {
        static const std::string m = Name("GetAngle");
        return Get(v, m.c_str(), 0.0f, [](LayerWrapper*, Object* o) { return o->angle; });
    }
    static SQInteger GetScale(HSQUIRRELVM v) {
        static const std::string m = Name("GetScale");
        return Get(v, m.c_str(), 0.0f, [](LayerWrapper*, Object* o) { return o->scale; });
    }

    // The class's own rows followed by the shared ones (counts include the
    // instance; no type masks, so the natives check for themselves).
    static std::vector<ScriptMethodRow> Rows(const ScriptMethodRow* own, size_t count) {
        static const ScriptMethodRow kShared[] = {
            {"SetVisible", SetVisible, 2, nullptr, false},
            {"SetZ", SetZNative, 2, nullptr, false},
            {"SetPos", SetPos, 3, nullptr, false},
            {"SetSize", SetSize, 3, nullptr, false},
            {"SetAlpha", SetAlphaNative, 2, nullptr, false},
            {"SetColor", SetColorNative, 2, nullptr, false},
            {"SetFade", SetFadeNative, 2, nullptr, false},
            {"SetAngle", SetAngle, 2, nullptr, false},
            {"SetScale", SetScale, 2, nullptr, false},
            {"SetClipRect", SetClipRect, 5, nullptr, false},
            {"IsVisible", IsVisible, 1, nullptr, false},
            {"GetZ", GetZNative, 1, nullptr, false},
            {"GetPosX", GetPosX, 1, nullptr, false},
            {"GetPosY", GetPosY, 1, nullptr, false},
            {"GetWidth", GetWidth, 1, nullptr, false},
            {"GetHeight", GetHeight, 1, nullptr, false},
            {"GetColor", GetColorNative, 1, nullptr, false},
            {"GetFade", GetFadeNative, 1, nullptr, false},
            {"GetAngle", GetAngle, 1, nullptr, false},
            {"GetScale", GetScale, 1, nullptr, false},
            {"HitTest", HitTestNative, 3, nullptr, false},
            {"SetHitTest", SetHitTestNative, 3, nullptr, false},
        };
        std::vector<ScriptMethodRow> rows(own, own + count);
        rows.insert(rows.end(), std::begin(kShared), std::end(kShared));
        return rows;
    }
};

}  // namespace layer_methods
