// Name lookups end at their deadline however slow the resolver, and hand on its result or code.
#include "net/name_lookup.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <unistd.h>

#include "platform/threads.h"

namespace {

int SlowResolver(const char*, const char*, const addrinfo*, addrinfo** result) {
    sleep(3);  // a resolver that never answers in time
    *result = nullptr;
    return EAI_AGAIN;
}
int LoopbackResolver(const char*, const char* service, const addrinfo* hints, addrinfo** result) {
    return getaddrinfo("127.0.0.1", service, hints, result);
}
int NoSuchName(const char*, const char*, const addrinfo*, addrinfo**) { return EAI_NONAME; }

TEST(NameLookupTest, TheDeadlineEndsTheWaitAndResultsComeThrough) {
    const struct { const char* host; NameLookupFunction resolver; NameLookupResult result; int error; } cases[] = {
        {"never.example", SlowResolver, NameLookupResult::kTimedOut, 0},
        {"loopback.example", LoopbackResolver, NameLookupResult::kFound, 0},
        {"missing.example", NoSuchName, NameLookupResult::kFailed, EAI_NONAME},
        {"127.0.0.1", SlowResolver, NameLookupResult::kFound, 0},  // numeric: no resolver at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        addrinfo* addresses = nullptr;
        int error = -1;
        uint64_t start = GetTimeMicros();
        EXPECT_EQ(LookupHost(c.host, 8080, start + 200000, &addresses, &error, c.resolver), c.result);
        EXPECT_LT(GetTimeMicros() - start, 1500000u);
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
