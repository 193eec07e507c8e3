// Builds the request text, sends it and reads the reply for HttpGet and HttpPost.
#include "net/http_client.h"

#include "net/http_cancel.h"
#include "net/http_socket.h"
#include "net/http_url.h"
#include "platform/debug_log.h"
#include "platform/threads.h"

namespace {

constexpr char kUserAgent[] = "briskpost";

// Header text from the caller or the URL must not be able to start a new
// line of the request.
bool HasLineBreakOrControl(const std::string& text) {
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t') return true;
        if (byte == 0x7F) return true;
    }
    return false;
}

// Log lines name the endpoint without its query, which carries signatures.
std::string UrlForLog(const std::string& url) {
    return url.substr(0, url.find('?'));
}

uint64_t DeadlineAfter(int milliseconds) {
    return GetTimeMicros() + static_cast<uint64_t>(milliseconds > 0 ? milliseconds : 0) * 1000;
}

}  // namespace

std::string HttpRequestHead(const char* method, const HttpUrl& url, size_t bodyLength, const char* contentType,
                            const std::vector<std::string>& extraHeaders) {
    bool isPost = std::string(method) == "POST";
    std::string text = std::string(method) + " " + url.path + " HTTP/1.1\r\n";
    text += std::string("User-Agent: ") + kUserAgent + "\r\n";
    text += "Host: " + url.host;
    if (url.port != 80) text += ":" + std::to_string(url.port);
    text += "\r\n";
    if (isPost) {
        text += "Content-Length: " + std::to_string(bodyLength) + "\r\n";
        text += "Content-Type: ";
        text += contentType ? contentType : "application/x-www-form-urlencoded";
        text += "\r\n";
    }
    // One request per connection; the server may close as soon as it replied.
    text += "Connection: close\r\n";
    for (const std::string& line : extraHeaders) text += line + "\r\n";
    text += "\r\n";
    return text;
}

bool HttpClient::Get(const std::string& url, const std::vector<std::string>& extraHeaders, HttpResponse* response) {
    return Request("GET", url, extraHeaders, nullptr, 0, nullptr, response);
}

bool HttpClient::Post(const std::string& url, const std::vector<std::string>& extraHeaders, const void* body,
                      size_t length, const char* contentType, HttpResponse* response) {
    return Request("POST", url, extraHeaders, body, length, contentType, response);
}

bool HttpClient::Request(const char* method, const std::string& url, const std::vector<std::string>& extraHeaders,
                         const void* body, size_t length, const char* contentType, HttpResponse* response) {
    *response = HttpResponse();
    HttpUrl parsed = HttpUrl::Parse(url);
    if (parsed.host.empty()) {
        LogFailed("request \"%s\": not an http:// URL with a host", UrlForLog(url).c_str());
        return false;
    }
    bool isPost = std::string(method) == "POST";
    std::string type = contentType ? contentType : "application/x-www-form-urlencoded";
    bool unsafe = HasLineBreakOrControl(parsed.host) || HasLineBreakOrControl(parsed.path) ||
                  parsed.path.find(' ') != std::string::npos || (isPost && HasLineBreakOrControl(type));
    for (const std::string& line : extraHeaders) unsafe = unsafe || HasLineBreakOrControl(line);
    if (unsafe) {
        LogFailed("request \"%s\": a control character in the URL or a header line", UrlForLog(url).c_str());
        return false;
    }
    if (isPost && length > 0 && !body) {
        LogFailed("request \"%s\": %zu body bytes but no body", UrlForLog(url).c_str(), length);
        return false;
    }

    std::string text = HttpRequestHead(method, parsed, length, contentType, extraHeaders);

    if (options_.cancel != nullptr && options_.cancel->IsCancelled()) return false;  // whoever cancelled knows why
    uint64_t deadline = DeadlineAfter(options_.requestTimeoutMs);
    HttpSocket socket(options_.cancel);
    if (!socket.Connect(parsed.host, parsed.port, options_.connectTimeoutMs)) return false;
    if (!socket.SendAll(text.data(), text.size(), options_.ioTimeoutMs, deadline)) return false;
    if (isPost && length > 0 && !socket.SendAll(body, length, options_.ioTimeoutMs, deadline)) return false;
    return Receive(&socket, response, deadline);
}

bool HttpClient::Receive(HttpSocket* socket, HttpResponse* response, uint64_t deadlineMicros) {
    *response = HttpResponse();
    HttpResponseReader reader(options_.limits);
    char buffer[4096];
    HttpResponseReader::State state = HttpResponseReader::State::kNeedMore;
    while (state == HttpResponseReader::State::kNeedMore) {
        long got = socket->Receive(buffer, sizeof(buffer), options_.ioTimeoutMs, deadlineMicros);
        if (got < 0) return false;
        state = got == 0 ? reader.FinishAtEof() : reader.Feed(buffer, static_cast<size_t>(got));
    }
    if (state == HttpResponseReader::State::kFailed) {
        LogFailed("read the HTTP reply (%s)", reader.error().c_str());
        return false;
    }
    response->status = reader.status();
    response->headerLines = reader.headerLines();
    response->body = reader.body();
    return true;
}

namespace {

std::string BodyOfSuccess(bool received, const HttpResponse& response, const char* method, const std::string& url) {
    if (!received) return std::string();
    if (response.status != 200) {
        LogError("%s %s answered status %d", method, UrlForLog(url).c_str(), response.status);
        return std::string();
    }
    return response.body;
}

}  // namespace

std::string HttpGet(const std::string& url, const HttpOptions& options) {
    HttpClient client(options);
    HttpResponse response;
    bool received = client.Get(url, {}, &response);
    return BodyOfSuccess(received, response, "GET", url);
}

std::string HttpPost(const std::string& url, const std::vector<std::string>& extraHeaders, const void* body,
                     size_t length, const char* contentType, const HttpOptions& options) {
    HttpClient client(options);
    HttpResponse response;
    bool received = client.Post(url, extraHeaders, body, length, contentType, &response);
    return BodyOfSuccess(received, response, "POST", url);
}
