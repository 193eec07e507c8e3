// The reader dispatch on a file's first two bytes, data sizes per pixel
// format as the readers bound them, and the RGB to RGBA conversion.
#include "gfx/image_file.h"

#include "core/allocator.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "gfx/image_reader_util.h"
#include "platform/debug_log.h"

namespace {

bool IsUncompressedImageType(PixelFormat type) {
    switch (type) {
        case 0: case 1: case 2: case 3: case 4: case 7: case 9: case 10: case 11:
            return true;
        default:
            return false;
    }
}

Image* DecodeByMagic(const uint8_t magic[2], Stream* stream, Allocator* allocator) {
    switch (magic[0] | magic[1] << 8) {
        case 0x0034: return ImageLoadPvr(stream, allocator);
        case 0x4444: return ImageLoadDds(stream, allocator);
        case 0x4D42: return ImageLoadBmp(stream, allocator);
        case 0x5089: return DecodePng(stream, allocator);
        default: return nullptr;
    }
}

// A compressed pack entry cannot seek back over the two bytes already read:
// decode a copy in memory that starts with them and holds the rest.
Image* DecodeCopyInMemory(const uint8_t magic[2], Stream* stream, Allocator* allocator) {
    uint32_t position = stream->Tell();
    uint32_t size = stream->Size();
    uint32_t rest = size > position ? size - position : 0;
    if (rest > UINT32_MAX - 2) return nullptr;
    auto* bytes = static_cast<uint8_t*>(Alloc(allocator, static_cast<size_t>(rest) + 2, 0));
    if (bytes == nullptr) {
        LogError("no memory to read a %u-byte image", rest + 2);
        return nullptr;
    }
    bytes[0] = magic[0];
    bytes[1] = magic[1];
    uint32_t got = rest > 0 ? stream->Read(bytes + 2, rest) : 0;
    Stream* copy = MemoryStream(bytes, got + 2, true, allocator);
    if (copy == nullptr) {
        Allocator::Free(bytes);
        return nullptr;
    }
    Image* image = DecodeByMagic(magic, copy, allocator);
    copy->Release();
    return image;
}

}  // namespace

uint32_t ImageDataSize(PixelFormat type, int32_t width, int32_t height) {
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) return 0;
    if (IsCompressedPixelFormat(type)) return CompressedDataSize(type, width, height);
    if (!IsUncompressedImageType(type)) return 0;
    uint64_t bytes = static_cast<uint64_t>(PixelRowBytes(type, width)) * static_cast<uint64_t>(height);
    if (type == kPixelIndexed8) bytes += kPaletteBytes;
    return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

Image* LoadImage(Stream* stream, Allocator* allocator) {
    uint8_t magic[2];
    if (stream == nullptr) return nullptr;
    uint32_t start = stream->Tell();
    if (stream->Read(magic, 2) != 2) return nullptr;
    if (stream->Seek(-2, kSeekCurrent) != start) return DecodeCopyInMemory(magic, stream, allocator);
    return DecodeByMagic(magic, stream, allocator);
}

Image* ExpandRgbToRgba(const Image* image) {
    if (image == nullptr || image->type != kPixelRgb888) return nullptr;
    const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    if (image->dataSize < count * 3) return nullptr;
    Image* out = Image::New(image->width, image->height, kPixelRgba8888, nullptr);
    if (out == nullptr) return nullptr;
    const uint8_t* from = image->pixels;
    uint8_t* to = out->pixels;
    for (size_t i = 0; i < count; ++i, from += 3, to += 4) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
        to[3] = 255;
    }
    return out;
}

Image* image_reader::NewReaderImage(int32_t width, int32_t height, PixelFormat type, Allocator* allocator) {
    const uint32_t dataSize = ImageDataSize(type, width, height);
    if (dataSize == 0) {
        LogError("Invalid image size %dx%d for format %d.", width, height, type);
        return nullptr;
    }
    Image* image = Image::NewWithData(width, height, type, PixelFormatBits(type), dataSize, allocator);
    if (image == nullptr) LogFailed("allocate a %dx%d image", width, height);
    return image;
}

Image* ReadImageFile(FsMgr* fs, const char* name, Allocator* allocator, int* opened) {
    Stream* stream = FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, allocator);
    if (opened != nullptr) *opened = stream != nullptr ? 1 : 0;
    if (stream == nullptr) return nullptr;
    Image* image = LoadImage(stream, allocator);
    stream->Release();
    return image;
}
