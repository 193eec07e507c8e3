// PNG reader over libpng, fed from a Stream. libpng reports errors by
// longjmp to the handler installed here, never by printing or aborting, and
// a short read is an error, so a damaged file gives null and one log line.
//
// RGB becomes type 3, RGBA type 0 and palette files type 9 (indices below 8
// bits unpacked to a byte). 16-bit samples are cut to 8 bits and interlaced
// files are de-interlaced. Grey files are refused.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "core/allocator.h"
#include "gfx/image_file.h"
#include "gfx/image_reader_util.h"
#include "platform/debug_log.h"

namespace {

// Deflate never expands data more than 1032 times, so a header that claims
// more pixels than this many times the bytes left is lying or truncated.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = 1024;

struct PngDecode {
    Stream* stream = nullptr;
    Allocator* allocator = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    Image* image = nullptr;
    png_bytep* rows = nullptr;
    bool colourTypeRefused = false;
    bool reported = false;  // the failure was logged where it happened
    char error[160] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* decode = static_cast<PngDecode*>(png_get_error_ptr(png));
    snprintf(decode->error, sizeof decode->error, "%s", message != nullptr ? message : "unknown error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void OnPngRead(png_structp png, png_bytep data, size_t length) {
    auto* decode = static_cast<PngDecode*>(png_get_io_ptr(png));
    if (!image_reader::ReadExact(decode->stream, data, length)) png_error(png, "the file is truncated");
}

void FillPalette(PngDecode* decode) {
    // All 256 entries start transparent black, so indices past the file's
    // palette read as that and never outside the table.
    uint8_t* palette = decode->image->pixels;
    memset(palette, 0, kPaletteBytes);
    png_colorp colours = nullptr;
    int colourCount = 0;
    if (png_get_PLTE(decode->png, decode->info, &colours, &colourCount) != PNG_INFO_PLTE) colourCount = 0;
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(decode->png, decode->info, &alphas, &alphaCount, nullptr) != PNG_INFO_tRNS) alphaCount = 0;
    for (int i = 0; i < colourCount && i < 256; ++i) {
        palette[i * 4 + 0] = colours[i].red;
        palette[i * 4 + 1] = colours[i].green;
        palette[i * 4 + 2] = colours[i].blue;
        palette[i * 4 + 3] = i < alphaCount ? alphas[i] : 255;
    }
}

// Runs libpng; on any error it comes back here through longjmp. Only the
// caller's PngDecode carries state across that jump.
bool RunDecode(PngDecode* decode) {
    if (setjmp(png_jmpbuf(decode->png)) != 0) return false;

    png_set_read_fn(decode->png, decode, OnPngRead);
    png_set_user_limits(decode->png, kMaxImageSide, kMaxImageSide);
    png_read_info(decode->png, decode->info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(decode->png, decode->info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    PixelFormat type;
    switch (colourType) {
        case PNG_COLOR_TYPE_RGB: type = kPixelRgb888; break;
        case PNG_COLOR_TYPE_PALETTE: type = kPixelIndexed8; break;
        case PNG_COLOR_TYPE_RGB_ALPHA: type = kPixelRgba8888; break;
        default:
            decode->colourTypeRefused = true;
            return false;
    }

    const uint64_t channels = png_get_channels(decode->png, decode->info);
    const uint64_t fileRowBytes = (static_cast<uint64_t>(width) * channels * depth + 7) / 8 + 1;
    const uint64_t bytesLeft = image_reader::BytesLeft(decode->stream);
    if (fileRowBytes * height > bytesLeft * kMaxInflateRatio + kInflateSlack) {
        png_error(decode->png, "the file is truncated");
    }

    if (depth == 16) png_set_strip_16(decode->png);
    if (depth < 8) png_set_packing(decode->png);
    if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(decode->png);
    png_read_update_info(decode->png, decode->info);

    decode->image =
        image_reader::NewReaderImage(static_cast<int32_t>(width), static_cast<int32_t>(height), type, decode->allocator);
    if (decode->image == nullptr) {
        decode->reported = true;
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * decode->image->bitsPerPixel / 8;
    if (png_get_rowbytes(decode->png, decode->info) != rowBytes) png_error(decode->png, "unexpected row size");

    uint8_t* firstRow = decode->image->pixels;
    if (type == kPixelIndexed8) {
        FillPalette(decode);
        firstRow += kPaletteBytes;
    }
    decode->rows = static_cast<png_bytep*>(Alloc(nullptr, sizeof(png_bytep) * height, 0));
    if (decode->rows == nullptr) png_error(decode->png, "no memory for the rows");
    for (png_uint_32 y = 0; y < height; ++y) decode->rows[y] = firstRow + y * rowBytes;
    png_read_image(decode->png, decode->rows);
    return true;
}

}  // namespace

Image* DecodePng(Stream* stream, Allocator* allocator) {
    PngDecode decode;
    decode.stream = stream;
    decode.allocator = allocator;
    decode.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decode, OnPngError, OnPngWarning);
    if (decode.png != nullptr) decode.info = png_create_info_struct(decode.png);
    if (decode.info == nullptr) {
        png_destroy_read_struct(decode.png != nullptr ? &decode.png : nullptr, nullptr, nullptr);
        LogFailed("create the PNG reader");
        return nullptr;
    }
    bool ok = RunDecode(&decode);
    png_destroy_read_struct(&decode.png, &decode.info, nullptr);
    Allocator::Free(decode.rows);
    if (ok) return decode.image;
    Image::Free(decode.image);
    if (decode.colourTypeRefused) {
        LogError("That image file is not supported color type.");
    } else if (!decode.reported) {
        LogError("Broken PNG file: %s.", decode.error);
    }
    return nullptr;
}
