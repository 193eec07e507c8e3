// Host name lookup within a time limit. getaddrinfo has no limit of its own
// (a resolver that never answers holds it for as long as its configuration
// says), so a name runs on a worker thread and the caller waits only until
// its deadline. A lookup still running then finishes on its own and frees
// its result unseen. At most kNameLookupThreads workers run at once, so a
// resolver that hangs holds only those; a request beyond them waits for one
// until its deadline. Numeric addresses are converted at once, without a
// worker.
#pragma once

#include <netdb.h>

#include <cstdint>
#include <string>

// getaddrinfo's signature, so tests can stand in a slow resolver.
using NameLookupFunction = int (*)(const char* host, const char* service, const addrinfo* hints,
                                   addrinfo** result);

enum class NameLookupResult { kFound, kFailed, kTimedOut };

constexpr int kNameLookupThreads = 2;

// Stream-socket addresses of host:port. kFound: *addresses holds the list (free
// it with freeaddrinfo). kFailed: *error is the getaddrinfo code (EAI_SYSTEM
// when no worker could be started). kTimedOut: `deadlineMicros` (GetTimeMicros
// time) came first, also while every worker was busy. Nothing is logged.
NameLookupResult LookupHost(const std::string& host, uint16_t port, uint64_t deadlineMicros, addrinfo** addresses,
                            int* error, NameLookupFunction lookup = getaddrinfo);
