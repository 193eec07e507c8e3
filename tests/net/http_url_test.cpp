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
