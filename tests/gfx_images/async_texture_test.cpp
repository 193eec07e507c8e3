// Background loading with the real task queues and a real GL context: where
// images land (own texture or atlas), failures, pixels drawn by sprites, and
// releases at every stage of a load.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

#include "core/task_system.h"
#include "gfx/async_texture.h"
#include "gfx/image_atlas.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "gfx/texture_decode.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/gfx_images/images_gl_fixture.h"
#include "platform/threads.h"
#include "tests/support/log_capture.h"

namespace {

std::string RgbaPng(const RawImage& source) {
    PngLayout layout;
    layout.width = source.width;
    layout.height = source.height;
    layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    layout.rows = source.rgba;
    return WritePng(layout);
}

class AsyncTextureTest : public ImagesGlTest {
protected:
    // Draws the image 1:1 with a sprite, its top-left corner at (x, y), and reads it back.
    std::vector<uint8_t> Draw(AsyncTexture* image, int x, int y) {
        Sprite* sprite = Sprite::Create(nullptr);
        sprite->SetImage(image);
        sprite->SetBlend(0);
        const TextureArea* area = AsyncTexture::GetArea(image);
        EXPECT_NE(area, nullptr);
        if (area == nullptr) {
            Sprite::Destroy(sprite);
            return {};
        }
        sprite->SetPos(x + area->width / 2, y + area->height / 2);
        Sprite::Draw(sprite);
        Sprite::Destroy(sprite);
        return ReadRect(x, y, area->width, area->height);
    }
};

TEST_F(AsyncTextureTest, LargePowerOfTwoImagesGetATextureOfTheirOwn) {
    AsyncTexture* image = LoadNow(WriteFile("big.png", RgbaPng(TestPattern(256, 256, 1, true))), true);
    ASSERT_EQ(image->state.load(), kAsyncTextureReady);
    const TextureArea* area = AsyncTexture::GetArea(image);
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(image->atlasArea, nullptr);
    EXPECT_EQ(area->x, 0);
    EXPECT_EQ(area->y, 0);
    EXPECT_EQ(area->width, 256);
    EXPECT_EQ(area->texture->width, 256);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
    ReleaseTexture(image);
}

TEST_F(AsyncTextureTest, SmallImagesShareAnAtlasPageAndDrawTheirOwnPixels) {
    RawImage first = TestPattern(100, 60, 2, true), second = TestPattern(30, 20, 3, true);
    AsyncTexture* a = LoadNow(WriteFile("a.png", RgbaPng(first)), true);
    AsyncTexture* b = LoadNow(WriteFile("b.png", RgbaPng(second)), true);
    ASSERT_EQ(a->state.load(), kAsyncTextureReady);
    ASSERT_EQ(b->state.load(), kAsyncTextureReady);
    ASSERT_NE(a->atlasArea, nullptr);
    ASSERT_NE(b->atlasArea, nullptr);
    EXPECT_EQ(a->area->texture, b->area->texture);
    EXPECT_EQ(ImageAtlas::PageCount(), 1);
    EXPECT_NE(b->area->x + b->area->y, 0);  // the second one sits elsewhere in the page
    EXPECT_EQ(Draw(a, 10, 10), first.rgba);
    EXPECT_EQ(Draw(b, 150, 120), second.rgba);
    ReleaseTexture(a);
    ReleaseTexture(b);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
}

TEST_F(AsyncTextureTest, PaletteAndRgbImagesAreExpandedForTheAtlas) {
    PngLayout palette;
    palette.width = 4;
    palette.height = 2;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.rows = {0, 1, 0, 1, 1, 1, 0, 0};
    palette.palette = {255, 0, 0, 0, 0, 255};
    AsyncTexture* indexed = LoadNow(WriteFile("p.png", WritePng(palette)), true);
    ASSERT_EQ(indexed->state.load(), kAsyncTextureReady);
    EXPECT_NE(indexed->atlasArea, nullptr);
    std::vector<uint8_t> want;
    for (uint8_t index : palette.rows) {
        const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
        want.insert(want.end(), index ? blue : red, (index ? blue : red) + 4);
    }
    EXPECT_EQ(Draw(indexed, 0, 0), want);

    RawImage rgbSource = TestPattern(5, 3, 4, true);
    PngLayout rgb;
    rgb.width = 5;
    rgb.height = 3;
    rgb.colourType = PNG_COLOR_TYPE_RGB;
    rgb.rows = RgbOf(rgbSource);
    AsyncTexture* expanded = LoadNow(WriteFile("rgb.png", WritePng(rgb)), true);
    ASSERT_EQ(expanded->state.load(), kAsyncTextureReady);
    EXPECT_NE(expanded->atlasArea, nullptr);
    EXPECT_EQ(Draw(expanded, 20, 20), rgbSource.rgba);
    ReleaseTexture(indexed);
    ReleaseTexture(expanded);
}

TEST_F(AsyncTextureTest, Dxt1DrawsItsDecodedBlockColours) {
    // Colour 0 red, colour 1 blue (5-6-5), indices 0,1,2,3 along each row.
    const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4};
    std::string data(reinterpret_cast<const char*>(block), 8);
    AsyncTexture* image = LoadNow(WriteFile("b.dds", MakeDds(4, 4, "DXT1", data)), true);
    ASSERT_EQ(image->state.load(), kAsyncTextureReady);
    EXPECT_EQ(image->atlasArea, nullptr) << "compressed data cannot share a page";
    uint8_t texels[16][4];
    DecodeDxt1Block(block, false, texels);
    std::vector<uint8_t> drawn = Draw(image, 40, 40);
    ASSERT_EQ(drawn.size(), 64u);
    // The driver rounds the two interpolated colours its own way, by one at most.
    for (int i = 0; i < 64; ++i) EXPECT_NEAR(drawn[i], (&texels[0][0])[i], 1) << "byte " << i;
    ReleaseTexture(image);
}

