// Our signer and HTTP client against an independent OAuth 1.0a provider
// (python3-oauthlib on loopback): every kind of request the micro-blog client
// sends must be accepted, and the posted text must arrive byte for byte.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "net/http_client.h"
#include "net/oauth.h"
#include "tests/net/provider_process.h"
#include "tests/support/log_capture.h"

namespace {

const char kConsumerKey[] = "dpf43f3p2l4k3l03";
const char kConsumerSecret[] = "kd94hf93k423kf44";
const char kAccessToken[] = "nnch734d00sl2jdk9d7dh3k39";
const char kAccessSecret[] = "pfkkdhi9sl3r4s00";

HttpOptions TestOptions() {
    HttpOptions options;
    options.connectTimeoutMs = 2000;
    options.ioTimeoutMs = 5000;
    options.requestTimeoutMs = 10000;
    return options;
}

std::map<std::string, std::string> ParseForm(const std::string& text) {
    std::map<std::string, std::string> values;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('&', at);
        if (end == std::string::npos) end = text.size();
        std::string pair = text.substr(at, end - at);
        size_t eq = pair.find('=');
        if (eq != std::string::npos) values[pair.substr(0, eq)] = OAuth::UrlUnescape(pair.substr(eq + 1));
        at = end + 1;
    }
    return values;
}

class OAuthProviderTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        provider_ = new ProviderProcess();
        if (!provider_->Start()) FAIL() << provider_->error();
    }
    static void TearDownTestSuite() {
        delete provider_;
        provider_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(0, provider_->port()) << "no provider"; }

    static std::string Url(const std::string& path) { return provider_->BaseUrl() + path; }

    // A form post of `text` as the status, signed with the given consumer secret.
    static std::string PostStatus(const std::string& text, const char* consumerSecret = kConsumerSecret,
                                  std::string* headerOut = nullptr) {
        std::string url = Url("/1.1/statuses/update.json");
        std::string body = "status=" + OAuth::UrlEscape(text);
        std::string header = OAuth::BuildAuthHeader(url, body, OAuth::kHmacSha1, "POST", kConsumerKey, consumerSecret,
                                                    kAccessToken, kAccessSecret);
        if (headerOut) *headerOut = header;
        return HttpPost(url, {header}, body.data(), body.size(), nullptr, TestOptions());
    }

    static ProviderProcess* provider_;
};

ProviderProcess* OAuthProviderTest::provider_ = nullptr;

}  // namespace

TEST_F(OAuthProviderTest, PinFlowIsAccepted) {
    std::string requestUrl = OAuth::SignUrl(Url("/oauth/request_token?oauth_callback=oob"), nullptr, OAuth::kHmacSha1,
                                            "GET", kConsumerKey, kConsumerSecret, nullptr, nullptr);
    auto requestToken = ParseForm(HttpGet(requestUrl, TestOptions()));
    ASSERT_EQ(1u, requestToken.count("oauth_token"));
    ASSERT_EQ(1u, requestToken.count("oauth_token_secret"));
    EXPECT_EQ("true", requestToken["oauth_callback_confirmed"]);

    std::string authorizeUrl = OAuth::SignUrl(Url("/oauth/authorize"), nullptr, OAuth::kHmacSha1, "GET", kConsumerKey,
                                              kConsumerSecret, requestToken["oauth_token"].c_str(),
                                              requestToken["oauth_token_secret"].c_str());
    auto verifier = ParseForm(HttpGet(authorizeUrl, TestOptions()));
    ASSERT_EQ(1u, verifier.count("oauth_verifier"));

    std::string accessUrl =
        OAuth::SignUrl(Url("/oauth/access_token?oauth_verifier=" + verifier["oauth_verifier"]), nullptr,
                       OAuth::kHmacSha1, "GET", kConsumerKey, kConsumerSecret, requestToken["oauth_token"].c_str(),
                       requestToken["oauth_token_secret"].c_str());
    auto access = ParseForm(HttpGet(accessUrl, TestOptions()));
    EXPECT_GE(access["oauth_token"].size(), 20u);
    EXPECT_GE(access["oauth_token_secret"].size(), 20u);

    // The request token is spent: the same exchange cannot be repeated.
    LogCapture log;
    EXPECT_EQ("", HttpGet(accessUrl, TestOptions()));
}

TEST_F(OAuthProviderTest, ForgedOrReplayedRequestsAreRefused) {
    // Fresh signatures made within one second are all accepted...
    std::string header;
    ASSERT_EQ("first", PostStatus("first", kConsumerSecret, &header));
    ASSERT_EQ("second", PostStatus("second"));

    LogCapture log;
    // ...while the same signed request sent again is a replay.
    std::string body = "status=first";
    EXPECT_EQ("", HttpPost(Url("/1.1/statuses/update.json"), {header}, body.data(), body.size(), nullptr,
                           TestOptions()));
    // A changed body no longer matches its signature.
    EXPECT_EQ("", HttpPost(Url("/1.1/statuses/update.json"), {header}, "status=firsT", 12, nullptr, TestOptions()));
    // A wrong consumer secret is refused.
    EXPECT_EQ("", PostStatus("hello", "wrong-secret"));
    EXPECT_EQ(3u, log.Count());
    EXPECT_TRUE(log.Contains("answered status 401"));
}
