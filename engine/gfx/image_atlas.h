// The image atlas: small 2D images share up to 32 pages of 1024 x 1024 RGBA8.
// A page hands out rectangles by first fit over its list of free rectangles,
// cutting the rest of the chosen one in two; released rectangles merge back
// with equal-edged neighbours and an empty page goes away. Main thread only.
#pragma once

#include <cstdint>

#include "core/list.h"

struct Allocator;
struct Texture;
struct AtlasPage;

// A rectangle of a page: handed out (refCount >= 1) or free (refCount 0,
// linked in its page's free list through `node`).
struct AtlasArea {
    int32_t x, y, width, height;  // texels in the page
    Texture* texture;             // the page's texture
    ListNode node;
    AtlasPage* page;
    int32_t refCount;
};

constexpr int kAtlasPageCount = 32;
constexpr int32_t kAtlasPageSize = 1024;

// How pages get their textures; tests put fakes here to run without GL.
struct AtlasTextureFactory {
    Texture* (*create)(Allocator* allocator);  // a 1024 x 1024 RGBA8 texture, or null
    void (*destroy)(Texture* texture);
};

// The factory that makes real, cleared GL textures (main thread, GL context current).
const AtlasTextureFactory& DefaultAtlasTextureFactory();

namespace ImageAtlas {

// All slots empty. Pages made before are forgotten, not freed.
void Init();
// Frees every page with its texture. Areas still held become invalid, so
// every image using the atlas must be released first.
void Shutdown();
// An area of `width` x `height` (the format is ignored: pages are RGBA8), or
// null after logging "allocate image area." when no page has room and no
// slot is left, or the size is outside 1..1024.
AtlasArea* Allocate(int32_t width, int32_t height, int32_t format, Allocator* allocator);
// Drops one reference; at 0 the rectangle returns to its page. Null is ignored.
void Release(AtlasArea* area);

// The texture factory in use; null restores the GL one.
void SetTextureFactory(const AtlasTextureFactory* factory);

// Inspection for tests and statistics.
int PageCount();
Texture* PageTexture(int slot);  // null for an empty slot
// Copies at most `capacity` free rectangles of the page in `slot`, in list
// order; returns how many the page has.
int FreeRectangles(int slot, AtlasArea* out, int capacity);

}  // namespace ImageAtlas
