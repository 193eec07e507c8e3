// The script classes LayerInterface (a 2D image layer: a Sprite linked into
// the global z-sorted layer list) and InputInterface (a read-only view of one
// mouse pointer record), the global layer list's life, and the layer heads
// the other layer classes share.
#pragma once

#include <cstdint>

#include "gfx/layer_list.h"

struct Sprite;

// The native object of a LayerInterface instance.
struct SpriteLayer {
    Sprite* sprite;       // owned
    LayerNode node;       // draw argument = the sprite
    uint32_t colour[4];   // stored 0xAABBGGRR: layer colour, then TL, BL, TR, BR vertex colours
    int32_t vertexColourMode;  // 0 = colour[0] everywhere, 1 = four vertex colours
    float fade;                // scales every alpha handed to the sprite
    int32_t hitExtraWidth, hitExtraHeight;
};

// The head of the native objects of the text box, text sprite and tile classes.
struct LayerWrapper {
    void* object;  // owned: the TextBox, TextSprite or Tile
    LayerNode node;
    uint32_t colour;  // stored form, 0xFFFFFFFF at creation
    float fade;
    int32_t hitExtraWidth, hitExtraHeight;
};

// Registers LayerInterface into the VM and creates the global layer list.
void RegisterLayerInterface();
// Registers InputInterface into the VM.
void RegisterInputInterface();
// The 2D pass: draws every layer from the lowest z to the highest.
void DrawGlobalLayerList();
// Frees the list object (the layers stay with their instances, unlinked from
// nothing) and forgets it; later layers are never linked.
void FreeGlobalLayerList();
// The global list, or null while it does not exist (tests look at its order).
LayerList* GetGlobalLayerList();
// Insert by z into, and unlink from, the global list; nothing while it does not exist.
void AddLayerToList(LayerNode* node);
void RemoveLayerFromList(LayerNode* node);
// Hands the stored colours, scaled by the fade, to the sprite.
void ApplyLayerColours(SpriteLayer* layer);
// The release hook of LayerInterface instances.
int64_t ReleaseSpriteLayer(void* layer, int64_t size);

// Alpha byte for a·255 (or a stored alpha times the fade), truncated toward
// zero and clamped to 0..255 in floating point, so NaN and huge values are safe.
uint32_t ClampAlphaByte(float value);
// Whether (px, py) lies in the layer's hit box: the sprite's size plus the
// extra, halved toward zero, scaled when the scale is not 1, clipped by the
// clip rectangle; the angle is ignored.
bool LayerHitTest(const SpriteLayer* layer, int32_t px, int32_t py);
