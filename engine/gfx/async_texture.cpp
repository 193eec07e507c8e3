// AsyncTexture records and background loading. The worker (queue 0) reads
// and decodes the file and converts it for the atlas; the completion task
// (queue 2, main thread) uploads it. The worker hands the completion task to
// queue 2 before it publishes the decoded state, and the last release first
// takes the worker task off queue 0 (which waits for a decode in progress),
// so neither task can outlive the object.
#include "gfx/async_texture.h"

#include <cstring>
#include <new>

#include "core/allocator.h"
#include "fs/fs_mgr.h"
#include "gfx/image.h"
#include "gfx/image_atlas.h"
#include "gfx/image_file.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

namespace {

// Main thread only.
List gAsyncTextures;

bool IsPowerOfTwo(int32_t value) { return value > 0 && (value & (value - 1)) == 0; }

// Pages hold RGBA8 only: RGB and palette images are expanded here, off the
// main thread. Compressed data cannot share a page and gets its own texture.
Image* PrepareForAtlas(AsyncTexture* at, Image* image) {
    if (IsCompressedPixelFormat(image->type)) {
        at->useAtlas = 0;
        return image;
    }
    Image* converted = nullptr;
    switch (image->type) {
        case kPixelRgba8888:
            return image;
        case kPixelRgb888:
            converted = ExpandRgbToRgba(image);
            break;
        case kPixelIndexed8:
            converted = ExpandPaletteToRgba(image);
            FillTransparentPixels(converted);
            break;
        default:
            break;
    }
    Image::Free(image);
    return converted;
}

int LoadOnWorker(void* argument) {
    auto* at = static_cast<AsyncTexture*>(argument);
    int opened = 0;
    Image* image = ReadImageFile(at->fs, at->fileName, nullptr, &opened);
    if (!opened) {
        LogFailed("open \"%s\"", at->fileName);
        at->state.store(kAsyncTextureFailed, std::memory_order_release);
        return 1;
    }
    if (image != nullptr && at->useAtlas) image = PrepareForAtlas(at, image);
    if (image == nullptr) {
        LogError("Invalid image format. \"%s\"", at->fileName);
        at->state.store(kAsyncTextureFailed, std::memory_order_release);
        return 1;
    }
    at->image = image;
    TaskSystem::AddTask(kTaskQueueMain, &at->completion);
    at->state.store(kAsyncTextureDecoded, std::memory_order_release);
    return 1;
}

int UploadOnMainThread(void* argument) {
    AsyncTexture::CompleteUpload(static_cast<AsyncTexture*>(argument));
    return 1;
}

bool UploadIntoAtlas(AsyncTexture* at, const Image* image) {
    AtlasArea* area = ImageAtlas::Allocate(image->width, image->height, image->type, at->allocator);
    if (area == nullptr) return false;
    if (!Texture::Update(area->texture, 0, area->x, area->y, image)) {
        ImageAtlas::Release(area);
        return false;
    }
    at->atlasArea = area;
    at->ownArea = TextureArea{area->x, area->y, area->width, area->height, area->texture};
    return true;
}

bool UploadOwnTexture(AsyncTexture* at, const Image* image) {
    Texture* own = Texture::Create(at->allocator);
    if (own == nullptr) return false;
    if (!Texture::UploadImage(own, 0, image, at->allocator)) {
        Texture::Release(own);
        return false;
    }
    at->ownArea = TextureArea{0, 0, image->width, image->height, own};
    return true;
}

char* CopyName(const char* name, Allocator* allocator) {
    size_t length = strlen(name) + 1;
    auto* copy = static_cast<char*>(Alloc(allocator, length, 0));
    if (copy != nullptr) memcpy(copy, name, length);
    return copy;
}

void FreeObject(AsyncTexture* at) {
    ListRemove(&gAsyncTextures, &at->link);
    // Waits for a decode that has begun; a queued one is simply dropped.
    if (at->worker.callback != nullptr) TaskSystem::RemoveTask(kTaskQueueBackground, &at->worker);
    if (at->completion.callback != nullptr) TaskSystem::RemoveTask(kTaskQueueMain, &at->completion);
    if (at->atlasArea != nullptr) {
        ImageAtlas::Release(at->atlasArea);
    } else if (at->ownArea.texture != nullptr) {
        Texture::Release(at->ownArea.texture);
    }
    Image::Free(at->image);
    Allocator::Free(at->fileName);
    at->~AsyncTexture();
    Allocator::Free(at);
}

}  // namespace

