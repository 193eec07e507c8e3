// Path joining and splitting on both separator kinds, as pack names use '/'
// and names coming from the effect files may use '\'.
#include "core/path_util.h"

#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The start of the last component.
const char* LastComponent(const char* path) {
    const char* start = path;
    for (const char* p = path; *p; ++p)
        if (IsSeparator(*p)) start = p + 1;
    return start;
}

}  // namespace

const char* GetFileExtension(const char* path) {
    const char* dot = strrchr(LastComponent(path), '.');
    return dot ? dot + 1 : nullptr;
}

std::string PathJoin(const char* directory, const char* name) {
    std::string joined = directory ? directory : "";
    if (joined.empty()) return name;
    if (IsSeparator(joined.back())) {
        joined += IsSeparator(name[0]) ? name + 1 : name;
    } else {
        if (!IsSeparator(name[0])) joined += '/';
        joined += name;
    }
    return joined;
}

std::string GetDirectoryPart(const char* path) {
    return std::string(path, static_cast<size_t>(LastComponent(path) - path));
}

std::string ReplaceExtension(const char* path, const char* extension) {
    const char* dot = strrchr(LastComponent(path), '.');
    std::string result = dot ? std::string(path, static_cast<size_t>(dot - path)) : path;
    result += '.';
    result += extension;
    return result;
}
