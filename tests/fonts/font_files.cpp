#include "tests/fonts/font_files.h"

#include <fstream>
#include <iterator>

std::vector<uint8_t> ReadFontFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
