// TextBoxInterface: TextBoxInterface(font, maxChars) puts a message-window
// text box into the global layer list. Text is appended as UTF-8, its glyphs
// are prepared on the background queue and the box uncovers it character by
// character. The instance owns a LayerWrapper over the TextBox; the box holds
// its own reference of the font. Made without a font, the instance has no
// box: its setters do nothing and its getters read 0 (CheckAnim true).
#include <squirrel.h>

#include <algorithm>

#include "gfx/text_box.h"
#include "platform/debug_log.h"
#include "script/image_font_text_interfaces.h"
#include "script/layer_wrapper.h"
#include "script/layer_wrapper_methods.h"
#include "script/script_class_args.h"
#include "script/script_host.h"
#include "script/script_string_arg.h"

namespace {

TextBox* BoxOf(const LayerWrapper* wrapper) { return static_cast<TextBox*>(wrapper->object); }

// A setter or getter of an instance without a box does nothing or reads `none`.
template <typename Apply>
SQInteger Setter(HSQUIRRELVM v, const char* method, Apply apply) {
    return layer_methods::Setter<TextBox>(v, ScriptClassId::kTextBoxInterface, method, apply);
}

// A setter that hands argument 1, read by `Read`, to one TextBox setter.
template <typename Value, Value (*Read)(HSQUIRRELVM, SQInteger, const char*), void (*Apply)(TextBox*, Value)>
SQInteger ArgSetter(HSQUIRRELVM v, const char* method) {
    return Setter(v, method, [v, method](LayerWrapper*, TextBox* box) { Apply(box, Read(v, 1, method)); });
}

template <typename Value, typename Read>
SQInteger Getter(HSQUIRRELVM v, const char* method, Value none, Read read) {
    return layer_methods::Getter<TextBox>(v, ScriptClassId::kTextBoxInterface, method, none, read);
}

void ApplyColour(LayerWrapper* wrapper) { TextBox::SetColor(BoxOf(wrapper), LayerWrapperObjectColour(wrapper)); }

// Appends the text of argument 1 to the box (nothing when it is not a string).
void Append(HSQUIRRELVM v, TextBox* box, const char* method) {
    const char* text = ScriptArgString(v, 1, method);
    if (text != nullptr) TextBox::SetTextUtf8(box, text, 1);
}

SQInteger Constructor(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.constructor";
    if (!ScriptMayConstruct(v, "TextBoxInterface")) return SQ_ERROR;
    bool ok = false;
    auto* font = static_cast<Font*>(ScriptArgInstance(v, 1, ScriptClassId::kFontInterface, method, &ok));
    if (!ok) return SQ_ERROR;
    // Clamped here, before any narrowing, so no count can wrap.
    const SQInteger maxChars = std::clamp<SQInteger>(ScriptArgInteger(v, 2, method), 1, kTextBoxMaxChars);
    if (font == nullptr) {
        LogError("TextBoxInterface: no font to draw with; the text box shows nothing");
        return 0;
    }
    Allocator* allocator = GetScriptObjectAllocator();
    LayerWrapper* wrapper = NewLayerWrapper(allocator);
    TextBox* box = wrapper != nullptr ? TextBox::Create(font, static_cast<int>(maxChars), allocator) : nullptr;
    if (box == nullptr) {
        FreeLayerWrapper(wrapper);
        return sq_throwerror(v, "TextBoxInterface: out of memory");
    }
    wrapper->object = box;
    wrapper->node.argument = box;
    wrapper->node.draw = TextBox::Draw;
    AddLayerToList(&wrapper->node);
    sq_setinstanceup(v, 1, wrapper);
    sq_setreleasehook(
        v, 1, [](SQUserPointer pointer, SQInteger size) -> SQInteger { return ReleaseTextBoxLayer(pointer, size); });
    return 0;
}

SQInteger Print(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.Print";
    return Setter(v, method, [v, method](LayerWrapper*, TextBox* box) { Append(v, box, method); });
}

SQInteger Println(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.Println";
    return Setter(v, method, [v, method](LayerWrapper*, TextBox* box) {
        Append(v, box, method);
        TextBox::SetTextUtf8(box, "\n", 1);
    });
}

SQInteger SetText(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetText";
    return Setter(v, method, [v, method](LayerWrapper*, TextBox* box) {
        TextBox::Clear(box);
        Append(v, box, method);
    });
}

SQInteger Clear(HSQUIRRELVM v) {
    return Setter(v, "TextBoxInterface.Clear", [](LayerWrapper*, TextBox* box) { TextBox::Clear(box); });
}

SQInteger SetVisible(HSQUIRRELVM v) {
    return ArgSetter<bool, ScriptArgBool, TextBox::SetVisible>(v, "TextBoxInterface.SetVisible");
}

SQInteger SetZ(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetZ";
    return Setter(v, method, [v, method](LayerWrapper* wrapper, TextBox*) {
        SetLayerWrapperZ(wrapper, ScriptArgInt32(v, 1, method));
    });
}

SQInteger SetPos(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetPos";
    return Setter(v, method, [v, method](LayerWrapper*, TextBox* box) {
        TextBox::SetPos(box, ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    });
}

SQInteger SetSize(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetSize";
    return Setter(v, method, [v, method](LayerWrapper*, TextBox* box) {
        TextBox::SetSize(box, ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    });
}

SQInteger SetAlpha(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetAlpha";
    return Setter(v, method, [v, method](LayerWrapper* wrapper, TextBox*) {
        SetLayerWrapperAlpha(wrapper, ScriptArgFloat(v, 1, method));
        ApplyColour(wrapper);
    });
}

SQInteger SetColor(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetColor";
    return Setter(v, method, [v, method](LayerWrapper* wrapper, TextBox*) {
        wrapper->colour = ScriptArgColour(v, 1, method);
        ApplyColour(wrapper);
    });
}

SQInteger SetFade(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetFade";
    return Setter(v, method, [v, method](LayerWrapper* wrapper, TextBox*) {
        wrapper->fade = ScriptArgFloat(v, 1, method);
        ApplyColour(wrapper);
    });
}

SQInteger SetScale(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetScale";
    return Setter(v, method,
                  [v, method](LayerWrapper*, TextBox* box) { TextBox::SetScale(box, ScriptArgFloat(v, 1, method)); });
}

SQInteger SetAngle(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetAngle";
    return Setter(v, method,
                  [v, method](LayerWrapper*, TextBox* box) { TextBox::SetAngle(box, ScriptArgFloat(v, 1, method)); });
}

SQInteger SetClipRect(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetClipRect";
    return Setter(v, method, [v, method](LayerWrapper*, TextBox* box) {
        TextBox::SetClipRect(box, ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method),
                             ScriptArgInt32(v, 3, method), ScriptArgInt32(v, 4, method));
    });
}

SQInteger SetFontSize(HSQUIRRELVM v) {
    return ArgSetter<int32_t, ScriptArgInt32, TextBox::SetFontSize>(v, "TextBoxInterface.SetFontSize");
}

SQInteger SetFontRGBA(HSQUIRRELVM v) {
    return ArgSetter<uint32_t, ScriptArgColour, TextBox::SetFontRGBA>(v, "TextBoxInterface.SetFontRGBA");
}

SQInteger SetEdgeSize(HSQUIRRELVM v) {
    return ArgSetter<int32_t, ScriptArgInt32, TextBox::SetEdgeSize>(v, "TextBoxInterface.SetEdgeSize");
}

SQInteger SetEdgeRGBA(HSQUIRRELVM v) {
    return ArgSetter<uint32_t, ScriptArgColour, TextBox::SetEdgeRGBA>(v, "TextBoxInterface.SetEdgeRGBA");
}

SQInteger SetCharSpace(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.SetCharSpace";
    return Setter(v, method, [v, method](LayerWrapper*, TextBox* box) {
        TextBox::SetCharSpace(box, ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    });
}

SQInteger SetLineSpace(HSQUIRRELVM v) {
    return ArgSetter<int32_t, ScriptArgInt32, TextBox::SetLineSpace>(v, "TextBoxInterface.SetLineSpace");
}

SQInteger SetFixedSpace(HSQUIRRELVM v) {
    return ArgSetter<bool, ScriptArgBool, TextBox::SetFixedSpace>(v, "TextBoxInterface.SetFixedSpace");
}

SQInteger SetAutoSpace(HSQUIRRELVM v) {
    return ArgSetter<bool, ScriptArgBool, TextBox::SetAutoSpace>(v, "TextBoxInterface.SetAutoSpace");
}

SQInteger SetWaitTime(HSQUIRRELVM v) {
    return ArgSetter<int32_t, ScriptArgInt32, TextBox::SetWaitTime>(v, "TextBoxInterface.SetWaitTime");
}

SQInteger SetAlign(HSQUIRRELVM v) {
    return ArgSetter<int32_t, ScriptArgInt32, TextBox::SetAlign>(v, "TextBoxInterface.SetAlign");
}

SQInteger SetVertAlign(HSQUIRRELVM v) {
    return ArgSetter<int32_t, ScriptArgInt32, TextBox::SetVertAlign>(v, "TextBoxInterface.SetVertAlign");
}

SQInteger SkipAnim(HSQUIRRELVM v) {
    return Setter(v, "TextBoxInterface.SkipAnim", [](LayerWrapper*, TextBox* box) { TextBox::Skip(box); });
}

// An instance without a box has nothing left to uncover.
SQInteger CheckAnim(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.CheckAnim", true,
                  [](LayerWrapper*, TextBox* box) { return TextBox::IsAnimDone(box); });
}

SQInteger IsVisible(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.IsVisible", false,
                  [](LayerWrapper*, TextBox* box) { return TextBox::IsVisible(box); });
}

SQInteger GetZ(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetZ", int32_t{0},
                  [](LayerWrapper* wrapper, TextBox*) { return wrapper->node.z; });
}

