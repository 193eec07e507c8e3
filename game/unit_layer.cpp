// QmUnitLayer: a unit's current animation frame as a flat sprite in the 2D
// layer list, for portraits and menus over the battle view. The layer holds
// a reference to the unit it shows, so the unit outlives its script instance
// while a layer still shows it.
#include <GLES2/gl2.h>

#include <algorithm>
#include <new>

#include "core/allocator.h"
#include "game/battle_classes.h"
#include "game/game_layer.h"
#include "game/unit.h"
#include "gfx/quad.h"
#include "gfx/gl_state.h"
#include "gfx/std2d_batch.h"
#include "script/layer_interface.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

constexpr int32_t kId = static_cast<int32_t>(ScriptClassId::kQmUnitLayer);
constexpr float kFrameSize = 96.0f;  // a unit layer of this size shows the frame texel for pixel

struct QmUnitLayer {
    GameLayerHead head;  // head.object: the QmUnit shown, referenced
    int32_t clipOn = 0;
    int32_t mirror = 0;
};

QmUnitLayer* Self(HSQUIRRELVM v, const char* method) {
    return static_cast<QmUnitLayer*>(BattleClassSelf(v, kId, method));
}

void Draw(void* argument) {
    const auto* layer = static_cast<const QmUnitLayer*>(argument);
    const GameLayerHead& h = layer->head;
    const auto* unit = static_cast<const QmUnit*>(h.object);
    if (unit == nullptr || h.visible == 0 || h.fade == 0) return;
    const float sx = h.width / kFrameSize, sy = h.height / kFrameSize;
    UnitVertex source[8];
    const int32_t count = unit->BuildQuads(source, layer->mirror != 0 ? 3 : 0);
    const uint32_t colour = (h.colour & 0x00FFFFFFu) | GameLayerDrawAlpha(&h) << 24;

    int32_t ox = TruncateToInt32(h.x) + (layer->mirror != 0 ? -2 : 2);
    int32_t oy = TruncateToInt32(h.y);
    if (unit->anim == 8) oy += 22;
    if (unit->anim == 4 && (unit->type == 2 || unit->type == 4)) ox += layer->mirror != 0 ? -16 : 16;

    QuadVertex quads[8];
    for (int i = 0; i < 8; ++i) {
        quads[i].x = static_cast<int16_t>(std::clamp(TruncateToInt32(source[i].x * sx + ox), -32768, 32767));
        quads[i].y = static_cast<int16_t>(std::clamp(TruncateToInt32(oy - source[i].y * sy), -32768, 32767));
        quads[i].u = static_cast<int16_t>(source[i].u >> 4);
        quads[i].v = static_cast<int16_t>(source[i].v >> 4);
        quads[i].color = colour;
    }
    const uint32_t quadCount = static_cast<uint32_t>(count / 6);
    if (layer->clipOn != 0) {
        for (uint32_t q = 0; q < quadCount; ++q) {
            if (unit->anim == 12) {
                Quad::ClipTransposed(quads + 4 * q, sx, sy, h.clip);
            } else {
                Quad::Clip(quads + 4 * q, sx, sy, h.clip);
            }
        }
    }
    const bool unscaled = h.width == kFrameSize && h.height == kFrameSize;
    const Std2dDrawState state{unit->texture, GL_CLAMP_TO_EDGE, static_cast<GLenum>(unscaled ? GL_NEAREST : GL_LINEAR),
                               kBlendAlpha};
    DrawStd2dQuads(state, quads, quadCount);
}

void ShowUnit(QmUnitLayer* layer, QmUnit* unit) {
    RetainUnit(unit);
    ReleaseUnit(static_cast<QmUnit*>(layer->head.object));
    layer->head.object = unit;
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "QmUnitLayer")) return SQ_ERROR;
    void* memory = Alloc(GetScriptObjectAllocator(), sizeof(QmUnitLayer), alignof(QmUnitLayer));
    if (memory == nullptr) return sq_throwerror(v, "QmUnitLayer: out of memory");
    auto* layer = new (memory) QmUnitLayer();
    layer->head.width = layer->head.height = kFrameSize;
    layer->head.node.argument = layer;
    layer->head.node.draw = Draw;
    AddLayerToList(&layer->head.node);
    sq_setinstanceup(v, 1, layer);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger) -> SQInteger {
        auto* dying = static_cast<QmUnitLayer*>(pointer);
        if (dying == nullptr) return 0;
        RemoveLayerFromList(&dying->head.node);
        ShowUnit(dying, nullptr);
        dying->~QmUnitLayer();
        Allocator::Free(dying);
        return 1;
    });
    return 0;
}

template <typename Apply>
SQInteger Set(HSQUIRRELVM v, const char* method, Apply apply) {
    if (QmUnitLayer* layer = Self(v, method)) apply(layer);
    return 0;
}

