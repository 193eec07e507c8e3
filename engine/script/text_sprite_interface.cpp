// TextSpriteInterface: TextSpriteInterface(maxChars, sheet, cellWidth,
// cellHeight, [originX, originY,] startsAtDigits) puts a bitmap-font text
// sprite into the global layer list. The sheet is an ImageInterface; the
// sprite keeps its own reference, so the script may drop the image. The
// digits flag is always the last argument, with or without the origin.
#include <squirrel.h>

#include <algorithm>

#include "gfx/quad.h"
#include "gfx/text_sprite.h"
#include "platform/debug_log.h"
#include "script/layer_wrapper.h"
#include "script/layer_wrapper_methods.h"
#include "script/script_class_args.h"
#include "script/script_host.h"
#include "script/script_string_arg.h"
#include "script/text_tile_interfaces.h"

namespace {

constexpr ScriptClassId kId = ScriptClassId::kTextSpriteInterface;
using namespace layer_methods;

template <typename Apply>
SQInteger Set(HSQUIRRELVM v, const char* method, Apply apply) {
    return Setter<TextSprite>(v, kId, method, apply);
}

template <typename Value, typename Read>
SQInteger Get(HSQUIRRELVM v, const char* method, Value none, Read read) {
    return Getter<TextSprite>(v, kId, method, none, read);
}

void ApplyColour(TextSprite* sprite, uint32_t colour) { sprite->SetColor(colour); }

SQInteger Constructor(HSQUIRRELVM v) {
    const char* const method = "TextSpriteInterface.constructor";
    if (!ScriptMayConstruct(v, "TextSpriteInterface")) return SQ_ERROR;
    const SQInteger arguments = sq_gettop(v) - 1;
    const SQInteger maxChars = std::clamp<SQInteger>(ScriptArgInteger(v, 1, method), 1, kMaxBatchQuads);
    bool ok = false;
    auto* sheet = static_cast<AsyncTexture*>(ScriptArgInstance(v, 2, ScriptClassId::kImageInterface, method, &ok));
    if (!ok) return SQ_ERROR;
    const int32_t cellWidth = ScriptArgInt32(v, 3, method), cellHeight = ScriptArgInt32(v, 4, method);
    const bool withOrigin = arguments >= 7;
    const int32_t originX = withOrigin ? ScriptArgInt32(v, 5, method) : 0;
    const int32_t originY = withOrigin ? ScriptArgInt32(v, 6, method) : 0;
    const bool digits = ScriptArgBool(v, withOrigin ? 7 : 5, method);

    Allocator* allocator = GetScriptObjectAllocator();
    LayerWrapper* wrapper = NewLayerWrapper(allocator);
    TextSprite* sprite =
        wrapper != nullptr ? TextSprite::Create(static_cast<uint32_t>(maxChars), allocator) : nullptr;
    if (sprite == nullptr) {
        FreeLayerWrapper(wrapper);
        return sq_throwerror(v, "TextSpriteInterface: out of memory");
    }
    if (sheet == nullptr) LogWarning("TextSpriteInterface: no character sheet; the sprite shows nothing");
    sprite->SetSheet(sheet, originX, originY, cellWidth, cellHeight);
    sprite->SetSheetStartsAtDigits(digits);
    wrapper->object = sprite;
    wrapper->node.argument = sprite;
    wrapper->node.draw = TextSprite::Draw;
    AddLayerToList(&wrapper->node);
    sq_setinstanceup(v, 1, wrapper);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger size) -> SQInteger {
        return ReleaseTextSpriteLayer(pointer, size);
    });
    return 0;
}

SQInteger SetText(HSQUIRRELVM v) {
    const char* const method = "TextSpriteInterface.SetText";
    return Set(v, method, [&](LayerWrapper*, TextSprite* s) { s->SetText(ScriptArgString(v, 1, method)); });
}

SQInteger Clear(HSQUIRRELVM v) {
    return Set(v, "TextSpriteInterface.Clear", [](LayerWrapper*, TextSprite* s) { s->Clear(); });
}

// A setter forwarding one integer argument to the sprite.
template <void (TextSprite::*Forward)(int32_t)>
SQInteger SetInt(HSQUIRRELVM v, const char* method) {
    return Set(v, method, [&](LayerWrapper*, TextSprite* s) { (s->*Forward)(ScriptArgInt32(v, 1, method)); });
}

