#include "tests/net/microblog_test_peer.h"

#include "net/oauth.h"

namespace Peer {
namespace {

ProviderProcess* g_provider = nullptr;

}  // namespace

bool Start() {
    if (g_provider != nullptr) return g_provider->port() != 0;
    g_provider = new ProviderProcess();  // stopped with the process (PR_SET_PDEATHSIG)
    if (g_provider->Start()) return true;
    ADD_FAILURE() << g_provider->error();
    return false;
}

MicroblogService Service() {
    MicroblogService service;
    service.host = "127.0.0.1:" + std::to_string(g_provider != nullptr ? g_provider->port() : 1);
    service.http.connectTimeoutMs = 2000;
    service.http.ioTimeoutMs = 5000;
    service.http.requestTimeoutMs = 10000;
    return service;
}

OAuthCredentials Credentials(bool linked) {
    OAuthCredentials credentials;
    credentials.Set(kPeerConsumerKey, kPeerConsumerSecret, linked ? kPeerAccessToken : nullptr,
                    linked ? kPeerAccessSecret : nullptr);
    return credentials;
}

std::string LastPost() { return HttpGet("http://" + Service().host + "/test/last_post", Service().http); }

std::string FetchPin(const std::string& authorizeUrl) {
    std::string page = HttpGet(authorizeUrl, Service().http);
    const std::string key = "oauth_verifier=";
    size_t at = page.find(key);
    if (at == std::string::npos) return std::string();
    at += key.size();
    return OAuth::UrlUnescape(page.substr(at, page.find('&', at) - at));
}

}  // namespace Peer
