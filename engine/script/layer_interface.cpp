// LayerInterface: scripts place images on 2D layers. The instance owns a
// SpriteLayer, whose sprite holds a reference to the image it shows, so a
// script may drop an image while a layer still shows it.
#include "script/layer_interface.h"

#include <cmath>
#include <new>

#include "core/allocator.h"
#include "gfx/async_texture.h"
#include "gfx/sprite.h"
#include "platform/debug_log.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

LayerList* gLayerList = nullptr;

constexpr uint32_t kAlphaMask = 0xFF000000u;

SpriteLayer* Self(HSQUIRRELVM v, const char* method) {
    return static_cast<SpriteLayer*>(ScriptSelf(v, ScriptClassId::kLayerInterface, method));
}

uint32_t WithAlpha(uint32_t colour, uint32_t alpha) { return (colour & ~kAlphaMask) | alpha << 24; }

uint32_t Faded(uint32_t colour, float fade) {
    return WithAlpha(colour, ClampAlphaByte(static_cast<float>(colour >> 24) * fade));
}

SQInteger Constructor(HSQUIRRELVM v) {
    if (!ScriptMayConstruct(v, "LayerInterface")) return SQ_ERROR;
    Allocator* allocator = GetScriptObjectAllocator();
    void* block = Alloc(allocator, sizeof(SpriteLayer), 0);
    Sprite* sprite = block != nullptr ? Sprite::Create(allocator) : nullptr;
    if (sprite == nullptr) {
        Allocator::Free(block);
        return sq_throwerror(v, "LayerInterface: out of memory");
    }
    auto* layer = new (block) SpriteLayer{};
    layer->sprite = sprite;
    layer->node.argument = sprite;
    layer->node.draw = Sprite::Draw;
    layer->colour[0] = 0xFFFFFFFFu;
    layer->fade = 1.0f;
    AddLayerToList(&layer->node);
    sq_setinstanceup(v, 1, layer);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger size) -> SQInteger {
        return ReleaseSpriteLayer(pointer, size);
    });
    return 0;
}

SQInteger SetImage(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetImage");
    if (layer == nullptr) return SQ_ERROR;
    bool ok = false;
    auto* image = static_cast<AsyncTexture*>(
        ScriptArgInstance(v, 1, ScriptClassId::kImageInterface, "LayerInterface.SetImage", &ok));
    if (!ok) return SQ_ERROR;
    layer->sprite->SetImage(image);
    return 0;
}

SQInteger SetImageRect(HSQUIRRELVM v) {
    const char* method = "LayerInterface.SetImageRect";
    SpriteLayer* layer = Self(v, method);
    if (layer == nullptr) return SQ_ERROR;
    bool ok = false;
    auto* image = static_cast<AsyncTexture*>(ScriptArgInstance(v, 1, ScriptClassId::kImageInterface, method, &ok));
    if (!ok) return SQ_ERROR;
    layer->sprite->SetImageRect(image, ScriptArgInt32(v, 2, method), ScriptArgInt32(v, 3, method),
                                ScriptArgInt32(v, 4, method), ScriptArgInt32(v, 5, method));
    return 0;
}

SQInteger SetSourceRect(HSQUIRRELVM v) {
    const char* method = "LayerInterface.SetSourceRect";
    SpriteLayer* layer = Self(v, method);
    if (layer == nullptr) return SQ_ERROR;
    layer->sprite->SetSourceRect(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method),
                                 ScriptArgInt32(v, 3, method), ScriptArgInt32(v, 4, method));
    return 0;
}

SQInteger SetVisible(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetVisible");
    if (layer == nullptr) return SQ_ERROR;
    layer->sprite->SetVisible(ScriptArgBool(v, 1, "LayerInterface.SetVisible"));
    return 0;
}

SQInteger SetZ(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetZ");
    if (layer == nullptr) return SQ_ERROR;
    int32_t z = ScriptArgInt32(v, 1, "LayerInterface.SetZ");
    if (gLayerList != nullptr) {
        LayerList::SetZ(gLayerList, &layer->node, z);
    } else {
        layer->node.z = z;
    }
    return 0;
}

