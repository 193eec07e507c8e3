// The micro-blog service's REST calls: the PIN-based OAuth 1.0a authorisation
// that fills the access pair, and the two status posts (form and multipart).
// Synchronous on the calling thread; every failure is a 0 / false result with
// a debug-log line saying why.
#pragma once

#include <cstddef>
#include <string>

#include "net/http_client.h"

struct OAuthCredentials;

// Where the calls go: "host" or "host:port" (plain HTTP), and the time limits.
struct MicroblogService {
    std::string host;
    HttpOptions http;

    // The build's host (QM_MICROBLOG_HOST) with the client's default limits.
    static MicroblogService BuiltIn();
};

enum MicroblogEndpoint : int {
    kEndpointRequestToken = 0,
    kEndpointAuthorize = 1,
    kEndpointAccessToken = 2,
    kEndpointUpdateStatus = 3,
    kEndpointUpdateWithMedia = 4,
};

namespace MicroblogApi {

constexpr char kMultipartBoundary[] = "asdfghjkl";
constexpr size_t kTokenSize = 256;  // token buffers: at most 255 characters and the NUL

// Gets the user's PIN for the signed authorise URL into `pin` (kTokenSize
// bytes, cleared beforehand); non-zero when a PIN was entered.
using PinCallback = int (*)(void* user, const char* authorizeUrl, char* pin);

// "http://" + host + the endpoint's path.
std::string EndpointUrl(const MicroblogService& service, int endpoint);

// Reads a form-encoded token reply ("oauth_token=...&oauth_token_secret=...").
// True when both values are present and each decodes to 1-255 printable
// ASCII characters without '=' or '&' (so it is safe to sign and to store as
// a settings line); only then are the outputs (when given) written.
bool ParseTokenReply(const std::string& reply, char* token, char* secret);

// Request token, the PIN callback with the signed authorise URL, access
// token. 1 when the credentials' access pair was replaced by a valid new
// pair; 0 otherwise, the stored pair unchanged.
int Authorize(OAuthCredentials* credentials, PinCallback callback, void* user,
              const MicroblogService& service = MicroblogService::BuiltIn());

// The PIN flow in its parts, for a caller that runs the two requests away
// from its own thread (the launcher's link); Authorize strings them together.
enum PinFlowStep : int { kRequestTokenStep, kAccessTokenStep };

struct RequestToken {
    char token[kTokenSize] = {};
    char secret[kTokenSize] = {};
};

// What one token request came back with.
struct TokenReply {
    bool received = false;  // a whole reply arrived, whatever its status
    int status = 0;
    std::string body;
};

std::string RequestTokenUrl(const OAuthCredentials& credentials, const MicroblogService& service);
// Touches nothing shared, so it may run on any thread.
TokenReply FetchTokenReply(const std::string& url, const HttpOptions& options);
// The token pair of `step`'s reply. On failure one log line that tells a
// service that could not be reached from one that refused (the consumer key
// at the request token, the PIN at the access token) and from a reply
// without a usable pair.
bool ReadTokenReply(const TokenReply& reply, PinFlowStep step, char* token, char* secret);
std::string AuthorizeUrl(const OAuthCredentials& credentials, const RequestToken& request,
                         const MicroblogService& service);
// For the PIN as typed (blanks around it dropped); "" with a log line when
// no PIN was entered.
std::string AccessTokenUrl(const OAuthCredentials& credentials, const RequestToken& request, const char* pin,
                           const MicroblogService& service);
// Puts the access pair of the reply into `credentials`; false (the stored
// pair unchanged) as ReadTokenReply.
bool StoreAccessToken(OAuthCredentials* credentials, const TokenReply& reply);

// Posts `text` (UTF-8) as a form body; true when the service answered 200 with a body.
bool UpdateStatus(const OAuthCredentials& credentials, const std::string& text,
                  const MicroblogService& service = MicroblogService::BuiltIn());
// Posts `text` and a file as multipart/form-data; the same result.
bool UpdateStatusWithMedia(const OAuthCredentials& credentials, const std::string& text, const std::string& fileName,
                           const void* data, size_t size,
                           const MicroblogService& service = MicroblogService::BuiltIn());

// The multipart body of a media post. The boundary is kMultipartBoundary
// unless it occurs in the text, the file name or the data; then a longer one
// that does not.
std::string BuildMultipartBody(const std::string& text, const std::string& fileName, const void* data, size_t size,
                               std::string* boundary);

}  // namespace MicroblogApi
