// DirMgr: a folder of the operating system, or a folder inside another
// manager (such as the pack's "script" folder). Names are built below its root
// and handed to the parent, or to the operating system when there is none.
#pragma once

struct Allocator;
struct FsMgr;

// Null when the root does not fit in 511 characters or memory runs out.
// Writing a file of the operating system through a DirMgr is safe: a
// write-only open goes to a temporary file that replaces the target only when
// the stream is released after every byte was written and synced.
FsMgr* DirMgr(FsMgr* parent, const char* root, Allocator* allocator);
