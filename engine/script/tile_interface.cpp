// TileInterface: TileInterface() puts a tile (a box background from an image
// tiled, framed or as a bar, with an optional edge frame, or a plain
// rectangle) into the global layer list. SetImage takes the background and
// edge ImageInterfaces, either of which may be null or left out; the tile
// keeps its own references to them.
#include <squirrel.h>

#include "gfx/tile.h"
#include "script/layer_wrapper.h"
#include "script/layer_wrapper_methods.h"
#include "script/script_class_args.h"
#include "script/script_host.h"
#include "script/text_tile_interfaces.h"

namespace {

using namespace layer_methods;

struct TileClass {
    using Object = Tile;
    static constexpr const char* kName = "TileInterface";
    static constexpr ScriptClassId kId = ScriptClassId::kTileInterface;
    static void ApplyColour(Tile* tile, uint32_t colour) { tile->SetColor(colour); }
};
using Box = BoxMethods<TileClass>;

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "TileInterface")) return SQ_ERROR;
    Allocator* allocator = GetScriptObjectAllocator();
    LayerWrapper* wrapper = NewLayerWrapper(allocator);
    Tile* tile = wrapper != nullptr ? Tile::Create(allocator) : nullptr;
    if (tile == nullptr) {
        FreeLayerWrapper(wrapper);
        return sq_throwerror(v, "TileInterface: out of memory");
    }
    wrapper->object = tile;
    wrapper->node.argument = tile;
    wrapper->node.draw = Tile::Draw;
    AddLayerToList(&wrapper->node);
    sq_setinstanceup(v, 1, wrapper);
    sq_setreleasehook(
        v, 1, [](SQUserPointer pointer, SQInteger size) -> SQInteger { return ReleaseTileLayer(pointer, size); });
    return 0;
}

SQInteger SetMode(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetMode";
    return Box::Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetMode(ScriptArgInt32(v, 1, method)); });
}

// An argument left out counts as null here, without a warning: "either may be missing".
AsyncTexture* OptionalImage(HSQUIRRELVM v, SQInteger index, const char* method, bool* ok) {
    *ok = true;
    if (index + 1 > sq_gettop(v)) return nullptr;
    return static_cast<AsyncTexture*>(ScriptArgInstance(v, index, ScriptClassId::kImageInterface, method, ok));
}

SQInteger SetImage(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetImage";
    bool backOk = false, edgeOk = false;
    AsyncTexture* background = OptionalImage(v, 1, method, &backOk);
    AsyncTexture* edge = backOk ? OptionalImage(v, 2, method, &edgeOk) : nullptr;
    if (!backOk || !edgeOk) return SQ_ERROR;
    return Box::Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetImage(background, edge); });
}

SQInteger SetBackColor(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetBackColor";
    return Box::Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetBackColor(ScriptArgColour(v, 1, method)); });
}

SQInteger SetEdgeColor(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetEdgeColor";
    return Box::Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetEdgeColor(ScriptArgColour(v, 1, method)); });
}

// Counts include the instance; no type masks, so the natives check for themselves.
const ScriptMethodRow kTileInterfaceRows[] = {
    {"constructor", Constructor, 1, nullptr, false},
    {"SetMode", SetMode, 2, nullptr, false},
    {"SetImage", SetImage, 3, nullptr, false},
    {"SetBackColor", SetBackColor, 2, nullptr, false},
    {"SetEdgeColor", SetEdgeColor, 2, nullptr, false},
};

}  // namespace

int64_t ReleaseTileLayer(void* pointer, int64_t) {
    auto* wrapper = static_cast<LayerWrapper*>(pointer);
    if (wrapper == nullptr) return 0;
    RemoveLayerFromList(&wrapper->node);
    Tile::Destroy(static_cast<Tile*>(wrapper->object));
    FreeLayerWrapper(wrapper);
    return 1;
}

void RegisterTileInterface() {
    const std::vector<ScriptMethodRow> rows =
        Box::Rows(kTileInterfaceRows, sizeof kTileInterfaceRows / sizeof kTileInterfaceRows[0]);
    RegisterTaggedScriptClass("TileInterface", rows.data(), rows.size(), TileClass::kId);
}