SQInteger SetCharSpace(HSQUIRRELVM v) {
    return SetInt<&TextSprite::SetCharSpace>(v, "TextSpriteInterface.SetCharSpace");
}
SQInteger SetLineSpace(HSQUIRRELVM v) {
    return SetInt<&TextSprite::SetLineSpace>(v, "TextSpriteInterface.SetLineSpace");
}
SQInteger SetAlign(HSQUIRRELVM v) { return SetInt<&TextSprite::SetAlign>(v, "TextSpriteInterface.SetAlign"); }
SQInteger SetVertAlign(HSQUIRRELVM v) {
    return SetInt<&TextSprite::SetVertAlign>(v, "TextSpriteInterface.SetVertAlign");
}

SQInteger SetVisible(HSQUIRRELVM v) {
    const char* const method = "TextSpriteInterface.SetVisible";
    return Set(v, method, [&](LayerWrapper*, TextSprite* s) { s->SetVisible(ScriptArgBool(v, 1, method)); });
}

SQInteger SetPos(HSQUIRRELVM v) {
    const char* const method = "TextSpriteInterface.SetPos";
    return Set(v, method, [&](LayerWrapper*, TextSprite* s) {
        s->SetPos(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    });
}

SQInteger SetSize(HSQUIRRELVM v) {
    const char* const method = "TextSpriteInterface.SetSize";
    return Set(v, method, [&](LayerWrapper*, TextSprite* s) {
        s->SetSize(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    });
}

SQInteger SetAngle(HSQUIRRELVM v) {
    const char* const method = "TextSpriteInterface.SetAngle";
    return Set(v, method, [&](LayerWrapper*, TextSprite* s) { s->SetAngle(ScriptArgFloat(v, 1, method)); });
}

SQInteger SetScale(HSQUIRRELVM v) {
    const char* const method = "TextSpriteInterface.SetScale";
    return Set(v, method, [&](LayerWrapper*, TextSprite* s) { s->SetScale(ScriptArgFloat(v, 1, method)); });
}

SQInteger SetClipRect(HSQUIRRELVM v) {
    const char* const method = "TextSpriteInterface.SetClipRect";
    return Set(v, method, [&](LayerWrapper*, TextSprite* s) {
        s->SetClipRect(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method), ScriptArgInt32(v, 3, method),
                       ScriptArgInt32(v, 4, method));
    });
}

SQInteger SetAlphaRow(HSQUIRRELVM v) {
    return SetAlpha<TextSprite>(v, kId, "TextSpriteInterface.SetAlpha", ApplyColour);
}
SQInteger SetColorRow(HSQUIRRELVM v) {
    return SetColor<TextSprite>(v, kId, "TextSpriteInterface.SetColor", ApplyColour);
}
SQInteger SetFadeRow(HSQUIRRELVM v) {
    return SetFade<TextSprite>(v, kId, "TextSpriteInterface.SetFade", ApplyColour);
}
SQInteger SetZRow(HSQUIRRELVM v) { return SetZ<TextSprite>(v, kId, "TextSpriteInterface.SetZ"); }
SQInteger SetHitTestRow(HSQUIRRELVM v) { return SetHitTest<TextSprite>(v, kId, "TextSpriteInterface.SetHitTest"); }
SQInteger HitTestRow(HSQUIRRELVM v) {
    return HitTest<TextSprite>(v, kId, "TextSpriteInterface.HitTest",
                               [](const TextSprite* s, int32_t* x, int32_t* y, int32_t* w, int32_t* h) {
                                   *x = s->x, *y = s->y, *w = s->width, *h = s->height;
                               });
}
SQInteger GetZRow(HSQUIRRELVM v) { return GetZ<TextSprite>(v, kId, "TextSpriteInterface.GetZ"); }
SQInteger GetAlphaRow(HSQUIRRELVM v) { return GetAlpha<TextSprite>(v, kId, "TextSpriteInterface.GetAlpha"); }
SQInteger GetColorRow(HSQUIRRELVM v) { return GetColor<TextSprite>(v, kId, "TextSpriteInterface.GetColor"); }
SQInteger GetFadeRow(HSQUIRRELVM v) { return GetFade<TextSprite>(v, kId, "TextSpriteInterface.GetFade"); }

SQInteger IsVisible(HSQUIRRELVM v) {
    return Get(v, "TextSpriteInterface.IsVisible", false, [](LayerWrapper*, TextSprite* s) { return s->IsVisible(); });
}
SQInteger GetPosX(HSQUIRRELVM v) {
    return Get(v, "TextSpriteInterface.GetPosX", 0, [](LayerWrapper*, TextSprite* s) { return s->x; });
}
SQInteger GetPosY(HSQUIRRELVM v) {
    return Get(v, "TextSpriteInterface.GetPosY", 0, [](LayerWrapper*, TextSprite* s) { return s->y; });
}
SQInteger GetWidth(HSQUIRRELVM v) {
    return Get(v, "TextSpriteInterface.GetWidth", 0, [](LayerWrapper*, TextSprite* s) { return s->width; });
}
SQInteger GetHeight(HSQUIRRELVM v) {
    return Get(v, "TextSpriteInterface.GetHeight", 0, [](LayerWrapper*, TextSprite* s) { return s->height; });
}
SQInteger GetAngle(HSQUIRRELVM v) {
    return Get(v, "TextSpriteInterface.GetAngle", 0.0f, [](LayerWrapper*, TextSprite* s) { return s->angle; });
}
SQInteger GetScale(HSQUIRRELVM v) {
    return Get(v, "TextSpriteInterface.GetScale", 0.0f, [](LayerWrapper*, TextSprite* s) { return s->scale; });
}

// Counts include the instance; no type masks, so the natives check for themselves.
const ScriptMethodRow kTextSpriteInterfaceRows[] = {
    {"constructor", Constructor, -1, nullptr, false},
    {"SetText", SetText, 2, nullptr, false},
    {"Clear", Clear, 1, nullptr, false},
    {"SetCharSpace", SetCharSpace, 2, nullptr, false},
    {"SetLineSpace", SetLineSpace, 2, nullptr, false},
    {"SetAlign", SetAlign, 2, nullptr, false},
    {"SetVertAlign", SetVertAlign, 2, nullptr, false},
    {"SetVisible", SetVisible, 2, nullptr, false},
    {"SetZ", SetZRow, 2, nullptr, false},
    {"SetPos", SetPos, 3, nullptr, false},
    {"SetSize", SetSize, 3, nullptr, false},
    {"SetAlpha", SetAlphaRow, 2, nullptr, false},
    {"SetColor", SetColorRow, 2, nullptr, false},
    {"SetFade", SetFadeRow, 2, nullptr, false},
    {"SetAngle", SetAngle, 2, nullptr, false},
    {"SetScale", SetScale, 2, nullptr, false},
    {"SetClipRect", SetClipRect, 5, nullptr, false},
    {"IsVisible", IsVisible, 1, nullptr, false},
    {"GetZ", GetZRow, 1, nullptr, false},
    {"GetPosX", GetPosX, 1, nullptr, false},
    {"GetPosY", GetPosY, 1, nullptr, false},
    {"GetWidth", GetWidth, 1, nullptr, false},
    {"GetHeight", GetHeight, 1, nullptr, false},
    {"GetAlpha", GetAlphaRow, 1, nullptr, false},
    {"GetColor", GetColorRow, 1, nullptr, false},
    {"GetFade", GetFadeRow, 1, nullptr, false},
    {"GetAngle", GetAngle, 1, nullptr, false},
    {"GetScale", GetScale, 1, nullptr, false},
    {"HitTest", HitTestRow, 3, nullptr, false},
    {"SetHitTest", SetHitTestRow, 3, nullptr, false},
};

}  // namespace

int64_t ReleaseTextSpriteLayer(void* pointer, int64_t) {
    auto* wrapper = static_cast<LayerWrapper*>(pointer);
    if (wrapper == nullptr) return 0;
    RemoveLayerFromList(&wrapper->node);
    TextSprite::Destroy(static_cast<TextSprite*>(wrapper->object));
    FreeLayerWrapper(wrapper);
    return 1;
}

void RegisterTextSpriteInterface() {
    RegisterTaggedScriptClass("TextSpriteInterface", kTextSpriteInterfaceRows,
                              sizeof kTextSpriteInterfaceRows / sizeof kTextSpriteInterfaceRows[0], kId);
}
