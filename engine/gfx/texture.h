// Reference-counted GL textures. Every live texture is on one global list
// (creation order) and its bytes count in a texture-memory total. Uploads map
// each pixel format to what OpenGL ES 2.0 accepts: palette images are
// expanded, alpha 16 and depth 8 are converted, and compressed data the
// driver does not take is decoded to RGBA8 first. Main thread only.
#pragma once

#include <cstdint>

#include "core/list.h"
#include "gfx/pixel_format.h"

struct Allocator;
struct FsMgr;
struct Image;

struct Texture {
    ListNode link;  // first: the global texture list links the texture itself
    uint32_t name;  // GL texture name
    PixelFormat format;
    int16_t width, height;  // of level 0
    int32_t byteSize;       // counted in the texture-memory total
    int32_t refCount;
    char* fileName;  // heap copy when loaded from a file
    FsMgr* fs;       // the manager it was loaded through (null = operating-system files)

    // A zeroed texture with one reference and a fresh GL name, appended to the
    // list; null when memory runs out.
    static Texture* Create(Allocator* allocator);
    // Create, then AllocateStorage. Compressed formats cannot be made empty:
    // the texture then has no storage, format 0 and size 0, and the caller
    // uploads the whole image later.
    static Texture* CreateEmpty(int32_t width, int32_t height, PixelFormat format, Allocator* allocator);
    // Create and LoadImageFile; null (and the texture destroyed) on failure.
    static Texture* Load(const char* name, FsMgr* fs, Allocator* allocator);
    // Reads `name` through the image file reader and uploads it as `level`.
    // Logs "open \"%s\"" when the file cannot be opened; a failed decode is silent.
    static int LoadImageFile(Texture* texture, int level, const char* name, FsMgr* fs, Allocator* allocator);
    // Storage without pixels. 0 for compressed and unsupported formats and
    // for sizes GL cannot hold; the memory total is then unchanged.
    static int AllocateStorage(Texture* texture, int level, int32_t width, int32_t height, PixelFormat format);
    // Uploads the whole image as `level`. 0 for unsupported formats, sizes GL
    // cannot hold or data shorter than the image needs.
    static int UploadImage(Texture* texture, int level, const Image* image, Allocator* allocator);
    // Replaces the rectangle at (x, y) with the image, which must have the
    // texture's GL format and lie inside it; compressed images are refused.
    static int Update(Texture* texture, int level, int32_t x, int32_t y, const Image* image);
    static void AddRef(Texture* texture);
    // Drops one reference; the last one destroys the texture.
    static void Release(Texture* texture);
    // Unlinks, deletes the GL name, leaves the state cache without it and frees it.
    static void Destroy(Texture* texture);
    static void GetSize(const Texture* texture, int32_t* width, int32_t* height);
};

// The textures alive now, in creation order.
const List& GetTextureList();
// Bytes of all live textures' storage.
int64_t GetTextureMemoryTotal();

// Called by GraphicsInit: forgets the memory total of a previous run.
void ResetTextureMemoryTotal();
// Sets a texture's counted byte size and moves the total by the difference.
void AdjustTextureMemory(Texture* texture, int32_t newByteSize);
