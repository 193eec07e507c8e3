// The single-instance lock: flock on a file that is never removed (removing it
// would let a second process lock a new file of the same name).
#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/debug_log.h"

namespace {

std::mutex gHeldMutex;
// The descriptors this process keeps open on purpose, by lock path; never closed.
std::map<std::string, int>& HeldLocks() {
    static auto* held = new std::map<std::string, int>;
    return *held;
}

bool IsPrivateFolder(const char* path) {
    struct stat info {};
    return path != nullptr && path[0] == '/' && stat(path, &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == getuid();
}

}  // namespace

std::string SingleInstanceLockPath(const char* name) {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (IsPrivateFolder(runtime)) return std::string(runtime) + "/" + name + ".lock";
    const char* temp = getenv("TMPDIR");
    std::string folder = temp != nullptr && temp[0] == '/' ? temp : "/tmp";
    return folder + "/" + name + "-" + std::to_string(getuid()) + ".lock";
}

SingleInstanceResult AcquireSingleInstanceLock(const char* name) {
    std::string path = SingleInstanceLockPath(name);
    std::lock_guard<std::mutex> hold(gHeldMutex);
    if (HeldLocks().count(path) != 0) return kSingleInstanceAcquired;
    // Close-on-exec: a browser or file manager started from the program must
    // not inherit the lock and outlive it. No following links: the fallback
    // folder is shared with other users.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        LogWarning("single-instance lock \"%s\" cannot be opened: %s", path.c_str(), strerror(errno));
        return kSingleInstanceUnavailable;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) return kSingleInstanceHeldElsewhere;
        LogWarning("single-instance lock \"%s\" cannot be taken: %s", path.c_str(), strerror(error));
        return kSingleInstanceUnavailable;
    }
    HeldLocks()[path] = fd;
    return kSingleInstanceAcquired;
}
