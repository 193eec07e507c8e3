// The four 256-byte key rows that scramble pack indexes and entries. The
// program carries its own table (from engine/fs/epk2_keys.bin); packs made
// with other rows are read after their table is installed.
#pragma once

#include <cstdint>

// Row k (1 to 4) of the table in use; null for any other k.
const uint8_t* GetPackKeyRow(int k);

// Installs another table of 1024 bytes (rows 1 to 4 in order). Done once at
// start-up, before any pack is opened: open entries read the rows in place.
void SetPackKeyTable(const uint8_t* table);

// The table built into the program.
const uint8_t* GetBuiltInPackKeyTable();
