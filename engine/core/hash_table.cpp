// Header, bucket array and entries share one block, so the table costs one
// allocation and is freed with one call.
#include "core/hash_table.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "core/allocator.h"
#include "platform/debug_log.h"

namespace {

uint32_t HashOf(const HashTable* table, uint32_t key) {
    return table->hash ? table->hash(key) : key;
}

bool Matches(const HashTable* table, uint32_t key, const HashEntry* entry) {
    return table->compare ? table->compare(key, entry->key) == 0 : key == entry->key;
}

}  // namespace

HashTable* HashTableCreate(uint32_t bucketCount, uint32_t entryCount, HashFunction hash,
                           HashCompare compare, Allocator* allocator) {
    if (bucketCount == 0) {
        LogError("hash table needs at least one bucket");
        return nullptr;
    }
    // 64-bit arithmetic on 32-bit counts cannot overflow.
    uint64_t size = sizeof(HashTable) + uint64_t{bucketCount} * sizeof(HashEntry*) +
                    uint64_t{entryCount} * sizeof(HashEntry);
    if (size > SIZE_MAX) {
        LogError("hash table of %u buckets and %u entries is too large", bucketCount, entryCount);
        return nullptr;
    }
    void* memory = Alloc(allocator, static_cast<size_t>(size), 0);
    if (!memory) return nullptr;

    auto* table = static_cast<HashTable*>(memory);
    auto* buckets = reinterpret_cast<HashEntry**>(table + 1);
    auto* entries = reinterpret_cast<HashEntry*>(buckets + bucketCount);
    static_assert(sizeof(HashTable) % alignof(HashEntry) == 0, "entries stay aligned");
    memset(buckets, 0, sizeof(HashEntry*) * bucketCount);
    for (uint32_t i = 0; i < entryCount; ++i)
        new (&entries[i]) HashEntry{0, 0, nullptr, nullptr, i + 1 < entryCount ? &entries[i + 1] : nullptr};
    *table = HashTable{entryCount ? entries : nullptr, buckets, bucketCount, 0, hash, compare};
    return table;
}

HashEntry* HashTableInsert(HashTable* table, uint32_t key, void* value) {
    HashEntry* entry = table->freeList;
    if (!entry) return nullptr;
    table->freeList = entry->next;
    entry->hash = HashOf(table, key);
    entry->key = key;
    entry->value = value;
    HashEntry*& bucket = table->buckets[entry->hash % table->bucketCount];
    entry->previous = nullptr;
    entry->next = bucket;
    if (bucket) bucket->previous = entry;
    bucket = entry;
    ++table->usedCount;
    return entry;
}

HashEntry* HashTableFind(HashTable* table, uint32_t key) {
    HashEntry* entry = table->buckets[HashOf(table, key) % table->bucketCount];
    for (; entry; entry = entry->next)
        if (Matches(table, key, entry)) return entry;
    return nullptr;
}

HashEntry* HashTableRemove(HashTable* table, uint32_t key) {
    HashEntry* entry = HashTableFind(table, key);
    if (!entry) return nullptr;
    if (entry->previous) entry->previous->next = entry->next;
    else table->buckets[entry->hash % table->bucketCount] = entry->next;
    if (entry->next) entry->next->previous = entry->previous;
    entry->next = table->freeList;
    table->freeList = entry;
    --table->usedCount;
    return entry;
}

void* HashTableLookup(HashTable* table, uint32_t key) {
    HashEntry* entry = HashTableFind(table, key);
    return entry ? entry->value : nullptr;
}
