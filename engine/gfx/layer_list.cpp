// The z-sorted layer list.
#include "gfx/layer_list.h"

#include <new>

#include "core/allocator.h"
#include "gfx/sprite.h"
#include "gfx/std2d_batch.h"
#include "gfx/text_box.h"
#include "gfx/text_sprite.h"
#include "gfx/tile.h"

namespace {

LayerNode* NodeOf(ListNode* link) { return reinterpret_cast<LayerNode*>(link); }

// Layers that draw only Std2d quads through DrawStd2dQuads; their quads may
// join one draw. Any other layer may use GL directly, so the pending quads go
// out before it runs.
bool DrawsThroughBatch(LayerDrawCallback draw) {
    return draw == Sprite::Draw || draw == TextSprite::Draw || draw == Tile::Draw || draw == TextBox::Draw;
}

bool IsLinked(const LayerList* list, const LayerNode* node) {
    return node->link.previous || node->link.next || list->nodes.head == &node->link;
}

}  // namespace

LayerList* LayerList::Create(Allocator* allocator) {
    void* block = Alloc(allocator, sizeof(LayerList), 0);
    return block ? new (block) LayerList{} : nullptr;
}

void LayerList::Destroy(LayerList* list) { Allocator::Free(list); }

void LayerList::Insert(LayerList* list, LayerNode* node) {
    if (IsLinked(list, node)) return;
    ListNode* before = list->nodes.head;
    while (before && NodeOf(before)->z <= node->z) before = before->next;
    ListInsertBefore(&list->nodes, before, &node->link);
}

void LayerList::Remove(LayerList* list, LayerNode* node) {
    if (IsLinked(list, node)) ListRemove(&list->nodes, &node->link);
}

void LayerList::SetZ(LayerList* list, LayerNode* node, int32_t z) {
    Remove(list, node);
    node->z = z;
    Insert(list, node);
}

void LayerList::Draw(const LayerList* list) {
    BeginStd2dBatch();
    for (ListNode* link = list->nodes.head; link;) {
        LayerNode* node = NodeOf(link);
        link = link->next;
        if (!node->draw) continue;
        if (!DrawsThroughBatch(node->draw)) FlushStd2dBatch();
        node->draw(node->argument);
    }
    EndStd2dBatch();
}
