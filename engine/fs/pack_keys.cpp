// The table of key rows in use, starting as the built-in one.
#include "fs/pack_keys.h"

#include <cstring>

#include "fs/pack_format.h"

// Generated at build time from epk2_keys.bin.
extern const unsigned char kBuiltInPackKeys[kEpk2KeyTableSize];

namespace {

struct KeyTable {
    uint8_t bytes[kEpk2KeyTableSize];
    KeyTable() { memcpy(bytes, kBuiltInPackKeys, sizeof bytes); }
};

KeyTable& Table() {
    static KeyTable table;
    return table;
}

}  // namespace

const uint8_t* GetPackKeyRow(int k) {
    if (k < 1 || k > kEpk2KeyRowCount) return nullptr;
    return Table().bytes + (k - 1) * kEpk2KeyRowSize;
}

void SetPackKeyTable(const uint8_t* table) {
    if (table == nullptr) return;
    memcpy(Table().bytes, table, kEpk2KeyTableSize);
}

const uint8_t* GetBuiltInPackKeyTable() { return kBuiltInPackKeys; }
