#include "tests/gfx_images/image_test_files.h"

#include <png.h>
#include <unistd.h>

#include <cstdlib>

#include "fs/stream.h"
#include "gfx/image_file.h"
#include "tests/support/temp_dir.h"

void ImageDeleter::operator()(Image* image) const { Image::Free(image); }

std::vector<uint8_t> Pixels(const Image* image) {
    return std::vector<uint8_t>(image->pixels, image->pixels + image->dataSize);
}

RawImage TestPattern(int width, int height, uint32_t seed, bool opaque) {
    RawImage image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < image.rgba.size(); ++i) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        image.rgba[i] = opaque && i % 4 == 3 ? 255 : static_cast<uint8_t>(state >> 7);
    }
    return image;
}

std::vector<uint8_t> RgbOf(const RawImage& image) {
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < image.rgba.size(); i += 4) rgb.insert(rgb.end(), &image.rgba[i], &image.rgba[i] + 3);
    return rgb;
}

PngLayout NoisePngLayout(int colourType, int bitDepth, bool interlaced, int width, int height, uint32_t seed) {
    PngLayout layout{width, height, colourType, bitDepth, interlaced, {}, {}, {}};
    const int channels = colourType == 2 ? 3 : colourType == 6 ? 4 : 1;
    const size_t rowBytes = (static_cast<size_t>(width) * channels * bitDepth + 7) / 8;
    RawImage noise = TestPattern(static_cast<int>(rowBytes), height, seed, false);
    layout.rows.assign(noise.rgba.begin(), noise.rgba.begin() + static_cast<long>(rowBytes) * height);
    return layout;
}

std::string WritePng(const PngLayout& layout) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return std::string();
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t length) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), length);
        },
        [](png_structp) {});
    png_set_check_for_invalid_index(png, 0);  // tests write indices beyond the palette on purpose
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colours;
    for (size_t i = 0; i + 2 < layout.palette.size(); i += 3)
        colours.push_back(png_color{layout.palette[i], layout.palette[i + 1], layout.palette[i + 2]});
    if (!colours.empty()) png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    if (!layout.alphas.empty())
        png_set_tRNS(png, info, const_cast<png_bytep>(layout.alphas.data()), static_cast<int>(layout.alphas.size()), nullptr);
    png_write_info(png, info);
    const size_t rowBytes = layout.rows.size() / static_cast<size_t>(layout.height);
    std::vector<png_bytep> rows(static_cast<size_t>(layout.height));
    for (int y = 0; y < layout.height; ++y) rows[y] = const_cast<png_bytep>(&layout.rows[y * rowBytes]);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

bool HaveImageMagick() {
#ifdef QM_IMAGEMAGICK_CONVERT
    return access(QM_IMAGEMAGICK_CONVERT, X_OK) == 0;
#else
    return false;
#endif
}

std::string ConvertWithImageMagick(const std::string& input, const std::string& inFormat,
                                   const std::vector<std::string>& options, const std::string& output) {
#ifdef QM_IMAGEMAGICK_CONVERT
    if (!HaveImageMagick()) return std::string();
    TempDir dir;
    std::string in = dir.File("in." + inFormat);
    if (!dir.Write("in." + inFormat, input)) return std::string();
    std::string command = std::string("'") + QM_IMAGEMAGICK_CONVERT + "' '" + inFormat + ":" + in + "'";
    for (const std::string& option : options) command += " '" + option + "'";
    size_t colon = output.find(':');
    std::string outName = colon == std::string::npos ? output : output.substr(colon + 1);
    std::string prefix = colon == std::string::npos ? std::string() : output.substr(0, colon + 1);
    command += " '" + prefix + dir.File(outName) + "' 2>/dev/null";
    if (system(command.c_str()) != 0) return std::string();
    return dir.Read(outName);
#else
    return std::string();
#endif
}

Image* DecodeBytes(const std::string& bytes) {
    Stream* stream = MemoryStream(const_cast<char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), false, nullptr);
    if (stream == nullptr) return nullptr;
    Image* image = LoadImage(stream, nullptr);
    stream->Release();
    return image;
}

namespace {

std::string Words(std::initializer_list<uint32_t> values) {
    std::string out;
    for (uint32_t value : values) out += {static_cast<char>(value), static_cast<char>(value >> 8),
                                          static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    return out;
}

}  // namespace

std::string MakePvr(int32_t width, int32_t height, uint32_t flags, uint32_t bits, uint32_t dataSize,
                    const std::string& data, const char tag[4]) {
    // Header size, height, width, mip levels, flags, data size, bits, four channel masks.
    std::string out = Words({52, static_cast<uint32_t>(height), static_cast<uint32_t>(width), 0, flags, dataSize, bits,
                             0, 0, 0, 0});
    return out + std::string(tag, 4) + Words({1}) + data;  // one surface
}

std::string MakeDds(int32_t width, int32_t height, const char fourCc[4], const std::string& data) {
    // Flags, height, width, eleven reserved words, a 32-byte pixel format with a FourCC, caps: texture.
    return "DDS " + Words({124, 0x1007, static_cast<uint32_t>(height), static_cast<uint32_t>(width),
                           static_cast<uint32_t>(data.size()), 0, 1}) +
           std::string(44, '\0') + Words({32, 4}) + std::string(fourCc, 4) + std::string(20, '\0') +
           Words({0x1000, 0, 0, 0, 0}) + data;
}

std::string MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, uint32_t coloursUsed,
                    const std::string& rows, uint32_t dataOffset) {
    std::string out = "BM" + Words({static_cast<uint32_t>(54 + rows.size()), 0, dataOffset, 40,
                                    static_cast<uint32_t>(width), static_cast<uint32_t>(height)});
    out += {1, 0, static_cast<char>(bits), static_cast<char>(bits >> 8)};  // planes, bits per pixel
    return out + Words({compression, static_cast<uint32_t>(rows.size()), 2835, 2835, coloursUsed, 0}) + rows;
}
