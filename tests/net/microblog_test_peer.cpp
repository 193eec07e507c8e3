#include "tests/net/microblog_test_peer.h"

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/wait_until.h"

namespace Peer {

static ChildProcess g_provider;  // killed at exit; it also ends itself when orphaned
static uint16_t g_port = 0;
static bool g_started = false;

bool Start() {
    if (g_started) return g_port != 0;
    g_started = true;
    std::string ready;
    if (g_provider.Start({"/usr/bin/python3", QM_NET_TEST_DIR "/oauth_provider.py"}) &&
        g_provider.WaitForLine("READY ", &ready, kPatienceMs)) {
        g_port = static_cast<uint16_t>(std::stoi(ready.substr(6)));
        return true;
    }
    ADD_FAILURE() << "the OAuth provider did not start (python3-oauthlib is needed)";
    return false;
}

MicroblogService At(uint16_t port) {
    MicroblogService service;
    service.host = "127.0.0.1:" + std::to_string(port != 0 ? port : g_port != 0 ? g_port : 1);
    return service;
}

OAuthCredentials Credentials(bool linked) {
    OAuthCredentials credentials;
    credentials.Set("dpf43f3p2l4k3l03", "kd94hf93k423kf44", linked ? "linked0token0000000000000" : nullptr,
                    linked ? kPeerAccessSecret : nullptr);
    return credentials;
}

std::string LastPost() { return HttpGet("http://" + At().host + "/test/last_post", At().http); }

std::string FetchPin(const std::string& authorizeUrl) {
    std::string page = HttpGet(authorizeUrl, At().http);  // the provider's verifiers need no decoding
    size_t at = page.find("oauth_verifier=");
    return at == std::string::npos ? std::string() : page.substr(at + 15, page.find('&', at) - at - 15);
}

}  // namespace Peer
