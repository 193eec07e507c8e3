// The five endpoints, the PIN flow and the two posts, over the HTTP client
// and the OAuth signer.
#include "net/microblog_api.h"

#include <algorithm>
#include <cstring>

#include "net/oauth.h"
#include "net/oauth_credentials.h"
#include "platform/debug_log.h"

namespace MicroblogApi {
namespace {

const char* const kEndpointPaths[] = {
    "/oauth/request_token",
    "/oauth/authorize",
    "/oauth/access_token",
    "/1.1/statuses/update.json",
    "/1.1/statuses/update_with_media.json",
};

constexpr char kTokenKey[] = "oauth_token=";
constexpr char kSecretKey[] = "oauth_token_secret=";

bool StartsWith(const std::string& text, const char* prefix) { return text.compare(0, strlen(prefix), prefix) == 0; }

// A reply value is form-encoded: '+' is a space, %XX a byte.
std::string FormDecode(std::string value) {
    for (char& c : value) {
        if (c == '+') c = ' ';
    }
    return OAuth::UrlUnescape(value);
}

// Token values are signed, sent in URLs and stored as "key=value" settings
// lines, so only visible ASCII that cannot split a pair is accepted.
bool IsUsableTokenValue(const std::string& value) {
    if (value.empty() || value.size() >= kTokenSize) return false;
    for (char c : value) {
        if (c < 0x21 || c > 0x7E || c == '=' || c == '&') return false;
    }
    return true;
}

void CopyToken(char* to, const std::string& value) {
    if (to == nullptr) return;
    memcpy(to, value.c_str(), value.size() + 1);
}

// The PIN as typed may carry surrounding blanks; anything else in it is sent
// escaped so it stays one parameter.
std::string TrimmedPin(const char* pin) {
    std::string text(pin, strnlen(pin, kTokenSize - 1));
    const char* blanks = " \t\r\n\f\v";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool SafeInQuotedHeader(const std::string& fileName) {
    return fileName.find_first_of("\"\r\n", 0, 3) == std::string::npos && fileName.find('\0') == std::string::npos;
}

// One line for the outcome of a post; the client has logged a request that got no reply.
bool PostAccepted(const char* what, bool received, const HttpResponse& response) {
    bool accepted = received && response.status == 200 && !response.body.empty();
    if (accepted) {
        DebugPrint("micro-blog: %s accepted", what);
    } else if (received) {
        LogError("micro-blog: %s refused (status %d)", what, response.status);
    }
    return accepted;
}

bool Contains(const void* data, size_t size, const std::string& needle) {
    const char* bytes = static_cast<const char*>(data);
    return std::search(bytes, bytes + size, needle.begin(), needle.end()) != bytes + size;
}

}  // namespace

std::string EndpointUrl(const MicroblogService& service, int endpoint) {
    if (endpoint < 0 || endpoint > kEndpointUpdateWithMedia) return std::string();
    return "http://" + service.host + kEndpointPaths[endpoint];
}

bool ParseTokenReply(const std::string& reply, char* token, char* secret) {
    std::string tokenValue, secretValue;
    bool haveToken = false, haveSecret = false;
    size_t at = 0;
    while (at <= reply.size()) {
        size_t end = reply.find('&', at);
        if (end == std::string::npos) end = reply.size();
        std::string piece = reply.substr(at, end - at);
        if (StartsWith(piece, kTokenKey)) {
            tokenValue = FormDecode(piece.substr(strlen(kTokenKey)));
            haveToken = true;
        } else if (StartsWith(piece, kSecretKey)) {
            secretValue = FormDecode(piece.substr(strlen(kSecretKey)));
            haveSecret = true;
        }
        at = end + 1;
    }
    if (!haveToken || !haveSecret || !IsUsableTokenValue(tokenValue) || !IsUsableTokenValue(secretValue)) {
        return false;
    }
    CopyToken(token, tokenValue);
    CopyToken(secret, secretValue);
    return true;
}

std::string RequestTokenUrl(const OAuthCredentials& credentials, const MicroblogService& service) {
    // Out-of-band: the service shows the PIN instead of calling back.
    return OAuth::SignUrl(EndpointUrl(service, kEndpointRequestToken) + "?oauth_callback=oob", nullptr,
                          OAuth::kHmacSha1, "GET", credentials.consumerKey, credentials.consumerSecret, nullptr,
                          nullptr);
}

TokenReply FetchTokenReply(const std::string& url, const HttpOptions& options) {
    HttpResponse response;
    TokenReply reply;
    reply.received = HttpClient(options).Get(url, {}, &response);  // the client logged why not
    reply.status = response.status;
    reply.body = std::move(response.body);
    return reply;
}

bool ReadTokenReply(const TokenReply& reply, PinFlowStep step, char* token, char* secret) {
    const char* request = step == kRequestTokenStep ? "request-token" : "access-token";
    if (!reply.received) {
        LogError("micro-blog: authorisation failed: the service could not be reached (%s request)", request);
    } else if (reply.status != 200) {
        LogError("micro-blog: authorisation failed: the service refused %s (status %d)",
                 step == kRequestTokenStep ? "the game's consumer key" : "the PIN", reply.status);
    } else if (!ParseTokenReply(reply.body, token, secret)) {
        LogError("micro-blog: authorisation failed: the %s reply holds no usable token pair", request);
    } else {
        return true;
    }
    return false;
}

std::string AuthorizeUrl(const OAuthCredentials& credentials, const RequestToken& request,
                         const MicroblogService& service) {
    return OAuth::SignUrl(EndpointUrl(service, kEndpointAuthorize), nullptr, OAuth::kHmacSha1, "GET",
                          credentials.consumerKey, credentials.consumerSecret, request.token, request.secret);
}

std::string AccessTokenUrl(const OAuthCredentials& credentials, const RequestToken& request, const char* pin,
                           const MicroblogService& service) {
    std::string verifier = TrimmedPin(pin);
    if (verifier.empty()) {
        DebugPrint("micro-blog: no PIN entered");
        return std::string();
    }
    return OAuth::SignUrl(EndpointUrl(service, kEndpointAccessToken) + "?oauth_verifier=" + OAuth::UrlEscape(verifier),
                          nullptr, OAuth::kHmacSha1, "GET", credentials.consumerKey, credentials.consumerSecret,
                          request.token, request.secret);
}

bool StoreAccessToken(OAuthCredentials* credentials, const TokenReply& reply) {
    char accessToken[kTokenSize], accessSecret[kTokenSize];
    if (!ReadTokenReply(reply, kAccessTokenStep, accessToken, accessSecret)) return false;
    credentials->SetAccessToken(accessToken);
    credentials->SetAccessTokenSecret(accessSecret);
    DebugPrint("micro-blog: account linked");
    return true;
}

int Authorize(OAuthCredentials* credentials, PinCallback callback, void* user, const MicroblogService& service) {
    RequestToken request;
    TokenReply reply = FetchTokenReply(RequestTokenUrl(*credentials, service), service.http);
    if (!ReadTokenReply(reply, kRequestTokenStep, request.token, request.secret)) return 0;
    char pin[kTokenSize] = {};
    if (callback == nullptr || callback(user, AuthorizeUrl(*credentials, request, service).c_str(), pin) == 0) {
        DebugPrint("micro-blog: authorisation cancelled");
        return 0;
    }
    std::string accessUrl = AccessTokenUrl(*credentials, request, pin, service);
    if (accessUrl.empty()) return 0;
    return StoreAccessToken(credentials, FetchTokenReply(accessUrl, service.http)) ? 1 : 0;
}

bool UpdateStatus(const OAuthCredentials& credentials, const std::string& text, const MicroblogService& service) {
    std::string url = EndpointUrl(service, kEndpointUpdateStatus);
    std::string body = "status=" + OAuth::UrlEscape(text);
    std::string header =
        OAuth::BuildAuthHeader(url, body, OAuth::kHmacSha1, "POST", credentials.consumerKey,
                               credentials.consumerSecret, credentials.accessToken, credentials.accessTokenSecret);
    HttpResponse response;
    bool received = HttpClient(service.http).Post(url, {header}, body.data(), body.size(), nullptr, &response);
    return PostAccepted("status post", received, response);
}

std::string BuildMultipartBody(const std::string& text, const std::string& fileName, const void* data, size_t size,
                               std::string* boundary) {
    std::string chosen = kMultipartBoundary;
    while (text.find(chosen) != std::string::npos || fileName.find(chosen) != std::string::npos ||
           Contains(data, size, chosen)) {
        chosen = std::string(kMultipartBoundary) + OAuth::GenerateNonce();
    }
    std::string body;
    body.reserve(size + text.size() + fileName.size() + 2 * chosen.size() + 256);
    body += "--" + chosen + "\r\n";
    body += "Content-Disposition: form-data; name=\"status\"\r\n";
    body += "Content-Type: text/plain; charset=UTF-8\r\n\r\n";
    body += text + "\r\n";
    body += "--" + chosen + "\r\n";
    body += "Content-Disposition: form-data; name=\"media[]\"; filename=\"" + fileName + "\"\r\n";
    body += "Content-Type: application/octet-stream\r\n\r\n";
    body.append(static_cast<const char*>(data), size);
    body += "\r\n--" + chosen + "--";
    *boundary = chosen;
    return body;
}

bool UpdateStatusWithMedia(const OAuthCredentials& credentials, const std::string& text, const std::string& fileName,
                           const void* data, size_t size, const MicroblogService& service) {
    if (!SafeInQuotedHeader(fileName) || (data == nullptr && size != 0)) {
        LogError("micro-blog: media post with an unusable file name or data");
        return false;
    }
    std::string url = EndpointUrl(service, kEndpointUpdateWithMedia);
    // The multipart body is not part of the signature.
    std::string header =
        OAuth::BuildAuthHeader(url, std::string(), OAuth::kHmacSha1, "POST", credentials.consumerKey,
                               credentials.consumerSecret, credentials.accessToken, credentials.accessTokenSecret);
    std::string boundary;
    std::string body = BuildMultipartBody(text, fileName, data != nullptr ? data : "", size, &boundary);
    std::string contentType = "multipart/form-data; boundary=" + boundary;
    HttpResponse response;
    bool received =
        HttpClient(service.http).Post(url, {header}, body.data(), body.size(), contentType.c_str(), &response);
    return PostAccepted("media post", received, response);
}

}  // namespace MicroblogApi

MicroblogService MicroblogService::BuiltIn() {
    MicroblogService service;
    service.host = BuiltInMicroblogHost();
    return service;
}
