// The HTTP reply parser: a good reply in every split, the body framings, and
// hostile or malformed replies that must fail with a reason and no large buffer.
#include <gtest/gtest.h>

#include <string>

#include "net/http_response_reader.h"

namespace {

using State = HttpResponseReader::State;

const std::string kGood = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nServer: test\r\n\r\nhello";

}  // namespace

TEST(HttpResponseReader, GoodReplyInEverySplit) {
    for (size_t split = 0; split <= kGood.size(); ++split) {
        HttpResponseReader reader;
        State first = reader.Feed(kGood.data(), split);
        State second = reader.Feed(kGood.data() + split, kGood.size() - split);
        EXPECT_EQ(split == kGood.size() ? State::kDone : State::kNeedMore, first) << split;
        ASSERT_EQ(State::kDone, second) << split;
        EXPECT_EQ("hello", reader.body());
        EXPECT_EQ(200, reader.status());
        EXPECT_EQ((std::vector<std::string>{"HTTP/1.1 200 OK", "Content-Length: 5", "Server: test"}),
                  reader.headerLines());
    }
    HttpResponseReader byteByByte;
    for (char c : kGood + "extra bytes are dropped") byteByByte.Feed(&c, 1);
    EXPECT_EQ(State::kDone, byteByByte.state());
    EXPECT_EQ("hello", byteByByte.body());
}

TEST(HttpResponseReader, BodyFramings) {
    struct Case {
        const char* name;
        std::string reply;
        bool closeAfter;
        int status;
        std::string body;
    };
    const Case cases[] = {
        {"upper-case name", "HTTP/1.1 200 OK\r\nCONTENT-LENGTH: 5\r\n\r\nhello", false, 200, "hello"},
        {"no space after colon", "HTTP/1.1 200 OK\r\ncontent-length:5\r\n\r\nhello", false, 200, "hello"},
        {"spaces around value", "HTTP/1.1 200 OK\r\nContent-Length: \t5 \r\n\r\nhello", false, 200, "hello"},
        {"same length twice", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n\r\nhello", false, 200,
         "hello"},
        {"binary body", std::string("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n\0\r\n", 41), false, 200,
         std::string("\0\r\n", 3)},
        {"zero length", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", false, 200, ""},
        {"chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n9;x=y\r\n, world!!\r\n0\r\n\r\n", false,
         200, "hello, world!!"},
        {"chunked with trailer and length",
         "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: Chunked\r\n\r\n"
         "3\r\nabc\r\n0\r\nX-Trailer: 1\r\n\r\n",
         false, 200, "abc"},
        {"until the peer closes", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nall of it", true, 200, "all of it"},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", false, 204, ""},
        {"interim reply skipped", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", false,
         200, "ok"},
        {"error status keeps its body", "HTTP/1.1 401 Unauthorized\r\nContent-Length: 4\r\n\r\ndeny", false, 401,
         "deny"},
    };
    for (const Case& c : cases) {
        HttpResponseReader reader;
        State state = reader.Feed(c.reply.data(), c.reply.size());
        if (c.closeAfter) {
            EXPECT_EQ(State::kNeedMore, state) << c.name;
            state = reader.FinishAtEof();
        }
        ASSERT_EQ(State::kDone, state) << c.name << ": " << reader.error();
        EXPECT_EQ(c.status, reader.status()) << c.name;
        EXPECT_EQ(c.body, reader.body()) << c.name;
        EXPECT_EQ(0u, reader.headerLines()[0].find("HTTP/1.")) << c.name;
    }
}

TEST(HttpResponseReader, HostileRepliesFailWithAReason) {
    HttpLimits small;
    small.maxHeaderBytes = 256;
    small.maxBodyBytes = 64;
    struct Case {
        const char* name;
        std::string reply;
        bool closeAfter;
        const char* reason;
    };
    const Case cases[] = {
        {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, "bad Content-Length"},
        {"length with sign", "HTTP/1.1 200 OK\r\nContent-Length: +5\r\n\r\nhello", false, "bad Content-Length"},
        {"length list", "HTTP/1.1 200 OK\r\nContent-Length: 5, 5\r\n\r\nhello", false, "bad Content-Length"},
        {"empty length", "HTTP/1.1 200 OK\r\nContent-Length:\r\n\r\n", false, "bad Content-Length"},
        {"length beyond 64 bits", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n", false,
         "bad Content-Length"},
        {"length of 2^31 - 1", "HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n\r\n", false,
         "above the 64 byte limit"},
        {"length of 10^11", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n", false, "above the 64 byte limit"},
        {"two lengths", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello!", false,
         "two different"},
        {"short body", "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n0123456789", true, "cut short: 10 of 40"},
        {"garbage status line", "FOO\r\n\r\n", false, "garbage status line \"FOO\""},
        {"status of two digits", "HTTP/1.1 20 OK\r\n\r\n", false, "garbage status line"},
        {"status of four digits", "HTTP/1.1 2000 OK\r\n\r\n", false, "garbage status line"},
        {"no version", "HTTP/ 200 OK\r\n\r\n", false, "garbage status line"},
        {"empty reply", "", true, "without a reply"},
        {"closed in the header", "HTTP/1.1 200 OK\r\nContent-Le", true, "inside the reply header"},
        {"leading empty line", "\r\nHTTP/1.1 200 OK\r\n\r\n", false, "empty line"},
        {"long header line", "HTTP/1.1 200 OK\r\nX: " + std::string(300, 'a'), false, "longer than 256"},
        {"header without colon", "HTTP/1.1 200 OK\r\nnocolon\r\n\r\n", false, "malformed header line"},
        {"folded header", "HTTP/1.1 200 OK\r\nX: a\r\n b\r\n\r\n", false, "malformed header"},
        {"lone line feed in value", "HTTP/1.1 200 OK\r\nX: a\nContent-Length: 1\r\n\r\n", false, "control character"},
        {"bare line feeds only", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", true, "inside the reply header"},
        {"unknown coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", false, "Transfer-Encoding"},
        {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, "bad chunk size"},
        {"huge chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFFFF\r\n", false,
         "chunk size above"},
        {"chunks above the limit",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n30\r\n" + std::string(48, 'a') + "\r\n30\r\n", false,
         "chunked body above"},
        {"chunk without its line end", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabcd\r\n", false,
         "not followed by CR LF"},
        {"chunk size line too long", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + std::string(2000, 'e'),
         false, "chunk size line longer"},
        {"chunked cut short", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", true, "chunked body"},
        {"unframed body above the limit", "HTTP/1.1 200 OK\r\n\r\n" + std::string(65, 'a'), false, "body above"},
    };
    for (const Case& c : cases) {
        HttpResponseReader reader(small);
        State state = reader.Feed(c.reply.data(), c.reply.size());
        if (c.closeAfter && state == State::kNeedMore) state = reader.FinishAtEof();
        ASSERT_EQ(State::kFailed, state) << c.name;
        EXPECT_NE(std::string::npos, reader.error().find(c.reason)) << c.name << ": " << reader.error();
        EXPECT_TRUE(reader.body().empty()) << c.name;
        // A failed reader stays failed.
        EXPECT_EQ(State::kFailed, reader.Feed("x", 1));
    }
}
