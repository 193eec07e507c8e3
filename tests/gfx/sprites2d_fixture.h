// What the sprite, text-sprite, tile and batching tests share: a layer list
// drawn as a frame, and ready images made of texels that each have their own
// colour, so a pixel read back names the texel it came from.
#pragma once

#include <vector>

#include "gfx/async_texture.h"
#include "gfx/gl_state.h"
#include "gfx/layer_list.h"
#include "gfx/sprite.h"
#include "tests/gfx/gfx_fixture.h"

class Sprites2dTest : public GfxTest {
protected:
    Sprites2dTest() { nodes_.reserve(64); }  // nodes stay put while linked
    void TearDown() override {
        for (Sprite* sprite : sprites_) Sprite::Destroy(sprite);
        LayerList::Destroy(list_);  // the nodes go with the fixture
        for (AsyncTexture* image : images_) ReleaseTexture(image);
        EXPECT_EQ(GetAsyncTextureList().count, 0u);
        GfxTest::TearDown();
    }

    // A ready w x h image whose texel (x, y) is Texel(x, y, step, blue).
    AsyncTexture* TexelImage(int w, int h, int step, uint8_t blue = 128) {
        std::vector<uint8_t> texels;
        for (int i = 0; i < w * h; ++i) {
            const Rgba c = Texel(i % w, i / w, step, blue);
            texels.insert(texels.end(), {c.r, c.g, c.b, c.a});
        }
        images_.push_back(AsyncTexture::Create(nullptr));
        AsyncTexture::SetDecoded(images_.back(), MakeImage(kPixelRgba8888, w, h, 32, texels));
        EXPECT_EQ(AsyncTexture::CompleteUpload(images_.back()), 1);
        return images_.back();
    }
    static Rgba Texel(int x, int y, int step, uint8_t blue = 128) {
        return {static_cast<uint8_t>(16 + x * step), static_cast<uint8_t>(16 + y * step), blue, 255};
    }

    void Add(void* object, LayerDrawCallback draw, int z = 0) {
        nodes_.push_back(LayerNode{{}, object, draw, z});
        LayerList::Insert(list_, &nodes_.back());
    }
    // A sprite centred at (x, y) showing `image`, 30 x 30 without one.
    Sprite* AddSprite(AsyncTexture* image, int x, int y, uint32_t colour = 0xFFFFFFFFu, int32_t blend = 1, int z = 0) {
        sprites_.push_back(Sprite::Create(nullptr));
        Sprite* sprite = sprites_.back();
        sprite->SetImage(image);
        if (image == nullptr) sprite->SetSize(30, 30);
        sprite->SetPos(x, y);
        sprite->SetColor(colour);
        sprite->SetBlend(blend);
        Add(sprite, Sprite::Draw, z);
        return sprite;
    }
    std::vector<uint8_t> DrawFrame(uint8_t grey = 0) {
        ClearScreen(grey, grey, grey);
        ResetRenderStats();
        LayerList::Draw(list_);
        return ReadRect(0, 0, kWidth, kHeight);
    }

    LayerList* list_ = LayerList::Create(nullptr);
    std::vector<LayerNode> nodes_;
    std::vector<Sprite*> sprites_;
    std::vector<AsyncTexture*> images_;
};
