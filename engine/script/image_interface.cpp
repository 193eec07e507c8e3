// ImageInterface: ImageInterface(fileName, useAtlas) starts loading a picture
// through the current file-system manager on the background queue; layers
// show it once it has been uploaded. The instance holds one reference of the
// AsyncTexture, and every layer showing it holds its own.
#include <squirrel.h>

#include "gfx/async_texture.h"
#include "script/image_font_text_interfaces.h"
#include "script/script_class_args.h"
#include "script/script_host.h"
#include "script/script_string_arg.h"

namespace {

constexpr char kConstructor[] = "ImageInterface.constructor";

SQInteger ReleaseImage(SQUserPointer texture, SQInteger) {
    // Drops the instance's reference; the last one waits for a decode in progress.
    ReleaseTexture(static_cast<AsyncTexture*>(texture));
    return 1;
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "ImageInterface")) return SQ_ERROR;
    const char* name = ScriptArgString(v, 1, kConstructor);
    const bool useAtlas = ScriptArgBool(v, 2, kConstructor);
    // Without a name the instance has no picture; a layer given it shows none.
    if (name == nullptr) return 0;
    AsyncTexture* texture = NewTextureAsync(name, useAtlas ? 1 : 0, GetCurrentFsMgr(), GetScriptObjectAllocator());
    if (texture == nullptr) return sq_throwerror(v, "ImageInterface: out of memory");
    sq_setinstanceup(v, 1, texture);
    sq_setreleasehook(v, 1, ReleaseImage);
    return 0;
}

const ScriptMethodRow kImageInterfaceRows[] = {
    {"constructor", Constructor, 3, nullptr, false},
};

}  // namespace

void RegisterImageInterface() {
    RegisterTaggedScriptClass("ImageInterface", kImageInterfaceRows,
                              sizeof kImageInterfaceRows / sizeof kImageInterfaceRows[0],
                              ScriptClassId::kImageInterface);
}
