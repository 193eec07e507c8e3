// Image files made at test time by independent writers: libpng's writer,
// ImageMagick's convert, libjpeg's decoder for round trips, and byte-exact
// headers built by hand for the formats no tool here writes (PVR) or for
// hostile cases.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Image;

// Frees a decoded image when the test is done with it.
struct ImageDeleter {
    void operator()(Image* image) const;
};
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;
// Every byte of the image's data, palette included.
std::vector<uint8_t> Pixels(const Image* image);

// A picture as tightly packed RGBA8 rows, top row first.
struct RawImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;

    const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// A deterministic pattern; with `opaque` every alpha is 255.
RawImage TestPattern(int width, int height, uint32_t seed, bool opaque);
// The same rows without alpha.
std::vector<uint8_t> RgbOf(const RawImage& image);

struct PngLayout {
    int width = 0, height = 0;
    int colourType = 0;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint8_t> rows;     // the file's samples, packed as the format wants, top row first
    std::vector<uint8_t> palette;  // RGB triples
    std::vector<uint8_t> alphas;   // tRNS entries
};
// The file bytes from libpng's writer.
std::string WritePng(const PngLayout& layout);
// A layout whose samples are noise from `seed`; palette files get no palette
// here, their callers add one.
PngLayout NoisePngLayout(int colourType, int bitDepth, bool interlaced, int width, int height, uint32_t seed);

// Runs ImageMagick's convert from `input` bytes (in the format `inFormat`,
// such as "png") with `options`, writing `output` (such as "BMP3:out.bmp");
// returns the output file's bytes, or "" when the tool is missing or fails.
std::string ConvertWithImageMagick(const std::string& input, const std::string& inFormat,
                                   const std::vector<std::string>& options, const std::string& output);
bool HaveImageMagick();

// Decodes `bytes` through LoadImage from a memory stream.
Image* DecodeBytes(const std::string& bytes);

// A legacy PVR file: 52-byte header and `data`.
std::string MakePvr(int32_t width, int32_t height, uint32_t flags, uint32_t bits, uint32_t dataSize,
                    const std::string& data, const char tag[4] = "PVR!");
// A DDS file with the FourCC and `data` behind the 128 header bytes.
std::string MakeDds(int32_t width, int32_t height, const char fourCc[4], const std::string& data);
// A bitmap with a 40-byte information header; rows as given (already padded).
std::string MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, uint32_t coloursUsed,
                    const std::string& rows, uint32_t dataOffset = 54);
