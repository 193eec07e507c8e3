// Finding a file of the operating system whose name differs only in letter
// case, for data written where names never mattered by case ("Config.dat"
// asked for as "config.dat").
#pragma once

#include <string>

// When some folder or file along `path` is missing, looks for an entry whose
// name matches it without regard to ASCII case (the first in sorted order).
// True with the path that exists in `found`; false when there is none or the
// exact path already exists.
bool FindPathIgnoringCase(const std::string& path, std::string* found);
