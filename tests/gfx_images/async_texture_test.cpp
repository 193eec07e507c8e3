// Background loading with the real task queues and a real GL context: where
// images land (own texture or atlas), failures, pixels drawn by sprites, and
// releases at every stage of a load.
#include <gtest/gtest.h>
#include <png.h>

#include "core/task_system.h"
#include "gfx/async_texture.h"
#include "gfx/image_atlas.h"
#include "gfx/sprite.h"
#include "platform/threads.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

std::string RgbaPng(const RawImage& source) {
    return WritePng(PngLayout{source.width, source.height, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, source.rgba, {}, {}});
}

// The graphics side and the task queues started; images load from files of the test's own folder.
class AsyncTextureTest : public GfxTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(TaskSystem::Init(nullptr));
        GfxTest::SetUp();  // also empties the image atlas
    }
    void TearDown() override {
        EXPECT_EQ(GetAsyncTextureList().count, 0u) << "a test left images alive";
        EXPECT_EQ(ImageAtlas::PageCount(), 0);
        GfxTest::TearDown();
        TaskSystem::Shutdown();
    }
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        EXPECT_TRUE(folder_.Write(name, bytes));
        return folder_.File(name);
    }
    static int WaitForDecode(AsyncTexture* texture) {
        uint64_t deadline = GetTimeMicros() + 10000000;
        while (texture->state.load() == kAsyncTextureLoading && GetTimeMicros() < deadline) SleepMs(1);
        return texture->state.load();
    }
    // Loads through NewTextureAsync, waits for the decode and runs queue 2 once.
    AsyncTexture* LoadNow(const std::string& path, bool useAtlas) {
        AsyncTexture* texture = NewTextureAsync(path.c_str(), useAtlas ? 1 : 0, nullptr, nullptr);
        WaitForDecode(texture);
        TaskSystem::RunMainQueue();
        return texture;
    }
    // Draws the image 1:1 with a sprite, its top-left corner at (x, y), and reads it back.
    std::vector<uint8_t> Draw(AsyncTexture* image, int x, int y) {
        const TextureArea* area = AsyncTexture::GetArea(image);
        EXPECT_NE(area, nullptr);
        if (area == nullptr) return {};
        Sprite* sprite = Sprite::Create(nullptr);
        sprite->SetImage(image);
        sprite->SetBlend(0);
        sprite->SetPos(x + area->width / 2, y + area->height / 2);
        Sprite::Draw(sprite);
        Sprite::Destroy(sprite);
        return ReadRect(x, y, area->width, area->height);
    }
    TempDir folder_;
};

TEST_F(AsyncTextureTest, SmallImagesShareAnAtlasPageAndDrawTheirOwnPixels) {
    RawImage first = TestPattern(100, 60, 2, true), second = TestPattern(30, 20, 3, true);
    AsyncTexture* a = LoadNow(WriteFile("a.png", RgbaPng(first)), true);
    AsyncTexture* b = LoadNow(WriteFile("b.png", RgbaPng(second)), true);
    ASSERT_TRUE(a->state.load() == kAsyncTextureReady && b->state.load() == kAsyncTextureReady);
    ASSERT_TRUE(a->atlasArea && b->atlasArea);
    EXPECT_EQ(a->area->texture, b->area->texture);
    EXPECT_EQ(ImageAtlas::PageCount(), 1);
    EXPECT_NE(b->area->x + b->area->y, 0);  // the second one sits elsewhere in the page
    EXPECT_EQ(Draw(a, 10, 10), first.rgba);
    EXPECT_EQ(Draw(b, 150, 120), second.rgba);
    ReleaseTexture(a);
    ReleaseTexture(b);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
}

TEST_F(AsyncTextureTest, FailuresEndInTheFailedStateWithTheirLogLine) {
    const std::string missing = folder_.File("missing.png");
    const struct { std::string path; std::string line; } cases[] = {
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
