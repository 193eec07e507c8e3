// The URL opener seam and the check every URL passes before it is opened.
#include "platform/url_opener.h"

#include "platform/debug_log.h"

namespace {

UrlOpener& Opener() {
    static auto* opener = new UrlOpener;
    return *opener;
}

bool IsWebUrl(const std::string& url) {
    if (url.compare(0, 7, "http://") != 0 && url.compare(0, 8, "https://") != 0) return false;
    for (char c : url) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) return false;
    }
    return true;
}

// The query may carry signatures; the log names the page only.
std::string WithoutQuery(const std::string& url) { return url.substr(0, url.find('?')); }

}  // namespace

UrlOpener SetUrlOpener(UrlOpener opener) {
    UrlOpener old = std::move(Opener());
    Opener() = std::move(opener);
    return old;
}

bool OpenUrl(const std::string& url) {
    if (!IsWebUrl(url)) {
        LogError("not a web address, not opened: \"%s\"", WithoutQuery(url).c_str());
        return false;
    }
    if (!Opener()) {
        LogError("no browser launcher to open \"%s\"", WithoutQuery(url).c_str());
        return false;
    }
    if (Opener()(url)) return true;
    LogFailed("open \"%s\" in a browser", WithoutQuery(url).c_str());
    return false;
}
