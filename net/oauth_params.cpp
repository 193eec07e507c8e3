// Parameter arrays for OAuth signing: splitting a URL or a form body into
// parameters, adding the protocol parameters, ordering and serialising them.
#include "net/oauth_params.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "net/oauth.h"

namespace OAuth {
namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool IsProtocolParam(const std::string& param) {
    return StartsWith(param, "oauth_") || StartsWith(param, "x_oauth_");
}

void LowerCase(std::string* text, size_t begin, size_t end) {
    for (size_t i = begin; i < end && i < text->size(); ++i) {
        (*text)[i] = static_cast<char>(std::tolower(static_cast<unsigned char>((*text)[i])));
    }
}

// Brings a base URL into the form the signature covers: scheme and host in
// lower case, a path of at least "/", and no default port. The path stays as
// sent; the base string encodes it once more.
std::string NormalizeBaseUrl(std::string url) {
    size_t schemeEnd = url.find(":/");
    size_t hostBegin = schemeEnd + 2;
    while (hostBegin < url.size() && url[hostBegin] == '/') ++hostBegin;
    size_t hostEnd = url.find('/', hostBegin);
    if (hostEnd == std::string::npos) {
        url += '/';
        hostEnd = url.size() - 1;
    }
    LowerCase(&url, 0, schemeEnd);
    LowerCase(&url, hostBegin, hostEnd);
    if (hostEnd >= hostBegin + 3 && url.compare(hostEnd - 3, 3, ":80") == 0) {
        url.erase(hostEnd - 3, 3);
    }
    return url;
}

void SplitPair(const std::string& param, std::string* name, std::string* value) {
    size_t eq = param.find('=');
    if (eq == std::string::npos) {
        *name = param;
        value->clear();
    } else {
        *name = param.substr(0, eq);
        *value = param.substr(eq + 1);
    }
}

}  // namespace

void SplitUrlParams(const std::string& text, ParamArray* array, int mode) {
    std::string copy = text;
    if (mode & kSplitPlusIsSpace) std::replace(copy.begin(), copy.end(), '+', ' ');

    bool firstToken = true;
    size_t pos = 0;
    while (pos <= copy.size()) {
        size_t end = copy.find_first_of("&?", pos);
        if (end == std::string::npos) end = copy.size();
        std::string token = copy.substr(pos, end - pos);
        pos = end + 1;
        if (token.empty()) continue;

        bool isFirst = firstToken;
        firstToken = false;
        if (StartsWith(token, "oauth_signature=")) continue;
        if (!(mode & kSplitKeepByteOne)) std::replace(token.begin(), token.end(), '\x01', '&');
        if (isFirst && token.find(":/") != std::string::npos) {
            array->push_back(NormalizeBaseUrl(token));
        } else {
            array->push_back(UrlUnescape(token));
        }
    }
}

void AddFormBodyParams(const std::string& body, ParamArray* array) {
    size_t pos = 0;
    while (pos <= body.size()) {
        size_t end = body.find('&', pos);
        if (end == std::string::npos) end = body.size();
        std::string pair = body.substr(pos, end - pos);
        pos = end + 1;
        if (pair.empty()) continue;

        std::replace(pair.begin(), pair.end(), '+', ' ');
        size_t eq = pair.find('=');
        if (eq == std::string::npos) {
            array->push_back(UrlUnescape(pair));
        } else {
            array->push_back(UrlUnescape(pair.substr(0, eq)) + "=" + UrlUnescape(pair.substr(eq + 1)));
        }
    }
}

bool ParamExists(const ParamArray& array, const std::string& name) {
    std::string prefix = name + "=";
    for (const std::string& param : array) {
        if (StartsWith(param, prefix.c_str())) return true;
    }
    return false;
}

void AddProtocolParams(ParamArray* array, int method, const char* consumerKey, const char* token) {
    if (!ParamExists(*array, "oauth_nonce")) array->push_back("oauth_nonce=" + GenerateNonce());
    if (!ParamExists(*array, "oauth_timestamp")) {
        array->push_back("oauth_timestamp=" + std::to_string(static_cast<long>(std::time(nullptr))));
    }
    if (token) array->push_back(std::string("oauth_token=") + token);
    array->push_back(std::string("oauth_consumer_key=") + (consumerKey ? consumerKey : ""));
    array->push_back(std::string("oauth_signature_method=") + (method == kPlaintext ? "PLAINTEXT" : "HMAC-SHA1"));
    if (!ParamExists(*array, "oauth_version")) array->push_back("oauth_version=1.0");
}

int CompareParams(const std::string& a, const std::string& b) {
    std::string nameA, valueA, nameB, valueB;
    SplitPair(a, &nameA, &valueA);
    SplitPair(b, &nameB, &valueB);
    int byName = UrlEscape(nameA).compare(UrlEscape(nameB));
    if (byName != 0) return byName;
    return UrlEscape(valueA).compare(UrlEscape(valueB));
}

void SortParams(ParamArray* array) {
    if (array->size() < 2) return;
    std::stable_sort(array->begin() + 1, array->end(),
                     [](const std::string& a, const std::string& b) { return CompareParams(a, b) < 0; });
}

std::string SerializeParams(const ParamArray& array, size_t start, const std::string& separator, int mode) {
    std::string out;
    bool needSeparator = false;
    for (size_t i = start; i < array.size(); ++i) {
        const std::string& param = array[i];
        bool isProtocol = IsProtocolParam(param);
        if ((mode & kSkipProtocol) && isProtocol) continue;
        if ((mode & kOnlyProtocol) && !isProtocol && i != 0) continue;

        if (needSeparator) out += separator;
        if (start == 0 && i == 0 && param.find(":/") != std::string::npos) {
            out += param;
            out += '?';
            needSeparator = false;
            continue;
        }
        size_t eq = param.find('=');
        if (eq == std::string::npos) {
            out += UrlEscape(param);
            out += '=';
        } else {
            out += UrlEscape(param.substr(0, eq));
            out += '=';
            std::string value = UrlEscape(param.substr(eq + 1));
            out += (mode & kQuoteValues) ? "\"" + value + "\"" : value;
        }
        needSeparator = true;
    }
    return out;
}

std::string SerializeUrl(const ParamArray& array) {
    return SerializeParams(array, 0, "&", 0);
}

std::string SerializeUrlParameters(const ParamArray& array) {
    return SerializeParams(array, 1, "&", 0);
}

}  // namespace OAuth
