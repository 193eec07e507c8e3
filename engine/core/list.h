// An intrusive doubly linked list. The ListNode is embedded as the first
// member of the object it links (textures, voices, tasks, layer nodes), so a
// node pointer converts back to its object. An object is on at most one list
// through one node. Nothing here allocates or locks; owners guard shared lists.
#pragma once

#include <cassert>
#include <cstdint>

struct ListNode {
    ListNode* previous = nullptr;
    ListNode* next = nullptr;
};

struct List {
    ListNode* head = nullptr;
    ListNode* tail = nullptr;
    uint32_t count = 0;
};

inline void ListInit(List* list) { *list = List{}; }

inline void ListPushBack(List* list, ListNode* node) {
    node->previous = list->tail;
    node->next = nullptr;
    if (list->tail) list->tail->next = node;
    else list->head = node;
    list->tail = node;
    ++list->count;
}

inline void ListPushFront(List* list, ListNode* node) {
    node->previous = nullptr;
    node->next = list->head;
    if (list->head) list->head->previous = node;
    else list->tail = node;
    list->head = node;
    ++list->count;
}

// Links `node` before `before`, or at the tail when `before` is null.
inline void ListInsertBefore(List* list, ListNode* before, ListNode* node) {
    if (!before) {
        ListPushBack(list, node);
        return;
    }
    node->next = before;
    node->previous = before->previous;
    if (before->previous) before->previous->next = node;
    else list->head = node;
    before->previous = node;
    ++list->count;
}

// Unlinks `node` and returns the node that followed it, so a walk can go on.
inline ListNode* ListRemove(List* list, ListNode* node) {
    assert(list->count > 0);
    ListNode* next = node->next;
    if (node->previous) node->previous->next = next;
    else list->head = next;
    if (next) next->previous = node->previous;
    else list->tail = node->previous;
    node->previous = nullptr;
    node->next = nullptr;
    --list->count;
    return next;
}

// Unlinks the head, which must exist, and returns it.
inline ListNode* ListPopFront(List* list) {
    assert(list->head);
    ListNode* head = list->head;
    ListRemove(list, head);
    return head;
}
