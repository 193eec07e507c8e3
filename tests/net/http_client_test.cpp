// HTTP: URLs, the response reader on replies in data/http_replies.txt, the client against a scripted peer;
// the micro-blog calls against the oauthlib provider and a scripted peer.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "net/http_cancel.h"
#include "net/http_client.h"
#include "net/http_response_reader.h"
#include "net/http_url.h"
#include "tests/net/microblog_test_peer.h"
#include "tests/net/scripted_server.h"
#include "tests/net/test_vectors.h"
#include "tests/support/log_capture.h"
#include "tests/support/wait_until.h"

namespace {

using State = HttpResponseReader::State;

TEST(HttpUrl, ParsesOnlyPlainHttpWithAValidPort) {
    for (const auto& row : VectorRows("http_replies.txt", "url")) {  // kind, name, expected, URL
        HttpUrl url = HttpUrl::Parse(row[3]);
        EXPECT_EQ(row[2], (url.host.empty() ? "-" : url.host) + " " + std::to_string(url.port) + " " +
                              (url.path.empty() ? "-" : url.path)) << row[1];
    }
}

const std::string kGood = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nServer: test\r\n\r\nhello";
const HttpLimits kSmall{256, 64};  // the limits of the reply vectors

TEST(HttpResponseReader, GoodReplyInEverySplit) {
    for (size_t split = 0; split <= kGood.size(); ++split) {
        HttpResponseReader reader;
        State first = reader.Feed(kGood.data(), split);
        State second = reader.Feed(kGood.data() + split, kGood.size() - split);
        EXPECT_EQ(split == kGood.size() ? State::kDone : State::kNeedMore, first) << split;
        ASSERT_EQ(State::kDone, second) << split;
        EXPECT_TRUE(reader.body() == "hello" && reader.status() == 200);
        EXPECT_EQ((std::vector<std::string>{"HTTP/1.1 200 OK", "Content-Length: 5", "Server: test"}),
                  reader.headerLines());
    }
    HttpResponseReader byteByByte;
    for (char c : kGood + "extra bytes are dropped") byteByByte.Feed(&c, 1);
    EXPECT_TRUE(byteByByte.state() == State::kDone && byteByByte.body() == "hello");
}

TEST(HttpResponseReader, BodyFramings) {
    for (const auto& row : VectorRows("http_replies.txt", "good")) {  // kind, name, "status body", reply
        HttpResponseReader reader(kSmall);
        State state = reader.Feed(row[3].data(), row[3].size());
        if (row[0] == "good-eof") {
            EXPECT_EQ(State::kNeedMore, state) << row[1];
            state = reader.FinishAtEof();
        }
        ASSERT_EQ(State::kDone, state) << row[1] << ": " << reader.error();
        EXPECT_EQ(row[2], std::to_string(reader.status()) + " " + reader.body()) << row[1];
        EXPECT_EQ(0u, reader.headerLines()[0].find("HTTP/1.")) << row[1];
    }
}

TEST(HttpResponseReader, HostileRepliesFailWithAReason) {
    for (const auto& row : VectorRows("http_replies.txt", "bad")) {  // kind, name, reason, reply
        HttpResponseReader reader(kSmall);
        State state = reader.Feed(row[3].data(), row[3].size());
        if (row[0] == "bad-eof" && state == State::kNeedMore) state = reader.FinishAtEof();
        ASSERT_EQ(State::kFailed, state) << row[1];
        EXPECT_NE(std::string::npos, reader.error().find(row[2])) << row[1] << ": " << reader.error();
        EXPECT_TRUE(reader.body().empty()) << row[1];
        EXPECT_EQ(State::kFailed, reader.Feed("x", 1));  // a failed reader stays failed
    }
}

HttpOptions FastOptions() {
    HttpOptions options;
    options.connectTimeoutMs = 1000, options.ioTimeoutMs = 500, options.requestTimeoutMs = 2000;
    return options;
}

ScriptedServer::Script Reply(const std::string& bytes) {
    return [bytes](int fd, ScriptedServer& server) {
        server.ReadRequest(fd);
        ScriptedServer::Send(fd, bytes);
    };
}

// Sends a byte at a time with pauses between them that end early when the server stops.
ScriptedServer::Script Trickle(const std::string& bytes, int pauseMs) {
    return [bytes, pauseMs](int fd, ScriptedServer& server) {
        server.ReadRequest(fd);
        for (char c : bytes) {
            if (!ScriptedServer::Send(fd, std::string(1, c))) return;
            server.WaitForStop(pauseMs);
        }
    };
}

const std::string kHello = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";

TEST(HttpClient, SendsExactRequestBytes) {
    const int descriptors = CountOpenDescriptors();
    ScriptedServer server;
    server.Serve(Reply(kHello));
    HttpClient client{HttpOptions()};
    HttpResponse response;
    ASSERT_TRUE(client.Get(server.Url("/a/b?c=d"), {"X-A: 1"}, &response));
    EXPECT_EQ("hello", response.body);

    std::string body("st\0tus=\xE3\x81\x82", 11);
    ASSERT_TRUE(client.Post(server.Url("/post"), {}, body.data(), body.size(), nullptr, &response));
    ASSERT_TRUE(client.Post(server.Url("/m"), {"Authorization: OAuth x=\"y\""}, "abc", 3,
                            "multipart/form-data; boundary=b", &response));
    server.Stop();
    EXPECT_EQ(descriptors + 1, CountOpenDescriptors());  // the listener alone

    const std::vector<std::string> requests = server.requests();
    const auto rows = VectorRows("http_replies.txt", "request");  // kind, bytes
    ASSERT_EQ(rows.size(), requests.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string want = rows[i][1];
        EXPECT_EQ(want.replace(want.find("PORT"), 4, std::to_string(server.port())), requests[i]);
    }
}

TEST(HttpClient, OnlyStatus200CountsAsSuccess) {
    ScriptedServer server;
    server.Serve(Reply("HTTP/1.1 401 Unauthorized\r\nContent-Length: 4\r\n\r\ndeny"));
    HttpClient client{HttpOptions()};
    HttpResponse response;
    ASSERT_TRUE(client.Get(server.Url("/"), {}, &response));
    EXPECT_TRUE(response.status == 401 && response.body == "deny");

    LogCapture log;
    EXPECT_EQ("", HttpGet(server.Url("/x?oauth_token=t"), HttpOptions()));
    EXPECT_EQ("", HttpPost(server.Url("/y"), {}, "a=b", 3, nullptr, HttpOptions()));
    EXPECT_TRUE(log.Contains("GET " + server.Url("/x") + " answered status 401"));
    EXPECT_TRUE(!log.Contains("oauth_token") && log.Count() == 2u);
}

// Each limit shows by its own log line; the pauses dwarf the limits they must pass (or stay under).
TEST(HttpClient, HostileAndStuckPeersFailInTime) {
    // postBytes 0: a GET; receiveBuffer: of the server's sockets, 0 leaves the default.
    struct Case { const char* name; ScriptedServer::Script script; size_t postBytes; int receiveBuffer;
                  const char* logged; int ioTimeoutMs = kPatienceMs, requestTimeoutMs = kPatienceMs; };
    std::string manyLines = "HTTP/1.1 200 OK\r\n";
    while (manyLines.size() < (10u << 20)) manyLines += "X-Filler: 0123456789\r\n";
    const Case cases[] = {
        {"huge length", Reply("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\nhello"), 0, 0, "above the"},
        {"short body", Reply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"), 0, 0, "cut short: 10 of 100"},
        {"long header line", Reply("HTTP/1.1 200 OK\r\nX-Long: " + std::string(100000, 'a') + "\r\n\r\n"), 0, 0,
         "longer than 65536"},
        {"ten megabytes of header lines", Reply(manyLines), 0, 0, "longer than 65536"},
        {"empty reply", Reply(""), 0, 0, "without a reply"},
        {"never answers", [](int fd, ScriptedServer& s) { s.ReadRequest(fd), s.WaitForStop(10000); }, 0, 0,
         "no progress for 500 ms", 500},
        {"answers too slowly", Trickle(kHello, kPatienceMs), 0, 0, "no progress for 500 ms", 500},
        {"drips past the request limit", Trickle("HTTP/1.1 200 OK\r\n" + std::string(100, 'X'), 100), 0, 0,
         "request time limit", kPatienceMs, 2000},
        {"never reads", [](int, ScriptedServer& server) { server.WaitForStop(10000); }, 16u << 20, 4096,
         "no progress for 500 ms", 500},
        {"resets during the send",
         [](int fd, ScriptedServer&) { char buffer[65536]; recv(fd, buffer, sizeof(buffer), 0), ScriptedServer::Reset(fd); },
         16u << 20, 4096, "Failed to send to"},
    };
    const std::string postBody(16u << 20, 'p');
    const int descriptors = CountOpenDescriptors();  // failures leak none
    for (const Case& c : cases) {
        ScriptedServer server(c.receiveBuffer);
        server.Serve(c.script);
        LogCapture log;
        HttpOptions options;  // only the limit a case is about is short
        options.ioTimeoutMs = c.ioTimeoutMs, options.requestTimeoutMs = c.requestTimeoutMs;
        std::string result = c.postBytes ? HttpPost(server.Url("/"), {}, postBody.data(), c.postBytes, nullptr, options)
                                         : HttpGet(server.Url("/"), options);
        EXPECT_EQ("", result) << c.name;
        EXPECT_TRUE(log.Contains(c.logged)) << c.name << ": " << (log.Count() ? log.Lines()[0] : "(no log line)");
        EXPECT_EQ(1u, log.Count()) << c.name;
    }
    EXPECT_EQ(descriptors, CountOpenDescriptors());
}

// A loopback socket bound to a free port, which it writes to `address`.
int BoundSocket(int flags, sockaddr_in* address) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    *address = sockaddr_in{};
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(*address);
    bind(fd, reinterpret_cast<sockaddr*>(address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(address), &size);
    return fd;
}

std::string RefusedUrl() {  // nobody listens on its port
    sockaddr_in address;
    close(BoundSocket(0, &address));
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
}

TEST(HttpClient, RefusedAndMalformedTargetsSendNothing) {
    const int descriptors = CountOpenDescriptors();
    LogCapture log;
    EXPECT_EQ("", HttpGet(RefusedUrl(), FastOptions()));
    EXPECT_TRUE(log.Contains("Connection refused"));
    EXPECT_EQ(descriptors, CountOpenDescriptors());

    ScriptedServer server;
    server.Serve(Reply(kHello));
    std::string port = std::to_string(server.port());
    EXPECT_EQ("", HttpGet("https://127.0.0.1:" + port + "/", FastOptions()));  // other bad URLs: HttpUrl's table
    EXPECT_EQ("", HttpGet("http://127.0.0.1:" + port + "/a b", FastOptions()));
    EXPECT_EQ("", HttpPost(server.Url("/"), {"X: a\r\nInjected: b"}, "", 0, nullptr, FastOptions()));
    EXPECT_EQ("", HttpPost(server.Url("/"), {}, "", 0, "text/plain\r\nInjected: b", FastOptions()));
    EXPECT_EQ("", HttpPost(server.Url("/"), {}, nullptr, 5, nullptr, FastOptions()));
    HttpOptions cancelled = FastOptions();  // a cancel is no failure of its own: not a line
    auto cancel = std::make_shared<HttpCancel>();
    cancelled.cancel = cancel, cancel->Cancel();
    EXPECT_EQ("", HttpGet(server.Url("/"), cancelled));
    server.Stop();
    EXPECT_TRUE(server.connections() == 0 && log.Count() == 6u);
}

TEST(HttpClient, ConnectGivesUpWhenNobodyAnswers) {
    sockaddr_in address, unused;  // a listener whose full accept queue drops further attempts
    int listener = BoundSocket(0, &address);
    ASSERT_EQ(0, listen(listener, 0));
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(BoundSocket(SOCK_NONBLOCK, &unused));
        connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
    }
    std::vector<pollfd> fillerWaits;
    for (int fd : fillers) fillerWaits.push_back({fd, POLLOUT, 0});
    ASSERT_GT(poll(fillerWaits.data(), fillerWaits.size(), kPatienceMs), 0) << "no filler got into the queue";

    HttpOptions options = FastOptions();
    options.connectTimeoutMs = 300;
    LogCapture log;
    EXPECT_EQ("", HttpGet("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/", options));
    EXPECT_TRUE(log.Contains("no answer within 300 ms")) << (log.Count() ? log.Lines()[0] : "(no log line)");
    for (int fd : fillers) close(fd);
    close(listener);
}

}  // namespace

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
    const std::string expected = VectorRows("http_replies.txt", "multipart")[0][1];
    EXPECT_NE(std::string::npos, requests[2].find("\r\nContent-Length: 247\r\n"));
    EXPECT_NE(std::string::npos, requests[2].find("\r\nContent-Type: multipart/form-data; boundary=asdfghjkl\r\n"));
    EXPECT_EQ(expected, requests[2].substr(requests[2].find("\r\n\r\n") + 4));
}
