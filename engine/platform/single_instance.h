// One running copy of a program per user: an exclusive lock on a file named
// after the program in $XDG_RUNTIME_DIR (or, without one, a per-user file in
// the temporary folder). The lock lives as long as the process; the kernel
// drops it when the process ends in any way, so a crash never blocks the next
// start. It needs nothing of the file layer and may be taken first thing.
#pragma once

#include <string>

enum SingleInstanceResult : int {
    kSingleInstanceAcquired = 0,    // this process is the one copy
    kSingleInstanceHeldElsewhere = 1,  // another process holds the lock
    kSingleInstanceUnavailable = 2,  // no lock file could be made; the start is not refused for that
};

// Takes the lock of `name` (letters, digits, '_' and '-'); a process that
// already holds it gets kSingleInstanceAcquired again.
SingleInstanceResult AcquireSingleInstanceLock(const char* name);

// Where the lock of `name` lives under the current environment.
std::string SingleInstanceLockPath(const char* name);
