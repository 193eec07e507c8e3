// OAuth 1.0a request signing: signed GET URLs for the PIN flow and the
// Authorization header line for posts. Stateless; every call stands alone.
#pragma once

#include <string>

namespace OAuth {

enum SignatureMethod : int {
    kHmacSha1 = 0,
    kPlaintext = 2,
};

// Percent-encodes every byte outside 0-9 a-z A-Z _ ~ . - as %XX (upper-case).
std::string UrlEscape(const std::string& text);
std::string UrlEscape(const char* text);  // null gives ""
// "%" and two hex digits become that byte; any other "%" is kept as it is.
std::string UrlUnescape(const std::string& text);
// 15 to 30 characters from a-z A-Z 0-9 and "_", drawn from the system's
// random source so that two requests within one second still differ.
std::string GenerateNonce();

// The null pointers mean "none": no HTTP method (then POST with a body, GET
// without), no token, no token secret. A URL whose query already carries
// oauth_nonce or oauth_timestamp keeps them.
//
// Signs `url` and returns it with every parameter in its query, signature last.
// With a non-empty `*body` (a form body) the body is signed too, then replaced
// by all parameters form-encoded, and the result is the bare base URL.
// Returns "" for an unknown method code.
std::string SignUrl(const std::string& url, std::string* body, int method, const char* httpMethod,
                    const char* consumerKey, const char* consumerSecret, const char* token,
                    const char* tokenSecret);

// Returns `Authorization: OAuth name="value", ...` (no line end) carrying the
// oauth_ parameters only; the form body, signed alongside, stays where it is.
// Returns "" for an unknown method code.
std::string BuildAuthHeader(const std::string& url, const std::string& body, int method,
                            const char* httpMethod, const char* consumerKey, const char* consumerSecret,
                            const char* token, const char* tokenSecret);

}  // namespace OAuth
