#include "tests/net/microblog_test_peer.h"

#include <gtest/gtest.h>

#include "tests/net/provider_process.h"

namespace Peer {

static ProviderProcess* g_provider = nullptr;  // stopped with the process (PR_SET_PDEATHSIG)

bool Start() {
    if (g_provider != nullptr) return g_provider->port() != 0;
    g_provider = new ProviderProcess();
    if (g_provider->Start()) return true;
    ADD_FAILURE() << g_provider->error();
    return false;
}

MicroblogService At(uint16_t port) {
    MicroblogService service;
    service.host = "127.0.0.1:" + std::to_string(port != 0 ? port : g_provider ? g_provider->port() : 1);
    service.http.connectTimeoutMs = 2000;
    service.http.ioTimeoutMs = 5000;
    service.http.requestTimeoutMs = 10000;
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
