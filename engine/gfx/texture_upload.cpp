// Putting pixels into textures: storage, whole uploads and sub-rectangle
// updates. Rows are tightly packed, so the unpack alignment follows each
// row's size; formats ES 2.0 cannot take as they are are converted first.
#include <GLES2/gl2.h>

#include <cstring>

#include "core/allocator.h"
#include "gfx/gl_state.h"
#include "gfx/image.h"
#include "gfx/texture.h"
#include "gfx/texture_decode.h"
#include "platform/debug_log.h"

namespace {

// Texture sides above this would not fit the record's 16-bit size.
constexpr int32_t kLargestSide = 16384;

// What one upload hands to GL.
struct UploadData {
    GLenum internalFormat = 0, format = 0, type = 0;
    bool compressed = false;
    const void* pixels = nullptr;
    uint32_t size = 0;      // bytes at pixels
    int alignment = 1;
    void* converted = nullptr;  // a buffer of ours behind `pixels`, if any

    ~UploadData() { Allocator::Free(converted); }
};

bool SizeFitsGl(int32_t width, int32_t height) {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    if (limit <= 0 || limit > kLargestSide) limit = kLargestSide;
    return width > 0 && height > 0 && width <= limit && height <= limit;
}

int AlignmentFor(uint32_t rowBytes) {
    if (rowBytes % 8 == 0) return 8;
    if (rowBytes % 4 == 0) return 4;
    if (rowBytes % 2 == 0) return 2;
    return 1;
}

// Fills `out` for uncompressed data of `format` (code 9 excluded), converting
// alpha 16 to alpha 8 and depth 8 to depth 16.
bool PrepareUncompressed(PixelFormat format, int32_t width, int32_t height, const uint8_t* pixels,
                         uint32_t dataSize, Allocator* allocator, UploadData* out) {
    const uint32_t rowBytes = PixelRowBytes(format, width);
    const uint64_t needed = static_cast<uint64_t>(rowBytes) * height;
    if (dataSize < needed) {
        LogError("image of format %d at %dx%d holds %u bytes, needs %llu.", format, width, height, dataSize,
                 static_cast<unsigned long long>(needed));
        return false;
    }
    const size_t count = static_cast<size_t>(width) * height;
    if (format == kPixelAlpha16) {
        auto* bytes = static_cast<uint8_t*>(Alloc(allocator, count, 0));
        if (!bytes) return false;
        for (size_t i = 0; i < count; ++i) {
            uint16_t v;
            memcpy(&v, pixels + i * 2, 2);
            bytes[i] = static_cast<uint8_t>((v * 255u + 32767u) / 65535u);
        }
        out->converted = bytes;
        out->pixels = bytes;
        out->size = static_cast<uint32_t>(count);
        out->alignment = AlignmentFor(static_cast<uint32_t>(width));
        return true;
    }
    if (format == kPixelDepth8) {
        auto* depths = static_cast<uint16_t*>(Alloc(allocator, count * 2, 0));
        if (!depths) return false;
        for (size_t i = 0; i < count; ++i) depths[i] = static_cast<uint16_t>(pixels[i] * 257u);
        out->converted = depths;
        out->pixels = depths;
        out->size = static_cast<uint32_t>(count * 2);
        out->alignment = AlignmentFor(static_cast<uint32_t>(width) * 2);
        return true;
    }
    out->pixels = pixels;
    out->size = static_cast<uint32_t>(needed);
    out->alignment = AlignmentFor(rowBytes);
    return true;
}

bool PrepareUpload(const Image* image, Allocator* allocator, UploadData* out) {
    int compressed = 0;
    if (!GetGlPixelFormat(image->type, &out->internalFormat, &out->format, &out->type, &compressed)) {
        LogError("texture format %d is not supported.", image->type);
        return false;
    }
    if (!compressed) {
        return PrepareUncompressed(image->type, image->width, image->height, image->pixels, image->dataSize,
                                   allocator, out);
    }
    const uint32_t needed = CompressedDataSize(image->type, image->width, image->height);
    if (image->dataSize < needed) {
        LogError("compressed image of format %d at %dx%d holds %u bytes, needs %u.", image->type, image->width,
                 image->height, image->dataSize, needed);
        return false;
    }
    if (IsCompressedFormatSupported(image->type)) {
        out->compressed = true;
        out->pixels = image->pixels;
        out->size = needed;
        return true;
    }
    const size_t bytes = static_cast<size_t>(image->width) * image->height * 4;
    auto* rgba = static_cast<uint8_t*>(Alloc(allocator, bytes, 0));
    if (!rgba) return false;
    out->converted = rgba;
    if (!DecodeCompressedToRgba(image->type, image->width, image->height, image->pixels, image->dataSize, rgba)) {
        return false;
    }
    out->internalFormat = GL_RGBA;
    out->format = GL_RGBA;
    out->type = GL_UNSIGNED_BYTE;
    out->pixels = rgba;
    out->size = static_cast<uint32_t>(bytes);
    out->alignment = 4;
    return true;
}

void RecordLevel(Texture* texture, int level, PixelFormat format, int32_t width, int32_t height, uint32_t bytes) {
    if (level == 0) {
        texture->format = format;
        texture->width = static_cast<int16_t>(width);
        texture->height = static_cast<int16_t>(height);
    }
    AdjustTextureMemory(texture, static_cast<int32_t>(bytes));
}

}  // namespace

