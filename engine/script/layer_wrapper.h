// What the script classes over text boxes (and later text sprites and tiles)
// share: the LayerWrapper head made from the script-object allocator, its
// stored colour and fade, its z in the global layer list, and its hit box.
// The object under the wrapper gets the stored colour with its alpha scaled
// by the fade; the stored colour keeps its own alpha.
#pragma once

#include <cstdint>

#include "script/layer_interface.h"

struct Allocator;

// A zeroed head: no object, white, fade 1, z 0, not linked. Null when memory runs out.
LayerWrapper* NewLayerWrapper(Allocator* allocator);
// Unlinks the node from the global list and frees the head (the object is the caller's).
void FreeLayerWrapper(LayerWrapper* wrapper);

// The colour the object is given: the stored 0xAABBGGRR word with its alpha
// times the fade, truncated and clamped to 0..255.
uint32_t LayerWrapperObjectColour(const LayerWrapper* wrapper);
// Stored alpha = a x 255, truncated and clamped to 0..255.
void SetLayerWrapperAlpha(LayerWrapper* wrapper, float alpha);
float GetLayerWrapperAlpha(const LayerWrapper* wrapper);

// Unlinks the node, stores z and links it again, so it is drawn after the
// other nodes of that z.
void SetLayerWrapperZ(LayerWrapper* wrapper, int32_t z);

// Whether (px, py) lies in the box of width + extra width by height + extra
// height (each halved by an arithmetic shift) centred on (x, y); scale,
// angle and clipping are not taken into account.
bool LayerWrapperHitTest(const LayerWrapper* wrapper, int32_t x, int32_t y, int32_t width, int32_t height, int32_t px,
                         int32_t py);
