// What the text-sprite, tile and batching tests share: ready images made of
// texels that each have their own colour, so a pixel read back names the
// texel it came from.
#pragma once

#include <vector>

#include "gfx/async_texture.h"
#include "tests/gfx/gfx_fixture.h"

class Sprites2dTest : public GfxTest {
protected:
    void TearDown() override {
        for (AsyncTexture* image : images_) ReleaseTexture(image);
        images_.clear();
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

    std::vector<AsyncTexture*> images_;
};