SQInteger SetUnit(HSQUIRRELVM v) {
    const char* m = "QmUnitLayer.SetUnit";
    return Set(v, m, [&](QmUnitLayer* l) { ShowUnit(l, ScriptArgUnit(v, 1, m)); });
}
SQInteger SetPos(HSQUIRRELVM v) {
    const char* m = "QmUnitLayer.SetPos";
    return Set(v, m, [&](QmUnitLayer* l) { l->head.x = ScriptArgFloat(v, 1, m), l->head.y = ScriptArgFloat(v, 2, m); });
}
SQInteger SetColor(HSQUIRRELVM v) {
    const char* m = "QmUnitLayer.SetColor";
    return Set(v, m, [&](QmUnitLayer* l) { l->head.colour = ScriptArgColour(v, 1, m); });
}
SQInteger SetAlpha(HSQUIRRELVM v) {
    const char* m = "QmUnitLayer.SetAlpha";
    return Set(v, m, [&](QmUnitLayer* l) {
        l->head.colour = (l->head.colour & 0x00FFFFFFu) | ClampAlphaByte(ScriptArgFloat(v, 1, m) * 255.0f) << 24;
    });
}
SQInteger SetClipRect(HSQUIRRELVM v) {
    const char* m = "QmUnitLayer.SetClipRect";
    return Set(v, m, [&](QmUnitLayer* l) {
        int32_t any = 0;
        for (int i = 0; i < 4; ++i) any |= l->head.clip[i] = ScriptArgInt32(v, i + 1, m);
        l->clipOn = any != 0 ? 1 : 0;
    });
}
SQInteger SetAnim(HSQUIRRELVM v) {
    const char* m = "QmUnitLayer.SetAnim";
    return Set(v, m, [&](QmUnitLayer* l) {
        if (auto* unit = static_cast<QmUnit*>(l->head.object)) {
            unit->SetAnim(ScriptArgInt32(v, 1, m), ScriptArgInt32(v, 2, m), ScriptArgBool(v, 3, m));
        }
    });
}
SQInteger SetMirror(HSQUIRRELVM v) {
    const char* m = "QmUnitLayer.SetMirror";
    return Set(v, m, [&](QmUnitLayer* l) { l->mirror = ScriptArgBool(v, 1, m) ? 1 : 0; });
}
SQInteger GetAngle(HSQUIRRELVM v) {
    QmUnitLayer* l = Self(v, "QmUnitLayer.GetAngle");
    sq_pushfloat(v, l != nullptr ? l->head.angle : 0.0f);
    return 1;
}
SQInteger Move(HSQUIRRELVM v) {
    const char* m = "QmUnitLayer.Move";
    return Set(v, m, [&](QmUnitLayer* l) {
        l->head.x += ScriptArgFloat(v, 1, m);
        l->head.y += ScriptArgFloat(v, 2, m);
    });
}

using namespace game_layer;
const ScriptMethodRow kRows[] = {
    {"constructor", Constructor, 1, nullptr, false},
    {"SetUnit", SetUnit, 2, nullptr, false},
    {"SetVisible", SetVisible<kId>, 2, nullptr, false},
    {"SetZ", SetZ<kId>, 2, nullptr, false},
    {"SetPos", SetPos, 3, nullptr, false},
    {"SetSize", SetSize<kId>, 3, nullptr, false},
    {"SetColor", SetColor, 2, nullptr, false},
    {"SetAlpha", SetAlpha, 2, nullptr, false},
    {"SetAngle", SetAngle<kId>, 2, nullptr, false},
    {"SetScale", SetScale<kId>, 2, nullptr, false},
    {"SetFade", SetFade<kId>, 2, nullptr, false},
    {"SetClipRect", SetClipRect, 5, nullptr, false},
    {"SetAnim", SetAnim, 4, nullptr, false},
    {"SetMirror", SetMirror, 2, nullptr, false},
    {"IsVisible", IsVisible<kId>, 1, nullptr, false},
    {"GetZ", GetZ<kId>, 1, nullptr, false},
    {"GetPosX", GetPosX<kId>, 1, nullptr, false},
    {"GetPosY", GetPosY<kId>, 1, nullptr, false},
    {"GetWidth", GetWidth<kId>, 1, nullptr, false},
    {"GetHeight", GetHeight<kId>, 1, nullptr, false},
    {"GetAlpha", GetAlpha<kId>, 1, nullptr, false},
    {"GetColor", GetColor<kId>, 1, nullptr, false},
    {"GetFade", GetFade<kId>, 1, nullptr, false},
    {"GetAngle", GetAngle, 1, nullptr, false},
    {"GetScale", GetScale<kId>, 1, nullptr, false},
    {"Move", Move, 3, nullptr, false},
};
static_assert(sizeof kRows / sizeof kRows[0] == 26, "the unit layer class has 26 rows");

}  // namespace

uint32_t GameLayerDrawAlpha(const GameLayerHead* head) {
    return ClampAlphaByte(static_cast<float>(head->colour >> 24) * head->fade);
}

void RegisterQmUnitLayer() {
    RegisterTaggedScriptClass("QmUnitLayer", kRows, sizeof kRows / sizeof kRows[0], ScriptClassId::kQmUnitLayer);
}
