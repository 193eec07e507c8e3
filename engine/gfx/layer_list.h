// The z-sorted list of 2D layers that the 2D pass draws. Any layer object
// embeds a LayerNode with a draw callback; nodes of equal z keep the order in
// which they were inserted, so a later one is drawn above.
#pragma once

#include <cstdint>

#include "core/list.h"

struct Allocator;

using LayerDrawCallback = void (*)(void* argument);

struct LayerNode {
    ListNode link;  // first: the list links the node itself
    void* argument;
    LayerDrawCallback draw;
    int32_t z;
};

struct LayerList {
    List nodes;

    static LayerList* Create(Allocator* allocator);
    // Frees the list object only; the nodes belong to their layers.
    static void Destroy(LayerList* list);
    // Links the node before the first node of greater z (at the tail when none).
    static void Insert(LayerList* list, LayerNode* node);
    // Unlinks the node; a node that is not linked is left alone.
    static void Remove(LayerList* list, LayerNode* node);
    // Remove, set z, insert: the node goes above the others of its new z.
    static void SetZ(LayerList* list, LayerNode* node, int32_t z);
    // Calls every node's callback from the lowest z to the highest; the
    // quads of neighbouring sprites, text sprites, tiles and text boxes that
    // share their state go out as one draw (see gfx/std2d_batch.h).
    static void Draw(const LayerList* list);
};
