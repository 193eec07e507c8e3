// The micro-blog REST calls against the oauthlib provider (the PIN flow, both
// posts, byte for byte) and against a scripted peer (hostile token replies,
// the exact multipart bytes on the wire).
#include <gtest/gtest.h>

#include <cstring>

#include "tests/net/microblog_test_peer.h"
#include "tests/net/scripted_server.h"
#include "tests/support/log_capture.h"

namespace {

struct PinScript {
    enum Mode { kFromPage, kGiven, kCancel } mode = kFromPage;
    std::string pin;          // kGiven
    std::string url;          // the authorise URL it was handed
    std::string (*fetch)(const std::string&) = nullptr;
};

int ScriptedPin(void* user, const char* url, char* pin) {
    auto* script = static_cast<PinScript*>(user);
    script->url = url;
    if (script->mode == PinScript::kCancel) return 0;
    std::string text = script->mode == PinScript::kGiven ? script->pin : script->fetch(url);
    strncpy(pin, text.c_str(), MicroblogApi::kTokenSize - 1);
    return 1;
}

void ExpectPair(const OAuthCredentials& c, const char* token, const char* secret) {
    EXPECT_STREQ(token, c.accessToken);
    EXPECT_STREQ(secret, c.accessTokenSecret);
}

class MicroblogApiTest : public MicroblogPeerTest {};

}  // namespace

TEST(MicroblogTokenReply, AcceptsOnlyCompleteSafePairs) {
    const std::string longValue(255, 'x');
    struct Case { std::string reply; const char* token; const char* secret; };
    const Case cases[] = {
        {"oauth_token=a&oauth_token_secret=b&oauth_callback_confirmed=true", "a", "b"},
        {"oauth_token_secret=b%2D1&x=y&oauth_token=a", "a", "b-1"},
        {"oauth_token=a&oauth_token_secret=" + longValue, "a", longValue.c_str()},
        {"oauth_token=a", nullptr, nullptr},
        {"oauth_token_secret=b", nullptr, nullptr},
        {"oauth_token=&oauth_token_secret=", nullptr, nullptr},
        {"oauth_token=a&oauth_token_secret=" + longValue + "x", nullptr, nullptr},
        {"oauth_token=a%0D%0AScreenMode=1&oauth_token_secret=b", nullptr, nullptr},
        {"oauth_token=a\r\nb&oauth_token_secret=b", nullptr, nullptr},
        {"oauth_token=a%3Db&oauth_token_secret=b", nullptr, nullptr},
        {std::string("oauth_token=a\0b&oauth_token_secret=b", 36), nullptr, nullptr},
        {"oauth_token=a%00&oauth_token_secret=b", nullptr, nullptr},
        {"oauth_token=a+b&oauth_token_secret=b", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        char token[MicroblogApi::kTokenSize] = "kept", secret[MicroblogApi::kTokenSize] = "kept";
        EXPECT_EQ(c.token != nullptr, MicroblogApi::ParseTokenReply(c.reply, token, secret));
        EXPECT_STREQ(c.token ? c.token : "kept", token);
        EXPECT_STREQ(c.secret ? c.secret : "kept", secret);
    }
}

TEST_F(MicroblogApiTest, PinFlowStoresTheProvidersAccessPair) {
    OAuthCredentials credentials = Peer::Credentials(false);
    PinScript script;
    script.fetch = Peer::FetchPin;
    ASSERT_EQ(1, MicroblogApi::Authorize(&credentials, ScriptedPin, &script, Peer::Service()));
    EXPECT_EQ(0u, script.url.find(MicroblogApi::EndpointUrl(Peer::Service(), kEndpointAuthorize) + "?"));
    EXPECT_NE(std::string::npos, script.url.find("oauth_token="));
    EXPECT_GE(strlen(credentials.accessTokenSecret), OAuthCredentials::kLinkedSecretLength);
    // The new pair is the one the provider issued: it signs a post it accepts.
    EXPECT_TRUE(MicroblogApi::UpdateStatus(credentials, "linked", Peer::Service()));
}

TEST_F(MicroblogApiTest, FailedOrCancelledFlowsKeepTheStoredPair) {
    MicroblogService refused = Peer::Service();
    refused.host = "127.0.0.1:1";
    struct Case { PinScript::Mode mode; const char* pin; bool refusedHost; };
    const Case cases[] = {
        {PinScript::kGiven, "wrongpin0000000000000000", false},
        {PinScript::kGiven, " \t ", false},
        {PinScript::kCancel, "", false},
        {PinScript::kFromPage, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pin);
        OAuthCredentials credentials = Peer::Credentials(true);
        PinScript script;
        script.mode = c.mode;
        script.pin = c.pin;
        script.fetch = Peer::FetchPin;
        LogCapture log;
        EXPECT_EQ(0, MicroblogApi::Authorize(&credentials, ScriptedPin, &script, c.refusedHost ? refused : Peer::Service()));
        ExpectPair(credentials, kPeerAccessToken, kPeerAccessSecret);
        EXPECT_GE(log.Count(), 1u);
    }
}

TEST(MicroblogHostileReplies, UnusableAccessRepliesKeepTheStoredPair) {
    const std::string replies[] = {
        "oauth_token=",
        "oauth_token=&oauth_token_secret=",
        "oauth_token=a&oauth_token_secret=" + std::string(256, 's'),
        "oauth_token=a%0D%0AScreenMode%3D1&oauth_token_secret=b",
        "oauth_token=a%3Db&oauth_token_secret=b",
        "oauth_token=a%00b&oauth_token_secret=b",
    };
    for (const std::string& reply : replies) {
        SCOPED_TRACE(reply);
        ScriptedServer server;
        server.Serve([&reply](int fd, ScriptedServer& s) {
            std::string request = s.ReadRequest(fd);
            bool first = request.find("GET /oauth/request_token?") == 0;
            std::string body = first ? "oauth_token=rt&oauth_token_secret=rs&oauth_callback_confirmed=true" : reply;
            ScriptedServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                         "\r\n\r\n" + body);
        });
        MicroblogService service;
        service.host = "127.0.0.1:" + std::to_string(server.port());
        OAuthCredentials credentials;
        credentials.Set("ck", "cs", "old-token", "old-secret-of-twenty-chars");
        PinScript script;
        script.mode = PinScript::kGiven;
        script.pin = " 12&x=y% ";
        LogCapture log;
        EXPECT_EQ(0, MicroblogApi::Authorize(&credentials, ScriptedPin, &script, service));
        ExpectPair(credentials, "old-token", "old-secret-of-twenty-chars");
        server.Stop();
        std::vector<std::string> requests = server.requests();
        ASSERT_EQ(2u, requests.size());
        EXPECT_NE(std::string::npos, requests[0].find("oauth_callback=oob"));
        // The pasted PIN stays one parameter, its blanks trimmed.
        EXPECT_NE(std::string::npos, requests[1].find("oauth_verifier=12%26x%3Dy%25&"));
    }
}

