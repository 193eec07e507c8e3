// The steps of OAuth signing on a parameter array: element 0 is the base URL,
// every later element is "name=value" or a bare name. Exposed for the tests
// and for the signer's own files; callers use net/oauth.h.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace OAuth {

using ParamArray = std::vector<std::string>;

// SplitUrlParams modes.
enum SplitMode : int {
    kSplitPlusIsSpace = 1,   // '+' in the text stands for a space
    kSplitKeepByteOne = 2,   // leave byte 0x01 alone instead of reading it as '&'
};

// SerializeParams modes.
enum SerializeMode : int {
    kSkipProtocol = 1,   // leave out oauth_ and x_oauth_ parameters
    kOnlyProtocol = 2,   // keep only oauth_ and x_oauth_ parameters
    kQuoteValues = 4,    // name="value"
};

// Cuts the text at '&' and '?' and appends each piece, decoded, to the array.
// The first piece, when it is a URL, gets its scheme and host lower-cased,
// "/" for a bare host and no ":80"; it is kept encoded as the request sends it.
void SplitUrlParams(const std::string& text, ParamArray* array, int mode);
// Adds each name=value pair of an x-www-form-urlencoded body, decoded.
void AddFormBodyParams(const std::string& body, ParamArray* array);
bool ParamExists(const ParamArray& array, const std::string& name);
void AddProtocolParams(ParamArray* array, int method, const char* consumerKey, const char* token);
// Orders by encoded name, then by encoded value; a bare name has an empty value.
int CompareParams(const std::string& a, const std::string& b);
void SortParams(ParamArray* array);
std::string SerializeParams(const ParamArray& array, size_t start, const std::string& separator, int mode);
std::string SerializeUrl(const ParamArray& array);
std::string SerializeUrlParameters(const ParamArray& array);
// The texts percent-encoded and joined by '&'; a null text counts as "".
std::string CatEscaped(std::initializer_list<const char*> texts);
// Adds the protocol parameters and the body pairs, sorts, and appends
// oauth_signature. False (with a log line) for an unknown method code.
bool SignArray(ParamArray* array, const std::string& body, int method, const char* httpMethod,
               const char* consumerKey, const char* consumerSecret, const char* token,
               const char* tokenSecret);
// Splits `url` into a fresh array and signs it.
bool SignUrlCore(const std::string& url, const std::string& body, int method, const char* httpMethod,
                 const char* consumerKey, const char* consumerSecret, const char* token,
                 const char* tokenSecret, ParamArray* array);

}  // namespace OAuth
