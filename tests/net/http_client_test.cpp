// The HTTP client against a scripted loopback peer: the bytes it sends, good
// replies in pieces, and hostile or stuck peers, each of which must end in a
// failure within its time limit without leaking a descriptor.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "net/http_client.h"
#include "tests/net/scripted_server.h"
#include "tests/support/log_capture.h"

namespace {

HttpOptions FastOptions() {
    HttpOptions options;
    options.connectTimeoutMs = 1000;
    options.ioTimeoutMs = 500;
    options.requestTimeoutMs = 2000;
    return options;
}

ScriptedServer::Script Reply(const std::string& bytes) {
    return [bytes](int fd, ScriptedServer& server) {
        server.ReadRequest(fd);
        ScriptedServer::Send(fd, bytes);
    };
}

ScriptedServer::Script Trickle(const std::string& bytes, int pauseMs) {
    return [bytes, pauseMs](int fd, ScriptedServer& server) {
        server.ReadRequest(fd);
        for (char c : bytes) {
            if (!ScriptedServer::Send(fd, std::string(1, c))) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
    };
}

const std::string kHello = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";

}  // namespace

TEST(HttpClient, SendsExactRequestBytes) {
    ScriptedServer server;
    server.Serve(Reply(kHello));
    HttpClient client(FastOptions());
    HttpResponse response;
    ASSERT_TRUE(client.Get(server.Url("/a/b?c=d"), {"X-A: 1"}, &response));
    EXPECT_EQ("hello", response.body);

    std::string body("st\0tus=\xE3\x81\x82", 11);
    ASSERT_TRUE(client.Post(server.Url("/post"), {}, body.data(), body.size(), nullptr, &response));
    ASSERT_TRUE(client.Post(server.Url("/m"), {"Authorization: OAuth x=\"y\""}, "abc", 3,
                            "multipart/form-data; boundary=b", &response));
    server.Stop();

    std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
    std::vector<std::string> requests = server.requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ("GET /a/b?c=d HTTP/1.1\r\nUser-Agent: briskpost\r\n" + host + "Connection: close\r\nX-A: 1\r\n\r\n",
              requests[0]);
    EXPECT_EQ("POST /post HTTP/1.1\r\nUser-Agent: briskpost\r\n" + host +
                  "Content-Length: 11\r\nContent-Type: application/x-www-form-urlencoded\r\nConnection: close\r\n\r\n" +
                  body,
              requests[1]);
    EXPECT_EQ("POST /m HTTP/1.1\r\nUser-Agent: briskpost\r\n" + host +
                  "Content-Length: 3\r\nContent-Type: multipart/form-data; boundary=b\r\nConnection: close\r\n"
                  "Authorization: OAuth x=\"y\"\r\n\r\nabc",
              requests[2]);
}

TEST(HttpClient, OnlyStatus200CountsAsSuccess) {
    ScriptedServer server;
    server.Serve(Reply("HTTP/1.1 401 Unauthorized\r\nContent-Length: 4\r\n\r\ndeny"));
    HttpClient client(FastOptions());
    HttpResponse response;
    ASSERT_TRUE(client.Get(server.Url("/"), {}, &response));
    EXPECT_EQ(401, response.status);
    EXPECT_EQ("deny", response.body);

    LogCapture log;
    EXPECT_EQ("", HttpGet(server.Url("/x?oauth_token=t"), FastOptions()));
    EXPECT_EQ("", HttpPost(server.Url("/y"), {}, "a=b", 3, nullptr, FastOptions()));
    EXPECT_TRUE(log.Contains("GET " + server.Url("/x") + " answered status 401"));
    EXPECT_FALSE(log.Contains("oauth_token"));
    EXPECT_TRUE(log.Contains("POST " + server.Url("/y") + " answered status 401"));
}

TEST(HttpClient, HostileAndStuckPeersFailInTime) {
    struct Case {
        const char* name;
        ScriptedServer::Script script;
        size_t postBytes;      // 0: GET
        int receiveBuffer;     // of the server's sockets; 0 leaves the default
        const char* logged;
    };
    std::string manyLines = "HTTP/1.1 200 OK\r\n";
    while (manyLines.size() < (10u << 20)) manyLines += "X-Filler: 0123456789\r\n";
    const Case cases[] = {
        {"negative length", Reply("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nhello"), 0, 0, "bad Content-Length"},
        {"huge length", Reply("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\nhello"), 0, 0, "above the"},
        {"2 GB length", Reply("HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n\r\nhello"), 0, 0, "above the"},
        {"short body", Reply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"), 0, 0, "cut short: 10 of 100"},
        {"long header line", Reply("HTTP/1.1 200 OK\r\nX-Long: " + std::string(100000, 'a') + "\r\n\r\n"), 0, 0,
         "longer than 65536"},
        {"ten megabytes of header lines", Reply(manyLines), 0, 0, "longer than 65536"},
        {"garbage status line", Reply("FOO\r\n\r\n"), 0, 0, "garbage status line"},
        {"empty reply", Reply(""), 0, 0, "without a reply"},
        {"bad chunk", Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nxyz\r\n"), 0, 0, "bad chunk size"},
        {"never answers",
         [](int fd, ScriptedServer& server) {
             server.ReadRequest(fd);
             server.WaitForStop(10000);
         },
         0, 0, "no progress for 500 ms"},
        {"answers too slowly", Trickle(kHello, 700), 0, 0, "no progress for 500 ms"},
        {"drips past the request limit", Trickle("HTTP/1.1 200 OK\r\n" + std::string(100, 'X'), 100), 0, 0,
         "request time limit"},
        {"never reads", [](int, ScriptedServer& server) { server.WaitForStop(10000); }, 16u << 20, 4096,
         "no progress for 500 ms"},
        {"resets during the send",
         [](int fd, ScriptedServer&) {
             char buffer[65536];
             recv(fd, buffer, sizeof(buffer), 0);
             ScriptedServer::Reset(fd);
         },
         16u << 20, 4096, "Failed to send to"},
    };
    const std::string postBody(16u << 20, 'p');
    for (const Case& c : cases) {
        ScriptedServer server(c.receiveBuffer);
        server.Serve(c.script);
        LogCapture log;
        auto start = std::chrono::steady_clock::now();
        std::string result = c.postBytes ? HttpPost(server.Url("/"), {}, postBody.data(), c.postBytes, nullptr,
                                                    FastOptions())
                                         : HttpGet(server.Url("/"), FastOptions());
        auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ("", result) << c.name;
        EXPECT_LT(elapsed, std::chrono::seconds(4)) << c.name;
        EXPECT_TRUE(log.Contains(c.logged)) << c.name << ": " << (log.Count() ? log.Lines()[0] : "(no log line)");
        EXPECT_EQ(1u, log.Count()) << c.name;
    }
}
