// The bodies of the shared game layer natives (included by game_layer.h).
#pragma once

#include <type_traits>

#include "game/battle_classes.h"
#include "script/layer_interface.h"
#include "script/script_class_args.h"

namespace game_layer {

template <int32_t Id, typename Apply>
SQInteger Set(HSQUIRRELVM v, const char* method, Apply apply) {
    if (auto* head = static_cast<GameLayerHead*>(BattleClassSelf(v, Id, method))) apply(head);
    return 0;
}

template <int32_t Id, typename Result, typename Read>
SQInteger Get(HSQUIRRELVM v, const char* method, Read read) {
    auto* head = static_cast<GameLayerHead*>(BattleClassSelf(v, Id, method));
    const Result value = head != nullptr ? read(head) : Result{};
    if constexpr (std::is_same_v<Result, bool>) {
        sq_pushbool(v, value ? SQTrue : SQFalse);
    } else if constexpr (std::is_floating_point_v<Result>) {
        sq_pushfloat(v, value);
    } else {
        sq_pushinteger(v, static_cast<SQInteger>(value));
    }
    return 1;
}

template <int32_t Id> SQInteger SetVisible(HSQUIRRELVM v) {
    return Set<Id>(v, "SetVisible", [&](GameLayerHead* h) { h->visible = ScriptArgBool(v, 1, "SetVisible") ? 1 : 0; });
}
template <int32_t Id> SQInteger SetZ(HSQUIRRELVM v) {
    return Set<Id>(v, "SetZ", [&](GameLayerHead* h) {
        RemoveLayerFromList(&h->node);
        h->node.z = ScriptArgInt32(v, 1, "SetZ");
        AddLayerToList(&h->node);
    });
}
template <int32_t Id> SQInteger SetSize(HSQUIRRELVM v) {
    return Set<Id>(v, "SetSize", [&](GameLayerHead* h) {
        h->width = ScriptArgFloat(v, 1, "SetSize");
        h->height = ScriptArgFloat(v, 2, "SetSize");
    });
}
template <int32_t Id> SQInteger SetAngle(HSQUIRRELVM v) {
    return Set<Id>(v, "SetAngle", [&](GameLayerHead* h) { h->angle = ScriptArgFloat(v, 1, "SetAngle"); });
}
template <int32_t Id> SQInteger SetScale(HSQUIRRELVM v) {
    return Set<Id>(v, "SetScale", [&](GameLayerHead* h) { h->scale = ScriptArgFloat(v, 1, "SetScale"); });
}
template <int32_t Id> SQInteger SetFade(HSQUIRRELVM v) {
    return Set<Id>(v, "SetFade", [&](GameLayerHead* h) { h->fade = ScriptArgFloat(v, 1, "SetFade"); });
}
template <int32_t Id> SQInteger IsVisible(HSQUIRRELVM v) {
    return Get<Id, bool>(v, "IsVisible", [](GameLayerHead* h) { return h->visible != 0; });
}
template <int32_t Id> SQInteger GetZ(HSQUIRRELVM v) {
    return Get<Id, int32_t>(v, "GetZ", [](GameLayerHead* h) { return h->node.z; });
}
template <int32_t Id> SQInteger GetPosX(HSQUIRRELVM v) {
    return Get<Id, float>(v, "GetPosX", [](GameLayerHead* h) { return h->x; });
}
template <int32_t Id> SQInteger GetPosY(HSQUIRRELVM v) {
    return Get<Id, float>(v, "GetPosY", [](GameLayerHead* h) { return h->y; });
}
template <int32_t Id> SQInteger GetWidth(HSQUIRRELVM v) {
    return Get<Id, float>(v, "GetWidth", [](GameLayerHead* h) { return h->width; });
}
template <int32_t Id> SQInteger GetHeight(HSQUIRRELVM v) {
    return Get<Id, float>(v, "GetHeight", [](GameLayerHead* h) { return h->height; });
}
template <int32_t Id> SQInteger GetAlpha(HSQUIRRELVM v) {
    return Get<Id, float>(v, "GetAlpha", [](GameLayerHead* h) { return static_cast<float>(h->colour >> 24) / 255.0f; });
}
template <int32_t Id> SQInteger GetColor(HSQUIRRELVM v) {
    return Get<Id, uint32_t>(v, "GetColor", [](GameLayerHead* h) { return h->colour; });
}
template <int32_t Id> SQInteger GetFade(HSQUIRRELVM v) {
    return Get<Id, float>(v, "GetFade", [](GameLayerHead* h) { return h->fade; });
}
template <int32_t Id> SQInteger GetScale(HSQUIRRELVM v) {
    return Get<Id, float>(v, "GetScale", [](GameLayerHead* h) { return h->scale; });
}

}  // namespace game_layer
