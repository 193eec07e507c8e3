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

    // A ready w x h image; texel (x, y) has red 16 + x * step, green 16 + y * step, blue `blue`.
    AsyncTexture* TexelImage(int w, int h, int step, uint8_t blue = 128) {
        std::vector<uint8_t> texels(static_cast<size_t>(w) * h * 4);
        for (int i = 0; i < w * h; ++i) {
            uint8_t* p = &texels[static_cast<size_t>(i) * 4];
            p[0] = static_cast<uint8_t>(16 + (i % w) * step);
            p[1] = static_cast<uint8_t>(16 + (i / w) * step);
            p[2] = blue;
            p[3] = 255;
        }
        AsyncTexture* image = AsyncTexture::Create(nullptr);
        AsyncTexture::SetDecoded(image, MakeImage(kPixelRgba8888, w, h, 32, texels));
        EXPECT_EQ(AsyncTexture::CompleteUpload(image), 1);
        images_.push_back(image);
        return image;
    }

    static Rgba Texel(int x, int y, int step, uint8_t blue = 128) {
        return {static_cast<uint8_t>(16 + x * step), static_cast<uint8_t>(16 + y * step), blue, 255};
    }

    std::vector<AsyncTexture*> images_;
};
