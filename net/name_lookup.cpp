// The bounded lookup: a detached worker per name, at most
// kNameLookupThreads of them at once, and a wait on a condition variable that
// ends at the deadline. The state a worker and its caller share lives as long
// as the longer of the two.
#include "net/name_lookup.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/threads.h"

namespace {

struct PendingLookup {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;  // the caller stopped waiting: the worker frees the result
    int code = 0;
    addrinfo* addresses = nullptr;
};

// The workers running now; a caller takes a place before it starts one.
struct LookupPlaces {
    std::mutex lock;
    std::condition_variable freed;
    int running = 0;
};

// Never destroyed: a worker still hanging in the resolver may finish after exit began.
LookupPlaces& Places() {
    static auto* places = new LookupPlaces();
    return *places;
}

// False when every place stayed taken until the deadline.
bool TakePlace(uint64_t deadlineMicros) {
    LookupPlaces& places = Places();
    std::unique_lock<std::mutex> hold(places.lock);
    while (places.running >= kNameLookupThreads) {
        uint64_t now = GetTimeMicros();
        if (now >= deadlineMicros) return false;
        places.freed.wait_for(hold, std::chrono::microseconds(deadlineMicros - now));
    }
    ++places.running;
    return true;
}

void GivePlaceBack() {
    LookupPlaces& places = Places();
    std::lock_guard<std::mutex> hold(places.lock);
    --places.running;
    places.freed.notify_one();
}

addrinfo StreamHints(int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | flags;
    return hints;
}

void RunLookup(std::shared_ptr<PendingLookup> pending, std::string host, std::string service,
               NameLookupFunction lookup) {
    addrinfo hints = StreamHints(0);
    addrinfo* addresses = nullptr;
    int code = lookup(host.c_str(), service.c_str(), &hints, &addresses);
    GivePlaceBack();
    std::lock_guard<std::mutex> hold(pending->lock);
    if (pending->abandoned) {
        if (code == 0 && addresses != nullptr) freeaddrinfo(addresses);
        return;
    }
    pending->code = code;
    pending->addresses = addresses;
    pending->finished = true;
    pending->done.notify_one();
}

}  // namespace

NameLookupResult LookupHost(const std::string& host, uint16_t port, uint64_t deadlineMicros, addrinfo** addresses,
                            int* error, NameLookupFunction lookup) {
    *addresses = nullptr;
    *error = 0;
    std::string service = std::to_string(port);
    addrinfo numeric = StreamHints(AI_NUMERICHOST);
    if (getaddrinfo(host.c_str(), service.c_str(), &numeric, addresses) == 0) return NameLookupResult::kFound;
    *addresses = nullptr;

    if (!TakePlace(deadlineMicros)) return NameLookupResult::kTimedOut;
    auto pending = std::make_shared<PendingLookup>();
    try {
        std::thread(RunLookup, pending, host, service, lookup).detach();
    } catch (const std::system_error&) {
        GivePlaceBack();
        *error = EAI_SYSTEM;
        return NameLookupResult::kFailed;
    }
    std::unique_lock<std::mutex> hold(pending->lock);
    for (;;) {
        if (pending->finished) break;
        uint64_t now = GetTimeMicros();
        if (now >= deadlineMicros) {
            pending->abandoned = true;
            return NameLookupResult::kTimedOut;
        }
        pending->done.wait_for(hold, std::chrono::microseconds(deadlineMicros - now));
    }
    if (pending->code != 0) {
        *error = pending->code;
        return NameLookupResult::kFailed;
    }
    *addresses = pending->addresses;
    return NameLookupResult::kFound;
}
