// libpng reports errors by longjmp to the handler set here, never by
// aborting; the row buffers are plain memory so nothing leaks past it.
#include "fx/gl/texture_loader.h"

#include <GLES2/gl2.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "platform/debug_log.h"

namespace FxRenderer {

namespace {

// Textures larger than this on a side are refused before any allocation.
constexpr png_uint_32 kMaxSide = 8192;

struct MemoryRead {
    const uint8_t* data;
    size_t size;
    size_t offset;
};

void OnError(png_structp png, png_const_charp message) {
    LogError("Effect texture: %s.", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, size_t length) {
    auto* source = static_cast<MemoryRead*>(png_get_io_ptr(png));
    if (length > source->size - source->offset) png_error(png, "the file ends early");
    memcpy(out, source->data + source->offset, length);
    source->offset += length;
}

// Decodes into `pixels` as RGBA8; false on any error.
bool Decode(MemoryRead* source, std::vector<uint8_t>& pixels, png_uint_32& width, png_uint_32& height) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, source, OnRead);
        png_read_info(png, info);
        width = png_get_image_width(png, info);
        height = png_get_image_height(png, info);
        if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) png_error(png, "bad image size");
        png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "unexpected row layout");
        pixels.assign(size_t(width) * height * 4, 0);
        rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + size_t(y) * width * 4;
        png_read_image(png, rows.data());
        ok = true;
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return ok;
}

}  // namespace

void* TextureLoader::LoadFromMemory(const void* data, size_t size) {
    if (!data) return nullptr;
    MemoryRead source{static_cast<const uint8_t*>(data), size, 0};
    std::vector<uint8_t> pixels;
    png_uint_32 width = 0, height = 0;
    if (!Decode(&source, pixels, width, height)) return nullptr;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    if (texture == 0) return nullptr;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(width), GLsizei(height), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels.data());
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    return reinterpret_cast<void*>(uintptr_t(texture));
}

void* TextureLoader::Load(const char* path) {
    std::unique_ptr<Fx::FileReader> reader = path ? files_->OpenRead(path) : nullptr;
    if (!reader) {
        LogFailed("open the effect texture \"%s\"", path ? path : "");
        return nullptr;
    }
    const int64_t length = reader->GetLength();
    if (length <= 0 || length > std::numeric_limits<int32_t>::max()) return nullptr;
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (reader->Read(bytes.data(), bytes.size()) != bytes.size()) return nullptr;
    return LoadFromMemory(bytes.data(), bytes.size());
}

void TextureLoader::Unload(void* texture) {
    if (!texture) return;
    GLuint name = GLuint(reinterpret_cast<uintptr_t>(texture));
    glDeleteTextures(1, &name);
}

}  // namespace FxRenderer
