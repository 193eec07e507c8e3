// "http://host[:port][/path]" split into its parts.
#pragma once

#include <cstdint>
#include <string>

struct HttpUrl {
    std::string host;
    uint16_t port = 0;
    std::string path;

    // Anything but "http://" (exactly) or a port outside 1-65535 gives the
    // empty result: host "", port 0, path "".
    static HttpUrl Parse(const std::string& url);
};