AsyncTexture* AsyncTexture::Create(Allocator* allocator) {
    void* block = Alloc(allocator, sizeof(AsyncTexture), alignof(AsyncTexture));
    if (block == nullptr) return nullptr;
    auto* at = new (block) AsyncTexture{};
    at->state.store(kAsyncTextureLoading, std::memory_order_relaxed);
    at->refCount = 1;
    at->allocator = allocator;
    ListPushBack(&gAsyncTextures, &at->link);
    return at;
}

void AsyncTexture::SetDecoded(AsyncTexture* at, Image* image) {
    if (at == nullptr) return;
    Image::Free(at->image);
    at->image = image;
    at->state.store(kAsyncTextureDecoded, std::memory_order_release);
}

int AsyncTexture::CompleteUpload(AsyncTexture* at) {
    if (at == nullptr || at->image == nullptr) return 0;
    Image* image = at->image;
    at->image = nullptr;
    // Large power-of-two pictures are textures in their own right.
    bool atlas = at->useAtlas && image->type == kPixelRgba8888 &&
                 !(image->width >= 128 && image->height >= 128 && IsPowerOfTwo(image->width) &&
                   IsPowerOfTwo(image->height));
    // A full atlas (or a picture larger than a page) falls back to a texture of its own.
    bool uploaded = (atlas && UploadIntoAtlas(at, image)) || UploadOwnTexture(at, image);
    if (!uploaded) LogFailed("upload \"%s\"", at->fileName != nullptr ? at->fileName : "(image)");
    Image::Free(image);
    at->area = uploaded ? &at->ownArea : nullptr;
    at->state.store(uploaded ? kAsyncTextureReady : kAsyncTextureFailed, std::memory_order_release);
    return uploaded ? 1 : 0;
}

TextureArea* AsyncTexture::GetArea(AsyncTexture* at) {
    if (at == nullptr || at->state.load(std::memory_order_acquire) != kAsyncTextureReady) return nullptr;
    return at->area;
}

void AsyncTexture::AddRef(AsyncTexture* at) {
    if (at != nullptr) ++at->refCount;
}

AsyncTexture* NewTextureAsync(const char* name, int useAtlas, FsMgr* fs, Allocator* allocator) {
    if (name == nullptr) return nullptr;
    AsyncTexture* at = AsyncTexture::Create(allocator);
    if (at == nullptr) return nullptr;
    at->fileName = CopyName(name, allocator);
    if (at->fileName == nullptr) {
        FreeObject(at);
        return nullptr;
    }
    at->useAtlas = useAtlas != 0 ? 1 : 0;
    at->fs = fs;
    at->worker.callback = LoadOnWorker;
    at->worker.argument = at;
    at->completion.callback = UploadOnMainThread;
    at->completion.argument = at;
    // A missing file is reported here, on the caller's thread (a script's
    // line is known there) and once; the worker reports only what it finds.
    if (fs != nullptr && fs->ops->GetFileSize != nullptr && FsMgr::GetFileSize(fs, name) < 0) {
        LogFailed("open \"%s\"", name);
        at->state.store(kAsyncTextureFailed, std::memory_order_release);
        return at;
    }
    TaskSystem::AddTask(kTaskQueueBackground, &at->worker);
    return at;
}

void ReleaseTexture(AsyncTexture* at) {
    if (at == nullptr || --at->refCount > 0) return;
    FreeObject(at);
}

const List& GetAsyncTextureList() { return gAsyncTextures; }
