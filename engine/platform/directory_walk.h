// Folders of the operating system: listing one folder in a stable order, the
// recursive walk behind DirMgr's Enumerate, and making a rename durable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct DirectoryEntryInfo {
    std::string name;      // the entry's own name, no folder
    uint64_t size = 0;     // of the file a link points to; 0 for folders
    bool isDirectory = false;
    bool isLink = false;   // a symbolic link; the walk does not descend through it
    bool readOnly = false; // nobody may write it
};

// The entries of `path` except "." and "..", sorted bytewise by name (the
// system hands them out in no particular order). Links are reported as what
// they point to; dangling links are left out. False when the folder cannot be
// opened.
bool ListDirectory(const char* path, std::vector<DirectoryEntryInfo>* out);

// One entry of a walk: `relativeName` is "/name" for the folder's own entries
// and "/sub/name" deeper down.
struct WalkEntry {
    const std::string& relativeName;
    const DirectoryEntryInfo& info;
};
// Returns whether to descend into a folder entry (ignored for files).
using WalkVisitor = std::function<bool(const WalkEntry& entry)>;

// Walks `folder` recursively in sorted order, each folder's entries before the
// next sibling. At the top level only entries whose names begin with
// `topPrefix` are visited. Symbolic links to folders are reported but never
// entered, and a folder already being walked is not entered again (bind-mount
// loops). False when `folder` cannot be opened.
bool WalkDirectory(const char* folder, const char* topPrefix, const WalkVisitor& visit);

// Flushes a folder's entries to the device, so a rename inside it survives a
// crash. False on failure.
bool SyncDirectory(const char* path);
