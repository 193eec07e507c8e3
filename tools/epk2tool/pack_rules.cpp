// Pattern matching and the ordered rules of the build command.
#include "tools/epk2tool/pack_rules.h"

#include <cstdlib>

bool MatchPattern(const char* pattern, const char* text) {
    // Iterative with one backtrack point: linear enough for any path.
    const char* starPattern = nullptr;
    const char* starText = nullptr;
    while (*text) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starText = text;
        } else if (*pattern == '?' || *pattern == *text) {
            ++pattern;
            ++text;
        } else if (starPattern != nullptr) {
            pattern = starPattern;
            text = ++starText;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

bool PackRules::AddCompression(const std::string& pattern, PackCompression compression) {
    rules_.push_back(Rule{pattern, false, compression, 0});
    return true;
}

bool PackRules::AddRow(const std::string& option, std::string* error) {
    size_t colon = option.find(':');
    std::string row = option.substr(0, colon);
    if (colon == std::string::npos || row.size() != 1 || row[0] < '0' || row[0] > '4') {
        *error = "--row wants K:PATTERN with K from 0 to 4, not \"" + option + "\"";
        return false;
    }
    rules_.push_back(Rule{option.substr(colon + 1), true, PackCompression::kIfSmaller, row[0] - '0'});
    return true;
}

PackFileOptions PackRules::OptionsFor(const std::string& path) const {
    PackFileOptions options;
    for (const Rule& rule : rules_) {
        if (!MatchPattern(rule.pattern.c_str(), path.c_str())) continue;
        if (rule.setsRow) {
            options.scrambleRow = rule.row;
        } else {
            options.compression = rule.compression;
        }
    }
    return options;
}
