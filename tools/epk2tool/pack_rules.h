// The build command's per-file choices: which files are compressed and which
// key row scrambles them, given as patterns on the path inside the pack.
#pragma once

#include <string>
#include <vector>

#include "tools/epk2tool/pack_writer.h"

// '*' matches any run of characters (also across '/'), '?' any one character;
// everything else matches itself.
bool MatchPattern(const char* pattern, const char* text);

class PackRules {
public:
    // "--zlib PATTERN", "--plain PATTERN" and "--row K:PATTERN"; false with a
    // message for a bad row. Later rules win over earlier ones.
    bool AddCompression(const std::string& pattern, PackCompression compression);
    bool AddRow(const std::string& option, std::string* error);

    // The options for `path` (inside the pack, no leading '/').
    PackFileOptions OptionsFor(const std::string& path) const;

private:
    struct Rule {
        std::string pattern;
        bool setsRow;
        PackCompression compression;
        int row;
    };
    std::vector<Rule> rules_;
};
