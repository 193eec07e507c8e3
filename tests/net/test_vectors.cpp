#include "tests/net/test_vectors.h"

#include <gtest/gtest.h>

#include <fstream>

std::string UnescapeVector(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t star = text.find('*', i);
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char c = text[++i];
            if (c == 'x') out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            else out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
            i += c == 'x' ? 2 : 0;
        } else if (text[i] == '{' && star != std::string::npos) {
            const size_t close = text.find('}', star);
            const std::string unit = UnescapeVector(text.substr(star + 1, close - star - 1));
            for (unsigned long n = std::stoul(text.substr(i + 1, star - i - 1)); n > 0; --n) out += unit;
            i = close;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::vector<std::string>> VectorRows(const std::string& file, const std::string& kind) {
    std::ifstream in(QM_NET_TEST_DIR "/data/" + file);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, kind.size(), kind) != 0) continue;
        std::vector<std::string> fields;
        for (size_t at = line.find(" | "); at != std::string::npos;) {
            const size_t next = line.find(" | ", at + 3);
            fields.push_back(UnescapeVector(line.substr(at + 3, next == std::string::npos ? next : next - at - 3)));
            at = next;
        }
        fields.insert(fields.begin(), line.substr(0, line.find(" | ")));
        rows.push_back(fields);
    }
    EXPECT_FALSE(rows.empty()) << kind << " in " << file;
    return rows;
}