SQInteger GetPosX(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetPosX", 0, [](LayerWrapper*, TextBox* box) { return TextBox::GetX(box); });
}

SQInteger GetPosY(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetPosY", 0, [](LayerWrapper*, TextBox* box) { return TextBox::GetY(box); });
}

SQInteger GetWidth(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetWidth", 0,
                  [](LayerWrapper*, TextBox* box) { return TextBox::GetWidth(box); });
}

SQInteger GetHeight(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetHeight", 0,
                  [](LayerWrapper*, TextBox* box) { return TextBox::GetHeight(box); });
}

SQInteger GetAlpha(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetAlpha", 0.0f,
                  [](LayerWrapper* wrapper, TextBox*) { return GetLayerWrapperAlpha(wrapper); });
}

SQInteger GetColor(HSQUIRRELVM v) {
    // The stored word is pushed zero-extended, as PushScriptColour does.
    return Getter(v, "TextBoxInterface.GetColor", uint32_t{0},
                  [](LayerWrapper* wrapper, TextBox*) { return wrapper->colour; });
}

SQInteger GetFade(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetFade", 0.0f, [](LayerWrapper* wrapper, TextBox*) { return wrapper->fade; });
}

SQInteger GetCursorX(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetCursorX", 0,
                  [](LayerWrapper*, TextBox* box) { return TextBox::GetCursorX(box); });
}

