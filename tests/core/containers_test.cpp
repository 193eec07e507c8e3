// The intrusive list and the fixed-capacity hash table.
#include <gtest/gtest.h>

#include <vector>

#include "core/allocator.h"
#include "core/hash_table.h"
#include "core/list.h"
#include "tests/core/counting_allocator.h"

namespace {

struct Item {
    ListNode node;  // first member, so a node converts back to its item
    int id;
};

std::vector<int> Ids(const List& list) {
    std::vector<int> ids;
    const ListNode* previous = nullptr;
    for (ListNode* n = list.head; n; n = n->next) {
        EXPECT_EQ(n->previous, previous);
        previous = n;
        ids.push_back(reinterpret_cast<Item*>(n)->id);
    }
    EXPECT_EQ(list.tail, previous);
    EXPECT_EQ(ids.size(), list.count);
    return ids;
}

TEST(ListTest, PushPopAndInsert) {
    Item items[6];
    for (int i = 0; i < 6; ++i) items[i].id = i;
    List list;
    ListInit(&list);
    ListPushBack(&list, &items[1].node);
    ListPushBack(&list, &items[2].node);
    ListPushFront(&list, &items[0].node);
    EXPECT_EQ(Ids(list), (std::vector<int>{0, 1, 2}));
    ListInsertBefore(&list, nullptr, &items[3].node);  // null: at the tail
    ListInsertBefore(&list, &items[0].node, &items[4].node);  // before the head
    ListInsertBefore(&list, &items[2].node, &items[5].node);
    EXPECT_EQ(Ids(list), (std::vector<int>{4, 0, 1, 5, 2, 3}));
    EXPECT_EQ(ListPopFront(&list), &items[4].node);
    EXPECT_EQ(Ids(list), (std::vector<int>{0, 1, 5, 2, 3}));
    while (list.count) ListPopFront(&list);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    ListInsertBefore(&list, nullptr, &items[3].node);  // into an empty list
    EXPECT_EQ(Ids(list), (std::vector<int>{3}));
}

TEST(ListTest, RemoveWhileWalking) {
    Item items[7];
    List list;
    for (int i = 0; i < 7; ++i) {
        items[i].id = i;
        ListPushBack(&list, &items[i].node);
    }
    // Drop the even ids, head and tail included, as a task pass does.
    for (ListNode* n = list.head; n;) {
        if (reinterpret_cast<Item*>(n)->id % 2 == 0) n = ListRemove(&list, n);
        else n = n->next;
    }
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(ListRemove(&list, &items[5].node), nullptr);  // the tail has no follower
    EXPECT_EQ(Ids(list), (std::vector<int>{1, 3}));
}

uint32_t ToOneBucket(uint32_t) { return 7; }
int SameLowByte(uint32_t a, uint32_t b) { return (a & 0xFF) == (b & 0xFF) ? 0 : 1; }

TEST(HashTableTest, CollisionsInOneBucket) {
    HashTable* table = HashTableCreate(4, 8, nullptr, nullptr, nullptr);
    ASSERT_NE(table, nullptr);
    int values[3];
    // 1, 5 and 9 share bucket 1 of 4.
    HashTableInsert(table, 1, &values[0]);
    HashTableInsert(table, 5, &values[1]);
    HashTableInsert(table, 9, &values[2]);
    EXPECT_EQ(table->usedCount, 3u);
    EXPECT_EQ(HashTableLookup(table, 1), &values[0]);
    EXPECT_EQ(HashTableLookup(table, 5), &values[1]);
    EXPECT_EQ(HashTableLookup(table, 9), &values[2]);
    EXPECT_EQ(HashTableLookup(table, 13), nullptr);
    // Removing the middle of the chain keeps both ends reachable.
    HashEntry* removed = HashTableRemove(table, 5);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->key, 5u);
    EXPECT_EQ(removed->value, &values[1]);
    EXPECT_EQ(HashTableLookup(table, 1), &values[0]);
    EXPECT_EQ(HashTableLookup(table, 9), &values[2]);
    EXPECT_EQ(HashTableRemove(table, 5), nullptr);
    EXPECT_NE(HashTableRemove(table, 9), nullptr);  // the head of the chain
    EXPECT_EQ(HashTableLookup(table, 9), nullptr);
    EXPECT_EQ(HashTableLookup(table, 1), &values[0]);
    EXPECT_EQ(table->usedCount, 1u);
    FreeObject(table);
}

TEST(HashTableTest, DuplicatesFindTheNewest) {
    HashTable* table = HashTableCreate(16, 4, nullptr, nullptr, nullptr);
    int a, b;
    HashTableInsert(table, 3, &a);
    HashTableInsert(table, 3, &b);
    EXPECT_EQ(HashTableLookup(table, 3), &b);
    HashTableRemove(table, 3);
    EXPECT_EQ(HashTableLookup(table, 3), &a);
    FreeObject(table);
}

TEST(HashTableTest, FullTableAndReuseOfFreedEntries) {
    CountingAllocator counting;
    HashTable* table = HashTableCreate(3, 2, nullptr, nullptr, &counting);
    EXPECT_EQ(counting.live.size(), 1u);  // one block for everything
    int v[3];
    HashEntry* first = HashTableInsert(table, 10, &v[0]);
    HashEntry* second = HashTableInsert(table, 20, &v[1]);
    EXPECT_GT(second, first);  // entries are handed out in address order
    EXPECT_EQ(HashTableInsert(table, 30, &v[2]), nullptr);
    EXPECT_EQ(HashTableLookup(table, 30), nullptr);
    EXPECT_EQ(table->usedCount, 2u);
    HashEntry* removed = HashTableRemove(table, 10);
    EXPECT_EQ(HashTableInsert(table, 30, &v[2]), removed);
    EXPECT_EQ(HashTableLookup(table, 30), &v[2]);
    EXPECT_EQ(HashTableLookup(table, 10), nullptr);
    FreeObject(table);
    EXPECT_TRUE(counting.live.empty());

    HashTable* empty = HashTableCreate(1, 0, nullptr, nullptr, nullptr);
    EXPECT_EQ(HashTableInsert(empty, 1, nullptr), nullptr);
    FreeObject(empty);
}

TEST(HashTableTest, CustomHashAndCompare) {
    HashTable* table = HashTableCreate(16, 8, ToOneBucket, SameLowByte, nullptr);
    int a, b;
    HashEntry* e = HashTableInsert(table, 0x1234, &a);
    EXPECT_EQ(e->hash, 7u);
    HashTableInsert(table, 0x5678, &b);
    EXPECT_EQ(HashTableLookup(table, 0xFF34), &a);  // matched by the low byte only
    EXPECT_EQ(HashTableLookup(table, 0x0078), &b);
    EXPECT_EQ(HashTableLookup(table, 0x0012), nullptr);
    FreeObject(table);
}

TEST(HashTableTest, BadSizesAreRefused) {
    EXPECT_EQ(HashTableCreate(0, 4, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(HashTableCreate(UINT32_MAX, UINT32_MAX, nullptr, nullptr, nullptr), nullptr);
}

}  // namespace
