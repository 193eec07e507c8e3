// The system fonts the font tests render with, read into memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kLatinFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kJapaneseFontPath = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

// The file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadFontFile(const char* path);
