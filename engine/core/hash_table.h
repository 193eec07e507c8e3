// A fixed-capacity chained hash table in one allocation (the glyph cache's
// index). Entries come from a free list made at creation; when it is empty an
// insert does nothing. Keys are not checked for duplicates: the newest entry of
// a key is found first. Release the table with FreeObject.
#pragma once

#include <cstdint>

struct Allocator;

struct HashEntry {
    uint32_t hash;
    uint32_t key;
    void* value;
    HashEntry* previous;  // in the bucket's chain
    HashEntry* next;      // in the bucket's chain, or the free list
};

using HashFunction = uint32_t (*)(uint32_t key);
// Returns 0 when the two keys match.
using HashCompare = int (*)(uint32_t a, uint32_t b);

struct HashTable {
    HashEntry* freeList;
    HashEntry** buckets;
    uint32_t bucketCount;
    uint32_t usedCount;
    HashFunction hash;    // null: the key is its own hash
    HashCompare compare;  // null: keys match when equal
};

// Null (with a log line) for zero buckets, sizes that overflow, or no memory.
HashTable* HashTableCreate(uint32_t bucketCount, uint32_t entryCount, HashFunction hash,
                           HashCompare compare, Allocator* allocator);
// The new entry, or null when no free entry is left.
HashEntry* HashTableInsert(HashTable* table, uint32_t key, void* value);
HashEntry* HashTableFind(HashTable* table, uint32_t key);
// Unlinks the newest entry of `key` and returns it to the free list; its fields
// stay readable until the next insert. Null when the key is absent.
HashEntry* HashTableRemove(HashTable* table, uint32_t key);
// The newest entry's value for `key`, or null.
void* HashTableLookup(HashTable* table, uint32_t key);
