// QmEfkLayer: a particle effect shown in the 2D layer list, played at the
// layer's position in screen pixels and drawn alone when the layer pass
// reaches its z. Only x and y reach the effect; the rest of the head is kept
// for the scripts to read back. The layer owns its play: a new Start and the
// release of the instance stop the one before.
#include <new>

#include "core/allocator.h"
#include "effects/game/effect_system.h"
#include "game/battle_classes.h"
#include "game/game_layer.h"
#include "gfx/std2d.h"
#include "script/layer_interface.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

constexpr int32_t kId = static_cast<int32_t>(ScriptClassId::kQmEfkLayer);
constexpr float kDefaultSize = 100.0f;

// head.object carries the play's handle; -1 until Start, so a fresh layer
// never acts on someone else's play.
int32_t HandleOf(const GameLayerHead& head) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(head.object)); }
void SetHandle(GameLayerHead* head, int32_t handle) { head->object = reinterpret_cast<void*>(intptr_t{handle}); }

void StopPlay(GameLayerHead* head) {
    if (EffectSystem* fx = EffectSystem::Get(); fx != nullptr && HandleOf(*head) >= 0) fx->Stop(HandleOf(*head));
    SetHandle(head, -1);
}

void MovePlay(const GameLayerHead& head) {
    EffectSystem* fx = EffectSystem::Get();
    const float at[3] = {head.x, head.y, 0.0f};
    if (fx != nullptr && HandleOf(head) >= 0) fx->SetLocation(HandleOf(head), at);
}

void Draw(void* argument) {
    const auto* head = static_cast<const GameLayerHead*>(argument);
    EffectSystem* fx = EffectSystem::Get();
    if (fx == nullptr || HandleOf(*head) < 0) return;
    UnbindStd2dProgram();
    fx->DrawHandle(HandleOf(*head));
    RebindStd2dProgram();
}

GameLayerHead* Self(HSQUIRRELVM v, const char* method) {
    return static_cast<GameLayerHead*>(BattleClassSelf(v, kId, method));
}

template <typename Apply>
SQInteger Set(HSQUIRRELVM v, const char* method, Apply apply) {
    if (GameLayerHead* head = Self(v, method)) apply(head);
    return 0;
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "QmEfkLayer")) return SQ_ERROR;
    void* memory = Alloc(GetScriptObjectAllocator(), sizeof(GameLayerHead), alignof(GameLayerHead));
    if (memory == nullptr) return sq_throwerror(v, "QmEfkLayer: out of memory");
    auto* head = new (memory) GameLayerHead();
    SetHandle(head, -1);
    head->width = head->height = kDefaultSize;
    head->node.argument = head;
    head->node.draw = Draw;
    AddLayerToList(&head->node);
    sq_setinstanceup(v, 1, head);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger) -> SQInteger {
        auto* dying = static_cast<GameLayerHead*>(pointer);
        if (dying == nullptr) return 0;
        RemoveLayerFromList(&dying->node);
        StopPlay(dying);
        dying->~GameLayerHead();
        Allocator::Free(dying);
        return 1;
    });
    return 0;
}

SQInteger Start(HSQUIRRELVM v) {
    const char* m = "QmEfkLayer.Start";
    return Set(v, m, [&](GameLayerHead* h) {
        const int32_t id = ScriptArgInt32(v, 1, m);
        StopPlay(h);
        const float at[3] = {h->x, h->y, 0.0f};
        if (EffectSystem* fx = EffectSystem::Get()) SetHandle(h, fx->PlayLayer(id, at));
    });
}
SQInteger Stop(HSQUIRRELVM v) {
    return Set(v, "QmEfkLayer.Stop", [](GameLayerHead* h) {
        if (EffectSystem* fx = EffectSystem::Get(); fx != nullptr && HandleOf(*h) >= 0) fx->Stop(HandleOf(*h));
    });
}
SQInteger IsEnd(HSQUIRRELVM v) {
    GameLayerHead* h = Self(v, "QmEfkLayer.IsEnd");
    EffectSystem* fx = EffectSystem::Get();
    sq_pushbool(v, h == nullptr || fx == nullptr || HandleOf(*h) < 0 || fx->IsEnd(HandleOf(*h)) != 0);
    return 1;
}
SQInteger SetPos(HSQUIRRELVM v) {
    const char* m = "QmEfkLayer.SetPos";
    return Set(v, m, [&](GameLayerHead* h) {
        h->x = ScriptArgFloat(v, 1, m), h->y = ScriptArgFloat(v, 2, m);
        MovePlay(*h);
    });
}
SQInteger Move(HSQUIRRELVM v) {
    const char* m = "QmEfkLayer.Move";
    return Set(v, m, [&](GameLayerHead* h) {
        h->x += ScriptArgFloat(v, 1, m), h->y += ScriptArgFloat(v, 2, m);
        MovePlay(*h);
    });
}
SQInteger SetColor(HSQUIRRELVM v) {
    const char* m = "QmEfkLayer.SetColor";
    return Set(v, m, [&](GameLayerHead* h) { h->colour = ScriptArgColour(v, 1, m); });
}
SQInteger SetAlpha(HSQUIRRELVM v) {
    const char* m = "QmEfkLayer.SetAlpha";
    return Set(v, m, [&](GameLayerHead* h) {
        h->colour = (h->colour & 0x00FFFFFFu) | ClampAlphaByte(ScriptArgFloat(v, 1, m) * 255.0f) << 24;
    });
}
SQInteger SetClipRect(HSQUIRRELVM v) {
    const char* m = "QmEfkLayer.SetClipRect";
    return Set(v, m, [&](GameLayerHead* h) {
        for (int i = 0; i < 4; ++i) h->clip[i] = ScriptArgInt32(v, i + 1, m);
    });
}
SQInteger GetAngle(HSQUIRRELVM v) {
    GameLayerHead* h = Self(v, "QmEfkLayer.GetAngle");
    sq_pushfloat(v, h != nullptr ? h->angle : 0.0f);
    return 1;
}

using namespace game_layer;
const ScriptMethodRow kRows[] = {
    {"constructor", Constructor, 1, nullptr, false},
    {"Start", Start, 2, nullptr, false},
    {"Stop", Stop, 1, nullptr, false},
    {"IsEnd", IsEnd, 1, nullptr, false},
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
static_assert(sizeof kRows / sizeof kRows[0] == 26, "the effect layer class has 26 rows");

}  // namespace

void RegisterQmEfkLayer() {
    RegisterTaggedScriptClass("QmEfkLayer", kRows, sizeof kRows / sizeof kRows[0], ScriptClassId::kQmEfkLayer);
}
