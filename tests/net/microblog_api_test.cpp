// The REST calls against the oauthlib provider and a scripted peer (hostile token reply, exact requests).
#include <gtest/gtest.h>

#include <cstring>

#include "tests/net/microblog_test_peer.h"
#include "tests/net/scripted_server.h"
#include "tests/net/test_vectors.h"
#include "tests/support/log_capture.h"

namespace {

// A pasted PIN with blanks and characters that would split a query.
int PastedPin(void*, const char*, char* pin) { return strcpy(pin, " 12&x=y% ") != nullptr; }

// Replies with `body` to every request but the request-token one.
void ServeAccessReply(ScriptedServer* server, const std::string& body) {
    server->Serve([body](int fd, ScriptedServer& s) {
        bool first = s.ReadRequest(fd).find("GET /oauth/request_token?") == 0;
        std::string reply = first ? "oauth_token=rt&oauth_token_secret=rs&oauth_callback_confirmed=true" : body;
        ScriptedServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(reply.size()) + "\r\n\r\n" + reply);
    });
}

}  // namespace

TEST(MicroblogTokenReply, AcceptsOnlyCompleteSafePairs) {
    for (const auto& row : VectorRows("oauth_vectors.txt", "token")) {  // kind, reply, token, secret
        SCOPED_TRACE(row[1]);
        const bool taken = row[2] != "-";
        char token[MicroblogApi::kTokenSize] = "kept", secret[MicroblogApi::kTokenSize] = "kept";
        EXPECT_EQ(taken, MicroblogApi::ParseTokenReply(row[1], token, secret));
        EXPECT_EQ(taken ? row[2] : "kept", token);
        EXPECT_EQ(taken ? row[3] : "kept", secret);
    }
}

TEST(MicroblogApi, PostsArriveByteForByte) {
    ASSERT_TRUE(Peer::Start());
    OAuthCredentials credentials = Peer::Credentials(true);
    for (const std::string text :
         {"\xE6\x97\xA5\xE6\x9C\xAC #Quillmoor", "a & b % c + d = e ~ f", "line one\nline two\r\n--asdfghjkl--"}) {
        EXPECT_TRUE(MicroblogApi::UpdateStatus(credentials, text, Peer::At())) << text;
        EXPECT_EQ(text, Peer::LastPost());
        const std::string data("\xFF\xD8\0\r\n--asdfghjkl\r\n\xFF\xD9", 19);
        EXPECT_TRUE(MicroblogApi::UpdateStatusWithMedia(credentials, text, "QM.jpg", data.data(), data.size(),
                                                        Peer::At()));
        EXPECT_EQ(text + '\0' + "QM.jpg" + '\0' + data, Peer::LastPost());
    }
}

TEST(MicroblogApi, ScriptedPeerSeesTheExactRequests) {
    ScriptedServer server;  // an access reply that would inject a settings line, then a media post
    ServeAccessReply(&server, "oauth_token=a%0D%0AScreenMode%3D1&oauth_token_secret=b");
    const MicroblogService service = Peer::At(server.port());
    OAuthCredentials credentials = Peer::Credentials(true);
    LogCapture log;
    EXPECT_EQ(0, MicroblogApi::Authorize(&credentials, PastedPin, nullptr, service));
    EXPECT_EQ(Peer::Credentials(true).accessToken + std::string(kPeerAccessSecret),
              credentials.accessToken + std::string(credentials.accessTokenSecret));
    EXPECT_TRUE(MicroblogApi::UpdateStatusWithMedia(credentials, "hi", "QM.jpg", "\x01\x00\x02", 3, service));
    EXPECT_FALSE(MicroblogApi::UpdateStatusWithMedia(credentials, "x", "a\"b.jpg", "d", 1, service));  // not sent
    server.Stop();
    std::vector<std::string> requests = server.requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].find("oauth_callback=oob"));
    // The pasted PIN stays one parameter, its blanks trimmed.
    EXPECT_NE(std::string::npos, requests[1].find("oauth_verifier=12%26x%3Dy%25&"));
    const std::string expected = std::string(
        "--asdfghjkl\r\nContent-Disposition: form-data; name=\"status\"\r\n"
        "Content-Type: text/plain; charset=UTF-8\r\n\r\nhi\r\n--asdfghjkl\r\n"
        "Content-Disposition: form-data; name=\"media[]\"; filename=\"QM.jpg\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n\x01\x00\x02\r\n--asdfghjkl--", 247);
    EXPECT_NE(std::string::npos, requests[2].find("\r\nContent-Length: 247\r\n"));
    EXPECT_NE(std::string::npos, requests[2].find("\r\nContent-Type: multipart/form-data; boundary=asdfghjkl\r\n"));
    EXPECT_EQ(expected, requests[2].substr(requests[2].find("\r\n\r\n") + 4));
}
