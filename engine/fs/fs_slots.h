// The eight numbered file-system slots that the whole program shares:
// 0 the working folder, 1 the user's data folder, 2 the game's pack, the
// others free. Start and stop nest.
#pragma once

struct Allocator;
struct FsMgr;
struct Stream;

constexpr int kFsSlotCount = 8;
enum FsSlot : int { kSlotWorkingFolder = 0, kSlotUserFolder = 1, kSlotPack = 2 };

// The first call fills slots 0 and 1 with DirMgrs on the working folder and
// the user's data folder (created when missing); later calls only count.
void FileSystemInit(Allocator* allocator);
// The last matching call releases slots 1 and 0; slots 2 to 7 belong to
// whoever set them.
void FileSystemShutdown();

// Indexes outside 0 to 7 are ignored.
void SetFsMgrSlot(int index, FsMgr* manager);
// Null outside 0 to 7. Safe to call from worker threads.
FsMgr* GetFsMgrSlot(int index);

// Opens the whole of `name` through the slot's manager, or as a path of the
// operating system when the slot is empty or does not exist.
Stream* OpenSlotStream(int index, const char* name, int mode, Allocator* allocator);
