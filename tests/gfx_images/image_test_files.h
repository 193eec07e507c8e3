// Image files made at test time by libpng and ImageMagick, and headers built by hand (PVR, hostile cases).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Image;

struct ImageDeleter {
    void operator()(Image* image) const;
};
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;
std::vector<uint8_t> Pixels(const Image* image);

// A picture as tightly packed RGBA8 rows, top row first.
struct RawImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;

    const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// A deterministic pattern; with `opaque` every alpha is 255.
RawImage TestPattern(int width, int height, uint32_t seed, bool opaque);
std::vector<uint8_t> RgbOf(const RawImage& image);

struct PngLayout {
    int width = 0, height = 0;
    int colourType = 0;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint8_t> rows;     // packed samples, top row first
    std::vector<uint8_t> palette;  // RGB triples
    std::vector<uint8_t> alphas;   // tRNS entries
};
std::string WritePng(const PngLayout& layout);
// Noise samples from `seed`; callers add any palette.
PngLayout NoisePngLayout(int colourType, int bitDepth, bool interlaced, int width, int height, uint32_t seed);

// convert from `input` in `inFormat` to `output` ("BMP3:out.bmp"); "" when the tool is missing or fails.
std::string ConvertWithImageMagick(const std::string& input, const std::string& inFormat,
                                   const std::vector<std::string>& options, const std::string& output);
bool HaveImageMagick();

Image* DecodeBytes(const std::string& bytes);

// A legacy PVR file: 52-byte header and `data`.
std::string MakePvr(int32_t width, int32_t height, uint32_t flags, uint32_t bits, uint32_t dataSize,
                    const std::string& data, const char tag[4] = "PVR!");
// A DDS file with the FourCC and `data` behind the 128 header bytes.
std::string MakeDds(int32_t width, int32_t height, const char fourCc[4], const std::string& data);
// A bitmap with a 40-byte information header; rows as given (already padded).
std::string MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, uint32_t coloursUsed,
                    const std::string& rows, uint32_t dataOffset = 54);
