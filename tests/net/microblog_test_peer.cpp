#include "tests/net/microblog_test_peer.h"

#include "net/oauth.h"

ProviderProcess* MicroblogPeerTest::provider_ = nullptr;

void MicroblogPeerTest::SetUpTestSuite() {
    provider_ = new ProviderProcess();
    if (!provider_->Start()) FAIL() << provider_->error();
}

void MicroblogPeerTest::TearDownTestSuite() {
    delete provider_;
    provider_ = nullptr;
}

MicroblogService MicroblogPeerTest::Service() {
    MicroblogService service;
    service.host = "127.0.0.1:" + std::to_string(provider_->port());
    service.http.connectTimeoutMs = 2000;
    service.http.ioTimeoutMs = 5000;
    service.http.requestTimeoutMs = 10000;
    return service;
}

OAuthCredentials MicroblogPeerTest::Credentials(bool linked) {
    OAuthCredentials credentials;
    credentials.Set(kPeerConsumerKey, kPeerConsumerSecret, linked ? kPeerAccessToken : nullptr,
                    linked ? kPeerAccessSecret : nullptr);
    return credentials;
}

std::string MicroblogPeerTest::LastPost() { return HttpGet(provider_->BaseUrl() + "/test/last_post", Service().http); }

std::string MicroblogPeerTest::FetchPin(const std::string& authorizeUrl) {
    std::string page = HttpGet(authorizeUrl, Service().http);
    const std::string key = "oauth_verifier=";
    size_t at = page.find(key);
    if (at == std::string::npos) return std::string();
    at += key.size();
    return OAuth::UrlUnescape(page.substr(at, page.find('&', at) - at));
}
