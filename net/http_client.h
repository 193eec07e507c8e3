// A small synchronous HTTP/1.1 client: one connection per request, plain
// "http://" URLs, GET and POST, user agent "briskpost". Every request ends
// within its time limits, and any failure shows as a false or "" result with
// one debug-log line saying why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/http_response_reader.h"

class HttpCancel;
class HttpSocket;
struct HttpUrl;

struct HttpOptions {
    int connectTimeoutMs = 10000;
    int ioTimeoutMs = 30000;         // longest wait without progress in a send or a receive
    int requestTimeoutMs = 300000;   // the whole request, connect to last byte
    HttpLimits limits;
    std::shared_ptr<const HttpCancel> cancel;  // lets another thread end the request at once
};

struct HttpResponse {
    int status = 0;
    std::vector<std::string> headerLines;  // the status line first, without CR LF
    std::string body;                      // bytes; may hold NULs
};

class HttpClient {
public:
    explicit HttpClient(const HttpOptions& options = HttpOptions()) : options_(options) {}

    // True when a whole reply was read, whatever its status; `extraHeaders`
    // are complete header lines without line ends.
    bool Get(const std::string& url, const std::vector<std::string>& extraHeaders, HttpResponse* response);
    // A null `contentType` sends "application/x-www-form-urlencoded".
    bool Post(const std::string& url, const std::vector<std::string>& extraHeaders, const void* body,
              size_t length, const char* contentType, HttpResponse* response);
    bool Receive(HttpSocket* socket, HttpResponse* response, uint64_t deadlineMicros);

private:
    bool Request(const char* method, const std::string& url, const std::vector<std::string>& extraHeaders,
                 const void* body, size_t length, const char* contentType, HttpResponse* response);

    HttpOptions options_;
};

// The request line and header lines, up to and including the empty line.
// A POST carries Content-Length and Content-Type (null: form-encoded).
std::string HttpRequestHead(const char* method, const HttpUrl& url, size_t bodyLength, const char* contentType,
                            const std::vector<std::string>& extraHeaders);

// The body of a 200 reply, or "" for any failure or any other status.
std::string HttpGet(const std::string& url, const HttpOptions& options = HttpOptions());
std::string HttpPost(const std::string& url, const std::vector<std::string>& extraHeaders, const void* body,
                     size_t length, const char* contentType, const HttpOptions& options = HttpOptions());
