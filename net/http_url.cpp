// Parses the plain-HTTP URLs of the micro-blog endpoints.
#include "net/http_url.h"

namespace {

// Strict decimal 1-65535; 0 for anything else.
uint16_t ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5) return 0;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value <= 65535 ? static_cast<uint16_t>(value) : 0;
}

}  // namespace

HttpUrl HttpUrl::Parse(const std::string& url) {
    static const std::string kScheme = "http://";
    HttpUrl result;
    if (url.compare(0, kScheme.size(), kScheme) != 0) return result;

    size_t pathStart = url.find('/', kScheme.size());
    std::string authority = url.substr(kScheme.size(), pathStart == std::string::npos ? std::string::npos
                                                                                     : pathStart - kScheme.size());
    std::string path = pathStart == std::string::npos ? "/" : url.substr(pathStart);

    uint16_t port = 80;
    size_t colon = authority.find(':');
    if (colon != std::string::npos) {
        port = ParsePort(authority.substr(colon + 1));
        if (port == 0) return result;
        authority.resize(colon);
    }
    result.host = authority;
    result.port = port;
    result.path = path;
    return result;
}
