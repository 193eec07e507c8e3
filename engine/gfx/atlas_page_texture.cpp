// The GL textures behind image-atlas pages: 1024 x 1024 RGBA8, cleared so
// that filtering at the edge of an area never picks up undefined texels.
#include <cstring>

#include "gfx/image.h"
#include "gfx/image_atlas.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

namespace {

Texture* CreatePageTexture(Allocator* allocator) {
    Texture* texture = Texture::CreateEmpty(kAtlasPageSize, kAtlasPageSize, kPixelRgba8888, allocator);
    if (texture == nullptr) return nullptr;
    if (texture->width != kAtlasPageSize || texture->height != kAtlasPageSize) {
        Texture::Destroy(texture);
        return nullptr;
    }
    Image* clear = Image::New(kAtlasPageSize, kAtlasPageSize, kPixelRgba8888, nullptr);
    if (clear != nullptr) {
        memset(clear->pixels, 0, clear->dataSize);
        Texture::Update(texture, 0, 0, 0, clear);
        Image::Free(clear);
    }
    return texture;
}

void DestroyPageTexture(Texture* texture) { Texture::Destroy(texture); }

const AtlasTextureFactory kGlPageFactory = {CreatePageTexture, DestroyPageTexture};

}  // namespace

const AtlasTextureFactory& DefaultAtlasTextureFactory() { return kGlPageFactory; }
