// Case-insensitive fallback for names of the operating system, walking the
// path one folder at a time.
#include "fs/path_case.h"

#include <vector>

#include "platform/directory_walk.h"
#include "platform/files.h"

namespace {

bool Exists(const std::string& path) { return IsDirectory(path.c_str()) || FileExists(path.c_str()); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

bool FindPathIgnoringCase(const std::string& path, std::string* found) {
    std::string normalized = NormalizePath(path.c_str());
    if (normalized.empty() || Exists(normalized)) return false;
    std::string current = normalized[0] == '/' ? "/" : "";
    bool changed = false;
    size_t start = 0;
    while (start <= normalized.size()) {
        size_t slash = normalized.find('/', start);
        if (slash == std::string::npos) slash = normalized.size();
        std::string part = normalized.substr(start, slash - start);
        start = slash + 1;
        if (part.empty()) continue;
        std::string exact = Join(current, part);
        if (Exists(exact)) {
            current = exact;
            continue;
        }
        std::vector<DirectoryEntryInfo> entries;
        if (!ListDirectory(current.empty() ? "." : current.c_str(), &entries)) return false;
        const DirectoryEntryInfo* match = nullptr;
        for (const DirectoryEntryInfo& entry : entries) {
            if (EqualIgnoringCase(entry.name, part)) {
                match = &entry;
                break;
            }
        }
        if (match == nullptr) return false;
        current = Join(current, match->name);
        changed = true;
    }
    if (!changed) return false;
    *found = current;
    return true;
}
