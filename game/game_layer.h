// The head shared by the game's own 2D layer objects (the unit layer, and the
// effect layer that shows a screen effect): what the layer shows, its node
// in the global layer list, and the position, size, colour and fade that the
// shared natives below set and read. Main thread only.
#pragma once

#include <squirrel.h>

#include <cstdint>

#include "gfx/layer_list.h"

struct GameLayerHead {
    void* object = nullptr;  // what the layer shows (not owned by the head)
    LayerNode node{};
    int32_t visible = 1;
    float x = 0, y = 0;
    float width = 0, height = 0;
    float angle = 0;
    float scale = 1.0f;
    uint32_t colour = 0xFFFFFFFFu;  // RGBA8, red in the lowest byte
    float fade = 1.0f;              // multiplies the alpha when drawing
    int32_t clip[4] = {};           // left, top, right, bottom
};

// The alpha a layer is drawn with: its stored alpha times the fade, clamped to 0..255.
uint32_t GameLayerDrawAlpha(const GameLayerHead* head);

// The natives the game layer classes share; `this` must carry the type tag
// of class `id` (a ScriptClassId), else the setter does nothing and the
// getter gives 0, with a log line.
namespace game_layer {
template <int32_t Id> SQInteger SetVisible(HSQUIRRELVM v);
template <int32_t Id> SQInteger SetZ(HSQUIRRELVM v);
template <int32_t Id> SQInteger SetSize(HSQUIRRELVM v);
template <int32_t Id> SQInteger SetAngle(HSQUIRRELVM v);
template <int32_t Id> SQInteger SetScale(HSQUIRRELVM v);
template <int32_t Id> SQInteger SetFade(HSQUIRRELVM v);
template <int32_t Id> SQInteger IsVisible(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetZ(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetPosX(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetPosY(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetWidth(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetHeight(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetAlpha(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetColor(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetFade(HSQUIRRELVM v);
template <int32_t Id> SQInteger GetScale(HSQUIRRELVM v);
}  // namespace game_layer

#include "game/game_layer_methods.h"
