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

constexpr ScriptClassId kId = ScriptClassId::kTileInterface;
using namespace layer_methods;

template <typename Apply>
SQInteger Set(HSQUIRRELVM v, const char* method, Apply apply) {
    return Setter<Tile>(v, kId, method, apply);
}

template <typename Value, typename Read>
SQInteger Get(HSQUIRRELVM v, const char* method, Value none, Read read) {
    return Getter<Tile>(v, kId, method, none, read);
}

void ApplyColour(Tile* tile, uint32_t colour) { tile->SetColor(colour); }

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
    return Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetMode(ScriptArgInt32(v, 1, method)); });
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
    return Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetImage(background, edge); });
}

SQInteger SetVisible(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetVisible";
    return Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetVisible(ScriptArgBool(v, 1, method)); });
}

SQInteger SetPos(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetPos";
    return Set(v, method,
               [&](LayerWrapper*, Tile* t) { t->SetPos(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method)); });
}

SQInteger SetSize(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetSize";
    return Set(v, method, [&](LayerWrapper*, Tile* t) {
        t->SetSize(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    });
}

SQInteger SetAngle(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetAngle";
    return Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetAngle(ScriptArgFloat(v, 1, method)); });
}

SQInteger SetScale(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetScale";
    return Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetScale(ScriptArgFloat(v, 1, method)); });
}

SQInteger SetClipRect(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetClipRect";
    return Set(v, method, [&](LayerWrapper*, Tile* t) {
        t->SetClipRect(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method), ScriptArgInt32(v, 3, method),
                       ScriptArgInt32(v, 4, method));
    });
}

SQInteger SetBackColor(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetBackColor";
    return Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetBackColor(ScriptArgColour(v, 1, method)); });
}

SQInteger SetEdgeColor(HSQUIRRELVM v) {
    const char* const method = "TileInterface.SetEdgeColor";
    return Set(v, method, [&](LayerWrapper*, Tile* t) { t->SetEdgeColor(ScriptArgColour(v, 1, method)); });
}

SQInteger SetAlphaRow(HSQUIRRELVM v) { return SetAlpha<Tile>(v, kId, "TileInterface.SetAlpha", ApplyColour); }
SQInteger SetColorRow(HSQUIRRELVM v) { return SetColor<Tile>(v, kId, "TileInterface.SetColor", ApplyColour); }
SQInteger SetFadeRow(HSQUIRRELVM v) { return SetFade<Tile>(v, kId, "TileInterface.SetFade", ApplyColour); }
SQInteger SetZRow(HSQUIRRELVM v) { return SetZ<Tile>(v, kId, "TileInterface.SetZ"); }
SQInteger SetHitTestRow(HSQUIRRELVM v) { return SetHitTest<Tile>(v, kId, "TileInterface.SetHitTest"); }
SQInteger HitTestRow(HSQUIRRELVM v) {
    return HitTest<Tile>(v, kId, "TileInterface.HitTest",
                         [](const Tile* t, int32_t* x, int32_t* y, int32_t* w, int32_t* h) {
                             *x = t->x, *y = t->y, *w = t->width, *h = t->height;
                         });
}
SQInteger GetZRow(HSQUIRRELVM v) { return GetZ<Tile>(v, kId, "TileInterface.GetZ"); }
SQInteger GetColorRow(HSQUIRRELVM v) { return GetColor<Tile>(v, kId, "TileInterface.GetColor"); }
SQInteger GetFadeRow(HSQUIRRELVM v) { return GetFade<Tile>(v, kId, "TileInterface.GetFade"); }

SQInteger IsVisible(HSQUIRRELVM v) {
    return Get(v, "TileInterface.IsVisible", false, [](LayerWrapper*, Tile* t) { return t->IsVisible(); });
}
SQInteger GetPosX(HSQUIRRELVM v) {
    return Get(v, "TileInterface.GetPosX", 0, [](LayerWrapper*, Tile* t) { return t->x; });
}
SQInteger GetPosY(HSQUIRRELVM v) {
    return Get(v, "TileInterface.GetPosY", 0, [](LayerWrapper*, Tile* t) { return t->y; });
}
SQInteger GetWidth(HSQUIRRELVM v) {
    return Get(v, "TileInterface.GetWidth", 0, [](LayerWrapper*, Tile* t) { return t->width; });
}
SQInteger GetHeight(HSQUIRRELVM v) {
    return Get(v, "TileInterface.GetHeight", 0, [](LayerWrapper*, Tile* t) { return t->height; });
}
SQInteger GetAngle(HSQUIRRELVM v) {
    return Get(v, "TileInterface.GetAngle", 0.0f, [](LayerWrapper*, Tile* t) { return t->angle; });
}
SQInteger GetScale(HSQUIRRELVM v) {
    return Get(v, "TileInterface.GetScale", 0.0f, [](LayerWrapper*, Tile* t) { return t->scale; });
}

// Counts include the instance; no type masks, so the natives check for themselves.
const ScriptMethodRow kTileInterfaceRows[] = {
    {"constructor", Constructor, 1, nullptr, false},
    {"SetMode", SetMode, 2, nullptr, false},
    {"SetImage", SetImage, 3, nullptr, false},
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
    {"SetBackColor", SetBackColor, 2, nullptr, false},
    {"SetEdgeColor", SetEdgeColor, 2, nullptr, false},
    {"IsVisible", IsVisible, 1, nullptr, false},
    {"GetZ", GetZRow, 1, nullptr, false},
    {"GetPosX", GetPosX, 1, nullptr, false},
    {"GetPosY", GetPosY, 1, nullptr, false},
    {"GetWidth", GetWidth, 1, nullptr, false},
    {"GetHeight", GetHeight, 1, nullptr, false},
    {"GetColor", GetColorRow, 1, nullptr, false},
    {"GetFade", GetFadeRow, 1, nullptr, false},
    {"GetAngle", GetAngle, 1, nullptr, false},
    {"GetScale", GetScale, 1, nullptr, false},
    {"HitTest", HitTestRow, 3, nullptr, false},
    {"SetHitTest", SetHitTestRow, 3, nullptr, false},
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
    RegisterTaggedScriptClass("TileInterface", kTileInterfaceRows,
                              sizeof kTileInterfaceRows / sizeof kTileInterfaceRows[0], kId);
}