TEST_F(AsyncTextureTest, WithoutRoomInTheAtlasAnImageGetsItsOwnTexture) {
    static const AtlasTextureFactory kNoPages = {[](Allocator*) -> Texture* { return nullptr; },
                                                 [](Texture*) {}};
    ImageAtlas::SetTextureFactory(&kNoPages);
    RawImage source = TestPattern(20, 10, 5, true);
    LogCapture log;
    AsyncTexture* image = LoadNow(WriteFile("s.png", RgbaPng(source)), true);
    ImageAtlas::SetTextureFactory(nullptr);
    ASSERT_EQ(image->state.load(), kAsyncTextureReady);
    EXPECT_EQ(image->atlasArea, nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Failed to allocate image area."});
    EXPECT_EQ(Draw(image, 0, 0), source.rgba);
    ReleaseTexture(image);
}

TEST_F(AsyncTextureTest, FailuresEndInTheFailedStateWithTheirLogLine) {
    const std::string missing = folder_.File("missing.png");
    const struct {
        std::string path;
        std::string line;
    } cases[] = {
        {missing, "Error: Failed to open \"" + missing + "\""},
        {WriteFile("text.png", "not an image at all"), "Error: Invalid image format. \"" + folder_.File("text.png") + "\""},
    };
    for (const auto& c : cases) {
        LogCapture log;
        AsyncTexture* image = LoadNow(c.path, true);
        EXPECT_EQ(image->state.load(), kAsyncTextureFailed);
        EXPECT_EQ(AsyncTexture::GetArea(image), nullptr);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line});
        ReleaseTexture(image);
    }
}

TEST_F(AsyncTextureTest, ASpriteKeepsItsImageAliveAfterTheOwnerReleasesIt) {
    RawImage source = TestPattern(8, 8, 6, true);
    AsyncTexture* image = LoadNow(WriteFile("k.png", RgbaPng(source)), false);
    Sprite* sprite = Sprite::Create(nullptr);
    sprite->SetImage(image);
    sprite->SetBlend(0);
    sprite->SetPos(4, 4);
    ReleaseTexture(image);  // the script drops its image
    EXPECT_EQ(GetAsyncTextureList().count, 1u);
    Sprite::Draw(sprite);
    EXPECT_EQ(ReadRect(0, 0, 8, 8), source.rgba);
    Sprite::Destroy(sprite);
    EXPECT_EQ(GetAsyncTextureList().count, 0u);
}

// Releases at every stage of a load: queued, decoding, decoded and waiting
// for the upload. Nothing may run on freed memory afterwards (ASan / TSan).
TEST_F(AsyncTextureTest, ReleasingDuringALoadLeavesNoTaskBehind) {
    const std::string path = WriteFile("r.png", RgbaPng(TestPattern(64, 32, 7, true)));
    for (int i = 0; i < 1000; ++i) {
        AsyncTexture* image = NewTextureAsync(path.c_str(), i % 2, nullptr, nullptr);
        ASSERT_NE(image, nullptr);
        if (i % 7 == 0) SleepMs(0);
        ReleaseTexture(image);
    }
    for (int i = 0; i < 100; ++i) {
        AsyncTexture* image = NewTextureAsync(path.c_str(), 1, nullptr, nullptr);
        ASSERT_EQ(WaitForDecode(image), kAsyncTextureDecoded);
        ReleaseTexture(image);  // its upload is still queued
    }
    TaskSystem::RunMainQueue();
    EXPECT_EQ(GetAsyncTextureList().count, 0u);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
}

}  // namespace