SQInteger SetPos(HSQUIRRELVM v) {
    const char* method = "LayerInterface.SetPos";
    SpriteLayer* layer = Self(v, method);
    if (layer == nullptr) return SQ_ERROR;
    layer->sprite->SetPos(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    return 0;
}

SQInteger SetSize(HSQUIRRELVM v) {
    const char* method = "LayerInterface.SetSize";
    SpriteLayer* layer = Self(v, method);
    if (layer == nullptr) return SQ_ERROR;
    layer->sprite->SetSize(ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    return 0;
}

SQInteger SetAlpha(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetAlpha");
    if (layer == nullptr) return SQ_ERROR;
    float alpha = ScriptArgFloat(v, 1, "LayerInterface.SetAlpha");
    layer->colour[0] = WithAlpha(layer->colour[0], ClampAlphaByte(alpha * 255.0f));
    ApplyLayerColours(layer);
    return 0;
}

SQInteger SetColor(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetColor");
    if (layer == nullptr) return SQ_ERROR;
    layer->colour[0] = ScriptArgColour(v, 1, "LayerInterface.SetColor");
    layer->vertexColourMode = 0;
    ApplyLayerColours(layer);
    return 0;
}

SQInteger SetVertexColor(HSQUIRRELVM v) {
    const char* method = "LayerInterface.SetVertexColor";
    SpriteLayer* layer = Self(v, method);
    if (layer == nullptr) return SQ_ERROR;
    for (int i = 0; i < 4; ++i) layer->colour[i] = ScriptArgColour(v, i + 1, method);
    layer->vertexColourMode = 1;
    ApplyLayerColours(layer);
    return 0;
}

SQInteger SetFade(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetFade");
    if (layer == nullptr) return SQ_ERROR;
    layer->fade = ScriptArgFloat(v, 1, "LayerInterface.SetFade");
    ApplyLayerColours(layer);
    return 0;
}

SQInteger SetBlend(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetBlend");
    if (layer == nullptr) return SQ_ERROR;
    layer->sprite->SetBlend(ScriptArgInt32(v, 1, "LayerInterface.SetBlend"));
    return 0;
}

SQInteger SetAngle(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetAngle");
    if (layer == nullptr) return SQ_ERROR;
    layer->sprite->SetAngle(ScriptArgFloat(v, 1, "LayerInterface.SetAngle"));
    return 0;
}

SQInteger SetScale(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.SetScale");
    if (layer == nullptr) return SQ_ERROR;
    layer->sprite->SetScale(ScriptArgFloat(v, 1, "LayerInterface.SetScale"));
    return 0;
}

SQInteger SetClipRect(HSQUIRRELVM v) {
    const char* method = "LayerInterface.SetClipRect";
    SpriteLayer* layer = Self(v, method);
    if (layer == nullptr) return SQ_ERROR;
    const int32_t rect[4] = {ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method),
                             ScriptArgInt32(v, 3, method), ScriptArgInt32(v, 4, method)};
    layer->sprite->SetClipRect(rect);
    return 0;
}

SQInteger IsVisible(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.IsVisible");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushbool(v, layer->sprite->IsVisible() ? SQTrue : SQFalse);
    return 1;
}

SQInteger GetZ(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetZ");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushinteger(v, layer->node.z);
    return 1;
}

SQInteger GetPosX(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetPosX");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushinteger(v, layer->sprite->GetX());
    return 1;
}

SQInteger GetPosY(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetPosY");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushinteger(v, layer->sprite->GetY());
    return 1;
}

SQInteger GetWidth(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetWidth");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushinteger(v, layer->sprite->GetWidth());
    return 1;
}

SQInteger GetHeight(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetHeight");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushinteger(v, layer->sprite->GetHeight());
    return 1;
}

SQInteger GetAlpha(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetAlpha");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushfloat(v, static_cast<SQFloat>(layer->colour[0] >> 24) * (1.0f / 255.0f));
    return 1;
}

SQInteger GetColor(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetColor");
    if (layer == nullptr) return SQ_ERROR;
    PushScriptColour(v, layer->colour[0]);
    return 1;
}

SQInteger GetFade(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetFade");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushfloat(v, layer->fade);
    return 1;
}

SQInteger GetAngle(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetAngle");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushfloat(v, layer->sprite->GetAngle());
    return 1;
}

SQInteger GetScale(HSQUIRRELVM v) {
    SpriteLayer* layer = Self(v, "LayerInterface.GetScale");
    if (layer == nullptr) return SQ_ERROR;
    sq_pushfloat(v, layer->sprite->GetScale());
    return 1;
}

SQInteger HitTest(HSQUIRRELVM v) {
    const char* method = "LayerInterface.HitTest";
    SpriteLayer* layer = Self(v, method);
    if (layer == nullptr) return SQ_ERROR;
    bool hit = LayerHitTest(layer, ScriptArgInt32(v, 1, method), ScriptArgInt32(v, 2, method));
    sq_pushbool(v, hit ? SQTrue : SQFalse);
    return 1;
}

SQInteger SetHitTest(HSQUIRRELVM v) {
    const char* method = "LayerInterface.SetHitTest";
    SpriteLayer* layer = Self(v, method);
    if (layer == nullptr) return SQ_ERROR;
    layer->hitExtraWidth = ScriptArgInt32(v, 1, method);
    layer->hitExtraHeight = ScriptArgInt32(v, 2, method);
    return 0;
}

// Counts include the instance; no type masks, so the natives check for themselves.
const ScriptMethodRow kLayerInterfaceRows[] = {
    {"constructor", Constructor, 1, nullptr, false},
    {"SetImage", SetImage, 2, nullptr, false},
    {"SetImageRect", SetImageRect, 6, nullptr, false},
    {"SetSourceRect", SetSourceRect, 5, nullptr, false},
    {"SetVisible", SetVisible, 2, nullptr, false},
    {"SetZ", SetZ, 2, nullptr, false},
    {"SetPos", SetPos, 3, nullptr, false},
    {"SetSize", SetSize, 3, nullptr, false},
    {"SetAlpha", SetAlpha, 2, nullptr, false},
    {"SetColor", SetColor, 2, nullptr, false},
    {"SetVertexColor", SetVertexColor, 5, nullptr, false},
    {"SetFade", SetFade, 2, nullptr, false},
    {"SetBlend", SetBlend, 2, nullptr, false},
    {"SetAngle", SetAngle, 2, nullptr, false},
    {"SetScale", SetScale, 2, nullptr, false},
    {"SetClipRect", SetClipRect, 5, nullptr, false},
    {"IsVisible", IsVisible, 1, nullptr, false},
    {"GetZ", GetZ, 1, nullptr, false},
    {"GetPosX", GetPosX, 1, nullptr, false},
    {"GetPosY", GetPosY, 1, nullptr, false},
    {"GetWidth", GetWidth, 1, nullptr, false},
    {"GetHeight", GetHeight, 1, nullptr, false},
    {"GetAlpha", GetAlpha, 1, nullptr, false},
    {"GetColor", GetColor, 1, nullptr, false},
    {"GetFade", GetFade, 1, nullptr, false},
    {"GetAngle", GetAngle, 1, nullptr, false},
    {"GetScale", GetScale, 1, nullptr, false},
    {"HitTest", HitTest, 3, nullptr, false},
    {"SetHitTest", SetHitTest, 3, nullptr, false},
};

}  // namespace

