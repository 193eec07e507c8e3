// Images that become textures over time. An AsyncTexture is loading, then
// decoded (its image waits for upload), then ready (it has an area of a
// texture to draw from), or failed. Drawing code only looks at the area.
// AsyncTextures are reference-counted: whoever shows one (a sprite, a tile)
// holds a reference, so dropping the image while it is shown is harmless.
//
// NewTextureAsync reads and decodes the file on background queue 0 and
// uploads it on the main thread through queue 2, into a texture of its own or
// into an image-atlas area. Everything but the decode runs on the main
// thread; the worker touches only the image and the state, and hands the
// upload to queue 2 before it publishes the decoded state.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/list.h"
#include "core/task_system.h"

struct Allocator;
struct AtlasArea;
struct FsMgr;
struct Image;
struct Texture;

// A rectangle of texels in a texture: a whole texture of its own, or an area
// of a shared page.
struct TextureArea {
    int32_t x, y, width, height;
    Texture* texture;
};

enum AsyncTextureState : int32_t {
    kAsyncTextureLoading = 1,
    kAsyncTextureDecoded = 2,
    kAsyncTextureReady = 3,
    kAsyncTextureFailed = 4,
};

struct AsyncTexture {
    ListNode link;         // first: the global list links the object itself
    TextureArea* area;     // null until ready, then &ownArea
    TextureArea ownArea;   // the texture of its own, or the atlas area's place in its page
    Image* image;          // decoded, waiting for upload
    std::atomic<int32_t> state;
    int32_t useAtlas;
    char* fileName;
    FsMgr* fs;
    int32_t refCount;
    AtlasArea* atlasArea;  // the atlas area behind ownArea, or null
    Allocator* allocator;  // where the object, its name and its texture come from
    Task worker;           // queue 0: read and decode
    Task completion;       // queue 2: upload

    // A new object in the loading state with one reference, on the global list.
    static AsyncTexture* Create(Allocator* allocator);
    // Hands over a decoded image (owned from now on); the state becomes decoded.
    static void SetDecoded(AsyncTexture* at, Image* image);
    // Main thread: uploads the decoded image (into the atlas when useAtlas is
    // set and the image suits it, else into a texture of its own) and makes
    // the object ready, or failed when the upload is refused.
    static int CompleteUpload(AsyncTexture* at);
    // The area when ready, else null.
    static TextureArea* GetArea(AsyncTexture* at);
    static void AddRef(AsyncTexture* at);
};

// Starts loading `name` through `fs` (null = the operating system's files)
// in the background. The object, its name copy and its texture come from
// `allocator` (null = default); the worker decodes into the default heap.
// Null only when memory runs out.
AsyncTexture* NewTextureAsync(const char* name, int useAtlas, FsMgr* fs, Allocator* allocator);

// Drops one reference; the last one stops a load in progress (waiting for a
// decode that has begun), drops a pending upload, and frees the area, any
// held image and the object. Null is ignored.
void ReleaseTexture(AsyncTexture* at);

// The AsyncTextures alive now.
const List& GetAsyncTextureList();
