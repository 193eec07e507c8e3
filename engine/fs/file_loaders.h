// Loading whole files through a file-system manager (null = the operating
// system's files). Blocks come from `allocator` and go back with Allocator::Free.
#pragma once

#include <cstdint>

struct Allocator;
struct FsMgr;

// The file's bytes; `outSize` (when given) is the count actually read. Null
// with outSize 0 when the file cannot be opened or the block allocated.
void* LoadWholeFile(FsMgr* fs, const char* name, uint32_t* outSize, Allocator* allocator);
// The same with a NUL after the bytes read; but a file that reads short
// (damaged compressed data) gives null, with one log line naming it.
char* LoadTextFile(FsMgr* fs, const char* name, uint32_t* outSize, Allocator* allocator);
// Reads at most `count` bytes into `buffer`; the count read, 0 when the file
// cannot be opened.
uint32_t LoadFileInto(FsMgr* fs, const char* name, void* buffer, uint32_t count, Allocator* allocator);
