// What the sample generators share to write their pictures and files: a
// plain 8-bit RGBA canvas and writers that name the tool and the file when a
// write fails. Everything else about drawing stays with each generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Writes `size` bytes as the whole file.
bool WriteWholeFile(const std::string& path, const void* data, size_t size);
inline bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    return WriteWholeFile(path, bytes.data(), bytes.size());
}
inline bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteWholeFile(path, bytes.data(), bytes.size());
}

// Writes `width` x `height` RGBA pixels, rows top to bottom, as a PNG file.
bool WriteRgbaPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

// Starts fully transparent black; points outside are ignored.
struct RgbaCanvas {
    int width, height;
    std::vector<uint8_t> rgba;

    RgbaCanvas(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
    void Set(int x, int y, uint32_t rgb, uint8_t alpha = 255) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = rgb >> 16 & 0xFF, p[1] = rgb >> 8 & 0xFF, p[2] = rgb & 0xFF, p[3] = alpha;
    }
    bool Write(const std::string& path) const { return WriteRgbaPng(path, width, height, rgba); }
};
