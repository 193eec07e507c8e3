// Path helpers for pack and folder names; '/' and '\' both count as
// separators. Results are std::string so no caller sizes a buffer.
#pragma once

#include <string>

// Points just after the last '.' of the last component, or null when that
// component has no '.' (or the path is empty).
const char* GetFileExtension(const char* path);

// An empty directory gives the name alone; a directory ending in a separator
// is followed by the name without one leading separator; otherwise the two are
// joined with '/' unless the name starts with a separator.
std::string PathJoin(const char* directory, const char* name);

// The path up to and including its last separator; empty when it has none.
std::string GetDirectoryPart(const char* path);

// The path with the text after the last '.' of its last component replaced by
// `extension`, or with '.' and `extension` appended when there is no '.'.
std::string ReplaceExtension(const char* path, const char* extension);
