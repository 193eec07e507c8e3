// URL parsing and the exact request text the client sends.
#include <gtest/gtest.h>

#include "net/http_client.h"
#include "net/http_url.h"

TEST(HttpUrl, ParsesOnlyPlainHttpWithAValidPort) {
    struct Case {
        const char* url;
        const char* host;
        int port;
        const char* path;
    };
    const Case cases[] = {
        {"http://h:8080/a/b?c=d", "h", 8080, "/a/b?c=d"},
        {"http://h", "h", 80, "/"},
        {"http://api.example.test/oauth/request_token", "api.example.test", 80, "/oauth/request_token"},
        {"http://h:65535/", "h", 65535, "/"},
        {"http://h:1", "h", 1, "/"},
        {"https://h/x", "", 0, ""},
        {"HTTP://h/x", "", 0, ""},
        {"ftp://h/", "", 0, ""},
        {"", "", 0, ""},
        {"http://h:0/", "", 0, ""},
        {"http://h:65536/", "", 0, ""},
        {"http://h:99999999999/", "", 0, ""},
        {"http://h:-1/", "", 0, ""},
        {"http://h:80a/", "", 0, ""},
        {"http://h:/", "", 0, ""},
        {"http:///p", "", 80, "/p"},
    };
    for (const Case& c : cases) {
        HttpUrl url = HttpUrl::Parse(c.url);
        EXPECT_EQ(c.host, url.host) << c.url;
        EXPECT_EQ(c.port, url.port) << c.url;
        EXPECT_EQ(c.path, url.path) << c.url;
    }
}

TEST(HttpRequestHead, ExactBytes) {
    HttpUrl port80 = HttpUrl::Parse("http://api.example.test/1.1/statuses/update.json");
    EXPECT_EQ(
        "GET /1.1/statuses/update.json HTTP/1.1\r\nUser-Agent: briskpost\r\nHost: api.example.test\r\n"
        "Connection: close\r\n\r\n",
        HttpRequestHead("GET", port80, 0, nullptr, {}));
    EXPECT_EQ(
        "POST /1.1/statuses/update.json HTTP/1.1\r\nUser-Agent: briskpost\r\nHost: api.example.test\r\n"
        "Content-Length: 12\r\nContent-Type: application/x-www-form-urlencoded\r\nConnection: close\r\n"
        "Authorization: OAuth a=\"b\"\r\n\r\n",
        HttpRequestHead("POST", port80, 12, nullptr, {"Authorization: OAuth a=\"b\""}));
    HttpUrl port8080 = HttpUrl::Parse("http://h:8080/m");
    EXPECT_EQ(
        "POST /m HTTP/1.1\r\nUser-Agent: briskpost\r\nHost: h:8080\r\nContent-Length: 0\r\n"
        "Content-Type: multipart/form-data; boundary=asdfghjkl\r\nConnection: close\r\nX-A: 1\r\nX-B: 2\r\n\r\n",
        HttpRequestHead("POST", port8080, 0, "multipart/form-data; boundary=asdfghjkl", {"X-A: 1", "X-B: 2"}));
}
