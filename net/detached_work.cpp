// Detached threads for the micro-blog requests.
#include "net/detached_work.h"

#include <system_error>
#include <thread>

#include "platform/debug_log.h"

bool RunDetached(const char* what, std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error& error) {
        LogFailed("start a thread for %s (%s)", what, error.what());
        return false;
    }
}
