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

using namespace layer_methods;

struct TextSpriteClass {
    using Object = TextSprite;
    static constexpr const char* kName = "TextSpriteInterface";
    static constexpr ScriptClassId kId = ScriptClassId::kTextSpriteInterface;
    static void ApplyColour(TextSprite* sprite, uint32_t colour) { sprite->SetColor(colour); }
};
using Box = BoxMethods<TextSpriteClass>;

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
    return Box::Set(v, method, [&](LayerWrapper*, TextSprite* s) { s->SetText(ScriptArgString(v, 1, method)); });
}

SQInteger Clear(HSQUIRRELVM v) {
    return Box::Set(v, "TextSpriteInterface.Clear", [](LayerWrapper*, TextSprite* s) { s->Clear(); });
}

// A setter forwarding one integer argument to the sprite.
template <void (TextSprite::*Forward)(int32_t)>
SQInteger SetInt(HSQUIRRELVM v, const char* method) {
    return Box::Set(v, method, [&](LayerWrapper*, TextSprite* s) { (s->*Forward)(ScriptArgInt32(v, 1, method)); });
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

// Counts include the instance; no type masks, so the natives check for themselves.
const ScriptMethodRow kTextSpriteInterfaceRows[] = {
    {"constructor", Constructor, -1, nullptr, false},
    {"SetText", SetText, 2, nullptr, false},
    {"Clear", Clear, 1, nullptr, false},
    {"SetCharSpace", SetCharSpace, 2, nullptr, false},
    {"SetLineSpace", SetLineSpace, 2, nullptr, false},
    {"SetAlign", SetAlign, 2, nullptr, false},
    {"SetVertAlign", SetVertAlign, 2, nullptr, false},
    {"GetAlpha", Box::GetAlphaNative, 1, nullptr, false},
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
    const std::vector<ScriptMethodRow> rows =
        Box::Rows(kTextSpriteInterfaceRows, sizeof kTextSpriteInterfaceRows / sizeof kTextSpriteInterfaceRows[0]);
    RegisterTaggedScriptClass("TextSpriteInterface", rows.data(), rows.size(), TextSpriteClass::kId);
}