uint32_t ClampAlphaByte(float value) {
    if (!(value > 0.0f)) return 0;  // NaN too
    if (value >= 255.0f) return 255;
    return static_cast<uint32_t>(value);
}

bool LayerHitTest(const SpriteLayer* layer, int32_t px, int32_t py) {
    const Sprite* sprite = layer->sprite;
    int64_t halfW = (static_cast<int64_t>(sprite->GetWidth()) + layer->hitExtraWidth) / 2;
    int64_t halfH = (static_cast<int64_t>(sprite->GetHeight()) + layer->hitExtraHeight) / 2;
    const float scale = sprite->GetScale();
    if (scale != 1.0f) {
        halfW = TruncateToInt32(static_cast<double>(halfW) * scale);
        halfH = TruncateToInt32(static_cast<double>(halfH) * scale);
    }
    int64_t left = sprite->GetX() - halfW, right = sprite->GetX() + halfW;
    int64_t top = sprite->GetY() - halfH, bottom = sprite->GetY() + halfH;
    if (const int32_t* clip = sprite->GetClipRect()) {
        left = left > clip[0] ? left : clip[0];
        top = top > clip[1] ? top : clip[1];
        right = right < clip[2] ? right : clip[2];
        bottom = bottom < clip[3] ? bottom : clip[3];
        if (left >= right || top >= bottom) left = top = right = bottom = 0;
    }
    return left <= px && px < right && top <= py && py < bottom;
}

void ApplyLayerColours(SpriteLayer* layer) {
    if (layer->vertexColourMode == 0) {
        layer->sprite->SetColor(Faded(layer->colour[0], layer->fade));
        return;
    }
    layer->sprite->SetVertexColors(Faded(layer->colour[0], layer->fade), Faded(layer->colour[1], layer->fade),
                                   Faded(layer->colour[2], layer->fade), Faded(layer->colour[3], layer->fade));
}

int64_t ReleaseSpriteLayer(void* pointer, int64_t) {
    auto* layer = static_cast<SpriteLayer*>(pointer);
    if (layer == nullptr) return 0;
    RemoveLayerFromList(&layer->node);
    Sprite::Destroy(layer->sprite);
    layer->~SpriteLayer();
    Allocator::Free(layer);
    return 1;
}

void RegisterLayerInterface() {
    RegisterTaggedScriptClass("LayerInterface", kLayerInterfaceRows,
                              sizeof kLayerInterfaceRows / sizeof kLayerInterfaceRows[0],
                              ScriptClassId::kLayerInterface);
    if (gLayerList == nullptr) {
        gLayerList = LayerList::Create(nullptr);
        if (gLayerList == nullptr) LogFailed("create the layer list");
    }
}

void DrawGlobalLayerList() {
    if (gLayerList != nullptr) LayerList::Draw(gLayerList);
}

void FreeGlobalLayerList() {
    if (gLayerList == nullptr) return;
    // The layers live on with their instances; unlinked, they can join a later list.
    while (gLayerList->nodes.head != nullptr) ListPopFront(&gLayerList->nodes);
    LayerList::Destroy(gLayerList);
    gLayerList = nullptr;
}

LayerList* GetGlobalLayerList() { return gLayerList; }

void AddLayerToList(LayerNode* node) {
    if (gLayerList != nullptr && node != nullptr) LayerList::Insert(gLayerList, node);
}

void RemoveLayerFromList(LayerNode* node) {
    if (gLayerList != nullptr && node != nullptr) LayerList::Remove(gLayerList, node);
}
