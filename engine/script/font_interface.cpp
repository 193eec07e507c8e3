// FontInterface: FontInterface(size, source[, atlasWidth, atlasHeight]) makes
// a font whose glyph cells are `size` pixels square. The source is a font
// file name, read through the current file-system manager, or another
// FontInterface, whose font data the new font shares. The instance holds one
// reference of the font; a text box made from it holds its own. A source of
// the wrong kind, a file that cannot be loaded or an atlas out of range leave
// the instance without a font (text boxes made from it show nothing).
#include <squirrel.h>

#include "gfx/font.h"
#include "platform/debug_log.h"
#include "script/image_font_text_interfaces.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

constexpr char kConstructor[] = "FontInterface.constructor";
// The largest cell or atlas side a script may ask for: a texture side every
// GL implementation the game runs on accepts. Beyond it the font is refused
// before any memory is taken for it.
constexpr int64_t kMaxScriptFontAtlasSide = 4096;
// The instance, the size, the source, then both atlas sides.
constexpr SQInteger kStackWithAtlasSize = 5;

SQInteger ReleaseFont(SQUserPointer font, SQInteger) {
    Font::Release(static_cast<Font*>(font));
    return 1;
}

// A script number as a size in 0..kMaxScriptFontAtlasSide, or -1 when outside.
int SideOrRefused(SQInteger value) {
    return value >= 0 && value <= kMaxScriptFontAtlasSide ? static_cast<int>(value) : -1;
}

// The font of the FontInterface instance at stack position `at`; *isFont is
// false when the value is not such an instance.
Font* SourceFont(HSQUIRRELVM v, SQInteger at, bool* isFont) {
    SQUserPointer font = nullptr;
    *isFont = sq_gettype(v, at) == OT_INSTANCE &&
              SQ_SUCCEEDED(sq_getinstanceup(v, at, &font, ScriptClassTag(ScriptClassId::kFontInterface)));
    return *isFont ? static_cast<Font*>(font) : nullptr;
}

Font* MakeFont(HSQUIRRELVM v) {
    const int size = SideOrRefused(ScriptArgInteger(v, 1, kConstructor));
    int atlasWidth = 0, atlasHeight = 0;
    if (sq_gettop(v) >= kStackWithAtlasSize) {
        atlasWidth = SideOrRefused(ScriptArgInteger(v, 3, kConstructor));
        atlasHeight = SideOrRefused(ScriptArgInteger(v, 4, kConstructor));
    }
    if (size < 0 || atlasWidth < 0 || atlasHeight < 0) {
        LogError("FontInterface: size or atlas out of range (0 to %lld)",
                 static_cast<long long>(kMaxScriptFontAtlasSide));
        return nullptr;
    }
    const SQInteger at = 3;  // the source
    if (sq_gettop(v) >= at && sq_gettype(v, at) == OT_STRING) {
        const SQChar* name = nullptr;
        sq_getstring(v, at, &name);
        return NewFontFromFile(size, name, GetCurrentFsMgr(), atlasWidth, atlasHeight, GetScriptObjectAllocator());
    }
    bool isFont = false;
    Font* source = sq_gettop(v) >= at ? SourceFont(v, at, &isFont) : nullptr;
    if (!isFont) {
        LogError("Invalid parameter.");
        return nullptr;
    }
    if (source == nullptr) {
        LogError("FontInterface: the source font was never made");
        return nullptr;
    }
    return NewFontFromFont(size, source, atlasWidth, atlasHeight, GetScriptObjectAllocator());
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "FontInterface")) return SQ_ERROR;
    Font* font = MakeFont(v);
    if (font == nullptr) return 0;
    sq_setinstanceup(v, 1, font);
    sq_setreleasehook(v, 1, ReleaseFont);
    return 0;
}

const ScriptMethodRow kFontInterfaceRows[] = {
    {"constructor", Constructor, -1, nullptr, false},
};

}  // namespace

void RegisterFontInterface() {
    RegisterTaggedScriptClass("FontInterface", kFontInterfaceRows,
                              sizeof kFontInterfaceRows / sizeof kFontInterfaceRows[0], ScriptClassId::kFontInterface);
}
