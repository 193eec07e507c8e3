// The pixel format table and the driver's compressed-format support.
#include "gfx/pixel_format.h"

#include <cstring>

namespace {

constexpr GLenum kGlDxt1Rgb = 0x83F0;
constexpr GLenum kGlDxt1Rgba = 0x83F1;
constexpr GLenum kGlPvrtcRgb4 = 0x8C00;
constexpr GLenum kGlPvrtcRgb2 = 0x8C01;
constexpr GLenum kGlPvrtcRgba4 = 0x8C02;
constexpr GLenum kGlPvrtcRgba2 = 0x8C03;
constexpr GLenum kGlAtcRgb = 0x8C92;
constexpr GLenum kGlAtcRgbaExplicit = 0x8C93;
constexpr GLenum kGlAtcRgbaInterpolated = 0x87EE;

struct FormatRow {
    GLenum internalFormat, format, type;
    int bits;
    bool compressed;
};

// Indexed by code; internalFormat 0 marks a code textures cannot have.
const FormatRow kFormats[21] = {
    {GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, 32, false},
    {GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 16, false},
    {GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 16, false},
    {GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, 24, false},
    {GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 16, false},
    {0, 0, 0, 0, false},
    {0, 0, 0, 0, false},
    {GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE, 8, false},
    {GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE, 16, false},  // converted to alpha 8 bytes
    {0, 0, 0, 8, false},                                // palette images become code 0
    {GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 8, false},  // widened to 16 bits
    {GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 16, false},
    {kGlDxt1Rgb, 0, 0, 4, true},
    {kGlDxt1Rgba, 0, 0, 4, true},
    {kGlPvrtcRgb4, 0, 0, 4, true},
    {kGlPvrtcRgb2, 0, 0, 2, true},
    {kGlPvrtcRgba4, 0, 0, 4, true},
    {kGlPvrtcRgba2, 0, 0, 2, true},
    {kGlAtcRgb, 0, 0, 4, true},
    {kGlAtcRgbaExplicit, 0, 0, 8, true},
    {kGlAtcRgbaInterpolated, 0, 0, 8, true},
};

bool gDxt1Supported = false;
bool gPvrtcSupported = false;
bool gAtcSupported = false;

const FormatRow* FindRow(PixelFormat code) {
    if (code < 0 || code > kPixelAtcRgbaInterpolated) return nullptr;
    return &kFormats[code];
}

}  // namespace

int GetGlPixelFormat(PixelFormat code, GLenum* internalFormat, GLenum* format, GLenum* type, int* compressed) {
    const FormatRow* row = FindRow(code);
    if (!row || row->internalFormat == 0) return 0;
    *internalFormat = row->internalFormat;
    *compressed = row->compressed ? 1 : 0;
    if (!row->compressed) {
        *format = row->format;
        *type = row->type;
    }
    return 1;
}

bool IsCompressedPixelFormat(PixelFormat code) {
    const FormatRow* row = FindRow(code);
    return row && row->compressed;
}

int PixelFormatBits(PixelFormat code) {
    const FormatRow* row = FindRow(code);
    return row ? row->bits : 0;
}

uint32_t PixelRowBytes(PixelFormat code, int32_t width) {
    if (width <= 0) return 0;
    return static_cast<uint32_t>((static_cast<uint64_t>(width) * PixelFormatBits(code) + 7) / 8);
}

uint32_t CompressedDataSize(PixelFormat code, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return 0;
    uint64_t w = static_cast<uint64_t>(width), h = static_cast<uint64_t>(height);
    uint64_t blocks = ((w + 3) / 4) * ((h + 3) / 4);
    uint64_t size = 0;
    switch (code) {
        case kPixelDxt1Rgb:
        case kPixelDxt1Rgba:
        case kPixelAtcRgb: size = blocks * 8; break;
        case kPixelAtcRgbaExplicit:
        case kPixelAtcRgbaInterpolated: size = blocks * 16; break;
        case kPixelPvrtcRgb4:
        case kPixelPvrtcRgba4: size = (w < 8 ? 8 : w) * (h < 8 ? 8 : h) / 2; break;
        case kPixelPvrtcRgb2:
        case kPixelPvrtcRgba2: size = (w < 16 ? 16 : w) * (h < 8 ? 8 : h) / 4; break;
        default: return 0;
    }
    return size > UINT32_MAX ? 0 : static_cast<uint32_t>(size);
}

bool HasExtension(const char* extensions, const char* name) {
    if (!extensions || !name || !*name) return false;
    size_t length = strlen(name);
    for (const char* at = extensions; (at = strstr(at, name)) != nullptr; at += length) {
        bool startsWord = at == extensions || at[-1] == ' ';
        bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

void DetectCompressedFormatSupport(const char* extensions) {
    gDxt1Supported = HasExtension(extensions, "GL_EXT_texture_compression_dxt1") ||
                     HasExtension(extensions, "GL_EXT_texture_compression_s3tc") ||
                     HasExtension(extensions, "GL_ANGLE_texture_compression_dxt1");
    gPvrtcSupported = HasExtension(extensions, "GL_IMG_texture_compression_pvrtc");
    gAtcSupported = HasExtension(extensions, "GL_AMD_compressed_ATC_texture") ||
                    HasExtension(extensions, "GL_ATI_texture_compression_atitc");
}

bool IsCompressedFormatSupported(PixelFormat code) {
    switch (code) {
        case kPixelDxt1Rgb:
        case kPixelDxt1Rgba: return gDxt1Supported;
        case kPixelPvrtcRgb4:
        case kPixelPvrtcRgb2:
        case kPixelPvrtcRgba4:
        case kPixelPvrtcRgba2: return gPvrtcSupported;
        case kPixelAtcRgb:
        case kPixelAtcRgbaExplicit:
        case kPixelAtcRgbaInterpolated: return gAtcSupported;
        default: return false;
    }
}
