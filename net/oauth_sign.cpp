// Signing a parameter array (HMAC-SHA1 or PLAINTEXT) and the two public
// forms of the result: a signed URL and an Authorization header line.
#include <cctype>

#include "net/hmac_sha1.h"
#include "net/oauth.h"
#include "net/oauth_params.h"
#include "platform/debug_log.h"

namespace OAuth {

bool SignArray(ParamArray* array, const std::string& body, int method, const char* httpMethod,
               const char* consumerKey, const char* consumerSecret, const char* token,
               const char* tokenSecret) {
    if (method != kHmacSha1 && method != kPlaintext) {
        LogError("OAuth signature method %d is not supported", method);
        return false;
    }
    std::string methodText = httpMethod ? httpMethod : (body.empty() ? "GET" : "POST");
    for (char& c : methodText) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    if (array->empty()) array->push_back(std::string());
    AddProtocolParams(array, method, consumerKey, token);
    // The body arrives form-encoded; its pairs are signed by their decoded
    // text so that the base string encodes them exactly once.
    if (!body.empty()) AddFormBodyParams(body, array);
    SortParams(array);

    std::string parameters = SerializeUrlParameters(*array);
    std::string key = CatEscaped({consumerSecret, tokenSecret});
    std::string signature;
    if (method == kPlaintext) {
        signature = key;
    } else {
        std::string baseString = CatEscaped({methodText.c_str(), (*array)[0].c_str(), parameters.c_str()});
        signature = HmacSha1Base64(baseString, key);
    }
    array->push_back("oauth_signature=" + signature);
    return true;
}

bool SignUrlCore(const std::string& url, const std::string& body, int method, const char* httpMethod,
                 const char* consumerKey, const char* consumerSecret, const char* token,
                 const char* tokenSecret, ParamArray* array) {
    array->clear();
    SplitUrlParams(url, array, body.empty() ? kSplitPlusIsSpace : 0);
    return SignArray(array, body, method, httpMethod, consumerKey, consumerSecret, token, tokenSecret);
}

std::string SignUrl(const std::string& url, std::string* body, int method, const char* httpMethod,
                    const char* consumerKey, const char* consumerSecret, const char* token,
                    const char* tokenSecret) {
    static const std::string kNoBody;
    const std::string& bodyText = body ? *body : kNoBody;
    ParamArray array;
    if (!SignUrlCore(url, bodyText, method, httpMethod, consumerKey, consumerSecret, token, tokenSecret, &array)) {
        return std::string();
    }
    if (bodyText.empty()) return SerializeUrl(array);
    *body = SerializeUrlParameters(array);
    return array[0];
}

std::string BuildAuthHeader(const std::string& url, const std::string& body, int method,
                            const char* httpMethod, const char* consumerKey, const char* consumerSecret,
                            const char* token, const char* tokenSecret) {
    ParamArray array;
    if (!SignUrlCore(url, body, method, httpMethod, consumerKey, consumerSecret, token, tokenSecret, &array)) {
        return std::string();
    }
    SortParams(&array);
    return "Authorization: OAuth " + SerializeParams(array, 1, ", ", kOnlyProtocol | kQuoteValues);
}

}  // namespace OAuth