int Texture::AllocateStorage(Texture* texture, int level, int32_t width, int32_t height, PixelFormat format) {
    GLenum internalFormat = 0, glFormat = 0, type = 0;
    int compressed = 0;
    if (!texture || !GetGlPixelFormat(format, &internalFormat, &glFormat, &type, &compressed) || compressed) {
        return 0;
    }
    if (!SizeFitsGl(width, height)) {
        LogError("texture size %dx%d is not possible.", width, height);
        return 0;
    }
    GlState::SetTextureRepeat(nullptr);
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(internalFormat), width, height, 0, glFormat, type,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    const uint32_t bytesPerPixel = format == kPixelDepth8 ? 2 : PixelFormatBits(format) / 8;
    RecordLevel(texture, level, format, width, height, static_cast<uint32_t>(width) * height * bytesPerPixel);
    return 1;
}

int Texture::UploadImage(Texture* texture, int level, const Image* image, Allocator* allocator) {
    if (!texture || !image) return 0;
    if (image->type == kPixelIndexed8) {
        Image* rgba = ExpandPaletteToRgba(image);
        if (!rgba) {
            LogError("palette image of %dx%d is malformed.", image->width, image->height);
            return 0;
        }
        FillTransparentPixels(rgba);
        int uploaded = UploadImage(texture, level, rgba, allocator);
        Image::Free(rgba);
        return uploaded;
    }
    if (!SizeFitsGl(image->width, image->height)) {
        LogError("texture size %dx%d is not possible.", image->width, image->height);
        return 0;
    }
    UploadData data;
    if (!PrepareUpload(image, allocator, &data)) return 0;

    GlState::SetTextureRepeat(nullptr);
    glPixelStorei(GL_UNPACK_ALIGNMENT, data.alignment);
    glBindTexture(GL_TEXTURE_2D, texture->name);
    if (data.compressed) {
        glCompressedTexImage2D(GL_TEXTURE_2D, level, data.internalFormat, image->width, image->height, 0,
                               static_cast<GLsizei>(data.size), data.pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(data.internalFormat), image->width, image->height, 0,
                     data.format, data.type, data.pixels);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    RecordLevel(texture, level, image->type, image->width, image->height, data.size);
    return 1;
}

int Texture::Update(Texture* texture, int level, int32_t x, int32_t y, const Image* image) {
    if (!texture || !image) return 0;
    GLenum internalFormat = 0, format = 0, type = 0, textureInternal = 0, textureFormat = 0, textureType = 0;
    int compressed = 0, textureCompressed = 0;
    if (!GetGlPixelFormat(image->type, &internalFormat, &format, &type, &compressed) || compressed ||
        !GetGlPixelFormat(texture->format, &textureInternal, &textureFormat, &textureType, &textureCompressed) ||
        textureCompressed || format != textureFormat || type != textureType) {
        LogError("cannot update a texture of format %d with an image of format %d.", texture->format, image->type);
        return 0;
    }
    const int shift = level < 0 || level > 15 ? 0 : level;
    const int32_t levelWidth = texture->width >> shift > 0 ? texture->width >> shift : 1;
    const int32_t levelHeight = texture->height >> shift > 0 ? texture->height >> shift : 1;
    if (shift != level || x < 0 || y < 0 || image->width > levelWidth - x || image->height > levelHeight - y) {
        LogError("update of %dx%d at (%d, %d) lies outside level %d of a %dx%d texture.", image->width,
                 image->height, x, y, level, texture->width, texture->height);
        return 0;
    }
    UploadData data;
    if (!PrepareUncompressed(image->type, image->width, image->height, image->pixels, image->dataSize, nullptr,
                             &data)) {
        return 0;
    }
    GlState::SetTextureRepeat(nullptr);
    glPixelStorei(GL_UNPACK_ALIGNMENT, data.alignment);
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glTexSubImage2D(GL_TEXTURE_2D, level, x, y, image->width, image->height, format, type, data.pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    return 1;
}