TEST_F(MicroblogApiTest, StatusPostsArriveByteForByte) {
    const std::string texts[] = {"hello", " #Quillmoor", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E #Quillmoor",
                                 "a & b % c + d = e ~ f", "line one\nline two\r\n"};
    OAuthCredentials credentials = Peer::Credentials(true);
    for (const std::string& text : texts) {
        EXPECT_TRUE(MicroblogApi::UpdateStatus(credentials, text, Peer::Service())) << text;
        EXPECT_EQ(text, Peer::LastPost());
    }
}

TEST_F(MicroblogApiTest, MediaPostsArriveEvenWhenTheyHoldTheBoundary) {
    OAuthCredentials credentials = Peer::Credentials(true);
    const std::string data = std::string("\xFF\xD8\0\r\n--asdfghjkl\r\n\xFF\xD9", 19);
    const std::string texts[] = {"shot #Quillmoor", "text\r\n--asdfghjkl--\r\n\xE3\x83\x86"};
    for (const std::string& text : texts) {
        EXPECT_TRUE(MicroblogApi::UpdateStatusWithMedia(credentials, text, "QM130412093005.jpg", data.data(),
                                                        data.size(), Peer::Service()));
        EXPECT_EQ(text + '\0' + "QM130412093005.jpg" + '\0' + data, Peer::LastPost());
    }
    LogCapture log;
    EXPECT_FALSE(MicroblogApi::UpdateStatusWithMedia(credentials, "x", "a\"b.jpg", "d", 1, Peer::Service()));
}

TEST(MicroblogMultipart, BodyOnTheWireIsExact) {
    ScriptedServer server;
    server.Serve([](int fd, ScriptedServer& s) {
        s.ReadRequest(fd);
        ScriptedServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    });
    MicroblogService service;
    service.host = "127.0.0.1:" + std::to_string(server.port());
    OAuthCredentials credentials;
    credentials.Set("ck", "cs", "at", "as");
    EXPECT_TRUE(MicroblogApi::UpdateStatusWithMedia(credentials, "hi", "QM.jpg", "\x01\x00\x02", 3, service));
    server.Stop();
    const std::string expected = std::string(
        "--asdfghjkl\r\nContent-Disposition: form-data; name=\"status\"\r\n"
        "Content-Type: text/plain; charset=UTF-8\r\n\r\nhi\r\n--asdfghjkl\r\n"
        "Content-Disposition: form-data; name=\"media[]\"; filename=\"QM.jpg\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n\x01\x00\x02\r\n--asdfghjkl--", 247);
    std::vector<std::string> requests = server.requests();
    ASSERT_EQ(1u, requests.size());
    const std::string& request = requests[0];
    EXPECT_NE(std::string::npos, request.find("\r\nContent-Length: 247\r\n"));
    EXPECT_NE(std::string::npos, request.find("\r\nContent-Type: multipart/form-data; boundary=asdfghjkl\r\n"));
    EXPECT_EQ(expected, request.substr(request.find("\r\n\r\n") + 4));
}
