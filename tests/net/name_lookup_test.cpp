// Name lookups end at their deadline however slow the resolver, hand on its result or code, and a resolver that
// hangs holds no more than the lookup threads.
#include "net/name_lookup.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <atomic>

#include "platform/threads.h"
#include "tests/support/wait_until.h"

namespace {

// Hangs until the test opens the gate, counting the callers inside.
std::atomic<bool> gOpen{false};
std::atomic<int> gInside{0}, gMost{0};
int HangingResolver(const char*, const char*, const addrinfo*, addrinfo** result) {
    for (int inside = ++gInside, most = gMost; most < inside && !gMost.compare_exchange_weak(most, inside);) {}
    while (!gOpen) SleepMs(1);
    --gInside;
    *result = nullptr;
    return EAI_AGAIN;
}
int LoopbackResolver(const char*, const char* service, const addrinfo* hints, addrinfo** result) {
    return getaddrinfo("127.0.0.1", service, hints, result);
}
int NoSuchName(const char*, const char*, const addrinfo*, addrinfo**) { return EAI_NONAME; }

TEST(NameLookupTest, TheDeadlineEndsTheWaitAndResultsComeThrough) {
    const struct { const char* host; NameLookupFunction resolver; NameLookupResult result; int error; } cases[] = {
        // More hanging lookups than threads: those beyond them wait for a thread and time out as well.
        {"never.example", HangingResolver, NameLookupResult::kTimedOut, 0},
        {"never.example", HangingResolver, NameLookupResult::kTimedOut, 0},
        {"never.example", HangingResolver, NameLookupResult::kTimedOut, 0},
        {"(the gate opens: the threads come back)", nullptr, NameLookupResult::kFound, 0},
        {"loopback.example", LoopbackResolver, NameLookupResult::kFound, 0},
        {"missing.example", NoSuchName, NameLookupResult::kFailed, EAI_NONAME},
        {"127.0.0.1", HangingResolver, NameLookupResult::kFound, 0},  // numeric: no resolver at all
    };
    static_assert(kNameLookupThreads < 3, "more hanging lookups than threads");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        if (c.resolver == nullptr) {
            ASSERT_TRUE(WaitUntil([] { return gInside == kNameLookupThreads; }));
            EXPECT_EQ(gMost, kNameLookupThreads);
            gOpen = true;
            ASSERT_TRUE(WaitUntil([] { return gInside == 0; }));
            continue;
        }
        addrinfo* addresses = nullptr;
        int error = -1;
        uint64_t start = GetTimeMicros(), patience = c.result == NameLookupResult::kTimedOut ? 200 : kPatienceMs;
        EXPECT_EQ(LookupHost(c.host, 8080, start + patience * 1000, &addresses, &error, c.resolver), c.result);
        EXPECT_LT(GetTimeMicros() - start, kPatienceMs * 1000ull);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(addresses != nullptr, c.result == NameLookupResult::kFound);
        if (addresses != nullptr) {
            const auto* ip = reinterpret_cast<const sockaddr_in*>(addresses->ai_addr);
            EXPECT_EQ(ntohs(ip->sin_port), 8080);
            EXPECT_EQ(ntohl(ip->sin_addr.s_addr), INADDR_LOOPBACK);
            freeaddrinfo(addresses);
        }
    }
}

}  // namespace
