// Texture records: creation, reference counts, the global list, the memory
// total and loading from image files.
#include "gfx/texture.h"

#include <GLES2/gl2.h>

#include <cstring>

#include "core/allocator.h"
#include "gfx/gl_state.h"
#include "gfx/image.h"
#include "gfx/image_file.h"
#include "platform/debug_log.h"

namespace {

List gTextures;
int64_t gMemoryTotal = 0;

char* CopyName(const char* name) {
    size_t length = strlen(name) + 1;
    char* copy = static_cast<char*>(Alloc(nullptr, length, 0));
    if (copy) memcpy(copy, name, length);
    return copy;
}

}  // namespace

void AdjustTextureMemory(Texture* texture, int32_t newByteSize) {
    gMemoryTotal += static_cast<int64_t>(newByteSize) - texture->byteSize;
    texture->byteSize = newByteSize;
}

const List& GetTextureList() { return gTextures; }
int64_t GetTextureMemoryTotal() { return gMemoryTotal; }
void ResetTextureMemoryTotal() { gMemoryTotal = 0; }

Texture* Texture::Create(Allocator* allocator) {
    auto* texture = static_cast<Texture*>(Alloc(allocator, sizeof(Texture), 0));
    if (!texture) return nullptr;
    memset(static_cast<void*>(texture), 0, sizeof(Texture));
    texture->refCount = 1;
    glGenTextures(1, &texture->name);
    ListPushBack(&gTextures, &texture->link);
    return texture;
}

Texture* Texture::CreateEmpty(int32_t width, int32_t height, PixelFormat format, Allocator* allocator) {
    Texture* texture = Create(allocator);
    if (!texture) return nullptr;
    AllocateStorage(texture, 0, width, height, format);
    return texture;
}

Texture* Texture::Load(const char* name, FsMgr* fs, Allocator* allocator) {
    Texture* texture = Create(allocator);
    if (!texture) return nullptr;
    if (!LoadImageFile(texture, 0, name, fs, allocator)) {
        Destroy(texture);
        return nullptr;
    }
    texture->fileName = CopyName(name);
    texture->fs = fs;
    return texture;
}

int Texture::LoadImageFile(Texture* texture, int level, const char* name, FsMgr* fs, Allocator* allocator) {
    int opened = 0;
    Image* image = ReadImageFile(fs, name, allocator, &opened);
    if (!image) {
        if (!opened) LogFailed("open \"%s\"", name);
        return 0;
    }
    int uploaded = UploadImage(texture, level, image, allocator);
    Image::Free(image);
    return uploaded;
}

void Texture::AddRef(Texture* texture) {
    if (texture) ++texture->refCount;
}

void Texture::Release(Texture* texture) {
    if (!texture) return;
    if (--texture->refCount < 1) Destroy(texture);
}

void Texture::Destroy(Texture* texture) {
    if (!texture) return;
    ListRemove(&gTextures, &texture->link);
    if (texture->name != 0) {
        glDeleteTextures(1, &texture->name);
        AdjustTextureMemory(texture, 0);
    }
    GlState::ForgetTexture(texture);
    Allocator::Free(texture->fileName);
    Allocator::Free(texture);
}

void Texture::GetSize(const Texture* texture, int32_t* width, int32_t* height) {
    *width = texture->width;
    *height = texture->height;
}