SQInteger GetCursorY(HSQUIRRELVM v) {
    return Getter(v, "TextBoxInterface.GetCursorY", 0,
                  [](LayerWrapper*, TextBox* box) { return TextBox::GetCursorY(box); });
}

SQInteger HitTest(HSQUIRRELVM v) {
    const char* const method = "TextBoxInterface.HitTest";
    return Getter(v, method, false, [v, method](LayerWrapper* wrapper, TextBox* box) {
        return LayerWrapperHitTest(wrapper, TextBox::GetX(box), TextBox::GetY(box), TextBox::GetWidth(box),
                                   TextBox::GetHeight(box), ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    });
}

// Counts include the instance; no type masks, so the natives check for themselves.
const ScriptMethodRow kTextBoxInterfaceRows[] = {
    {"constructor", Constructor, 3, nullptr, false},
    {"Print", Print, 2, nullptr, false},
    {"Println", Println, 2, nullptr, false},
    {"SetText", SetText, 2, nullptr, false},
    {"Clear", Clear, 1, nullptr, false},
    {"SetVisible", SetVisible, 2, nullptr, false},
    {"SetZ", SetZ, 2, nullptr, false},
    {"SetPos", SetPos, 3, nullptr, false},
    {"SetSize", SetSize, 3, nullptr, false},
    {"SetAlpha", SetAlpha, 2, nullptr, false},
    {"SetColor", SetColor, 2, nullptr, false},
    {"SetFade", SetFade, 2, nullptr, false},
    {"SetScale", SetScale, 2, nullptr, false},
    {"SetAngle", SetAngle, 2, nullptr, false},
    {"SetClipRect", SetClipRect, 5, nullptr, false},
    {"SetFontSize", SetFontSize, 2, nullptr, false},
    {"SetFontRGBA", SetFontRGBA, 2, nullptr, false},
    {"SetEdgeSize", SetEdgeSize, 2, nullptr, false},
    {"SetEdgeRGBA", SetEdgeRGBA, 2, nullptr, false},
    {"SetCharSpace", SetCharSpace, 3, nullptr, false},
    {"SetLineSpace", SetLineSpace, 2, nullptr, false},
    {"SetFixedSpace", SetFixedSpace, 2, nullptr, false},
    {"SetAutoSpace", SetAutoSpace, 2, nullptr, false},
    {"SetWaitTime", SetWaitTime, 2, nullptr, false},
    {"SetAlign", SetAlign, 2, nullptr, false},
    {"SetVertAlign", SetVertAlign, 2, nullptr, false},
    {"SkipAnim", SkipAnim, 1, nullptr, false},
    {"CheckAnim", CheckAnim, 1, nullptr, false},
    {"IsVisible", IsVisible, 1, nullptr, false},
    {"GetZ", GetZ, 1, nullptr, false},
    {"GetPosX", GetPosX, 1, nullptr, false},
    {"GetPosY", GetPosY, 1, nullptr, false},
    {"GetWidth", GetWidth, 1, nullptr, false},
    {"GetHeight", GetHeight, 1, nullptr, false},
    {"GetAlpha", GetAlpha, 1, nullptr, false},
    {"GetColor", GetColor, 1, nullptr, false},
    {"GetFade", GetFade, 1, nullptr, false},
    {"GetCursorX", GetCursorX, 1, nullptr, false},
    {"GetCursorY", GetCursorY, 1, nullptr, false},
    {"HitTest", HitTest, 3, nullptr, false},
};

}  // namespace

int64_t ReleaseTextBoxLayer(void* pointer, int64_t) {
    auto* wrapper = static_cast<LayerWrapper*>(pointer);
    if (wrapper == nullptr) return 0;
    // Unlinked first, so no draw can reach the box while it goes.
    RemoveLayerFromList(&wrapper->node);
    TextBox::Destroy(BoxOf(wrapper));
    FreeLayerWrapper(wrapper);
    return 1;
}

void RegisterTextBoxInterface() {
    RegisterTaggedScriptClass("TextBoxInterface", kTextBoxInterfaceRows,
                              sizeof kTextBoxInterfaceRows / sizeof kTextBoxInterfaceRows[0],
                              ScriptClassId::kTextBoxInterface);
}
