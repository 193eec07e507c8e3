// The atlas allocator with fake page textures (the worked split, limits, random steps checked against
// the rectangles they must cover), then background loading with real task queues and a GL context.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "core/allocator.h"
#include "core/task_system.h"
#include "gfx/async_texture.h"
#include "gfx/image_atlas.h"
#include "gfx/sprite.h"
#include "platform/threads.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

namespace {

std::set<Texture*> gLivePages;

const AtlasTextureFactory kFakeFactory = {
    [](Allocator*) { return *gLivePages.insert(static_cast<Texture*>(Alloc(nullptr, 1, 0))).first; },
    [](Texture* texture) {
        EXPECT_EQ(gLivePages.erase(texture), 1u) << "page texture destroyed twice";
        Allocator::Free(texture);
    }};

class ImageAtlasTest : public ::testing::Test {
protected:
    void SetUp() override {
        ImageAtlas::SetTextureFactory(&kFakeFactory);
        ImageAtlas::Init();
    }
    void TearDown() override {
        ImageAtlas::Shutdown();
        ImageAtlas::SetTextureFactory(nullptr);
        EXPECT_TRUE(gLivePages.empty());
        gLivePages.clear();
    }

    static std::vector<std::vector<int>> FreeRects(int slot) {
        AtlasArea rects[64];
        int count = ImageAtlas::FreeRectangles(slot, rects, 64);
        std::vector<std::vector<int>> out;
        for (int i = 0; i < count && i < 64; ++i) out.push_back({rects[i].x, rects[i].y, rects[i].width, rects[i].height});
        return out;
    }
};

TEST_F(ImageAtlasTest, FirstAreaSplitsThePageAndImpossibleRequestsGiveNull) {
    AtlasArea* area = ImageAtlas::Allocate(100, 50, 0, nullptr);
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->x == 0 && area->y == 0 && area->width == 100 && area->height == 50 && area->refCount == 1);
    EXPECT_EQ(area->texture, ImageAtlas::PageTexture(0));
    EXPECT_EQ(FreeRects(0), (std::vector<std::vector<int>>{{100, 0, 924, 50}, {0, 50, 1024, 974}}));
    ImageAtlas::Release(area);

    std::vector<AtlasArea*> pages;
    for (int i = 0; i < kAtlasPageCount; ++i) pages.push_back(ImageAtlas::Allocate(1024, 1024, 0, nullptr));
    EXPECT_EQ(ImageAtlas::PageCount(), kAtlasPageCount);
    for (const auto& size : {std::pair<int, int>{1, 1}, {0, 5}, {5, 0}, {-1, 5}, {1025, 1}, {1, 1025}}) {
        LogCapture log;
        EXPECT_EQ(ImageAtlas::Allocate(size.first, size.second, 0, nullptr), nullptr);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Failed to allocate image area."});
    }
    for (AtlasArea* page : pages) ImageAtlas::Release(page);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
}

struct Rect { int x, y, w, h; Texture* page; };

bool Overlap(const Rect& a, const Rect& b) {
    return a.page == b.page && a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// Every page is covered exactly once by its live areas and free rectangles.
void CheckCoverage(const std::vector<AtlasArea*>& live) {
    std::vector<Rect> all;
    for (AtlasArea* area : live) all.push_back({area->x, area->y, area->width, area->height, area->texture});
    std::vector<AtlasArea> rects(4096);
    for (int slot = 0; slot < kAtlasPageCount; ++slot) {
        Texture* page = ImageAtlas::PageTexture(slot);
        const int count = page ? ImageAtlas::FreeRectangles(slot, rects.data(), 4096) : 0;
        ASSERT_LE(count, 4096);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(rects[i].refCount, 0);
            all.push_back({rects[i].x, rects[i].y, rects[i].width, rects[i].height, page});
        }
    }
    std::map<Texture*, int64_t> covered;
    for (size_t i = 0; i < all.size(); ++i) {
        const Rect& r = all[i];
        ASSERT_TRUE(r.w > 0 && r.h > 0 && r.x >= 0 && r.y >= 0 && r.x + r.w <= 1024 && r.y + r.h <= 1024)
            << r.x << "," << r.y << " " << r.w << "x" << r.h;
        for (size_t j = i + 1; j < all.size(); ++j) ASSERT_FALSE(Overlap(r, all[j])) << "rectangles " << i << ", " << j;
        covered[r.page] += int64_t{r.w} * r.h;
    }
    for (int slot = 0; slot < kAtlasPageCount; ++slot) {
        if (ImageAtlas::PageTexture(slot)) { EXPECT_EQ(covered[ImageAtlas::PageTexture(slot)], 1024 * 1024) << slot; }
    }
}

TEST_F(ImageAtlasTest, TenThousandRandomStepsKeepEveryPageExactlyCovered) {
    std::mt19937 random(12345);
    std::vector<AtlasArea*> live;
    int failures = 0;
    LogCapture log;  // a full atlas logs; that is expected here
    for (int step = 0; step < 10000; ++step) {
        bool allocate = live.empty() || random() % 100 < 55;
        if (allocate) {
            const int kind = random() % 10, limit = kind == 0 ? 1024 : kind < 4 ? 16 : 256;
            const int w = 1 + static_cast<int>(random() % limit), h = 1 + static_cast<int>(random() % limit);
            AtlasArea* area = ImageAtlas::Allocate(w, h, 0, nullptr);
            if (area == nullptr) {
                ++failures;
                continue;
            }
            ASSERT_TRUE(area->width == w && area->height == h);
            live.push_back(area);
        } else {
            size_t index = random() % live.size();
            ImageAtlas::Release(live[index]);
            live.erase(live.begin() + static_cast<long>(index));
        }
        if (step % 250 == 0) {
            CheckCoverage(live);
            if (HasFatalFailure()) return;
        }
    }
    CheckCoverage(live);
    EXPECT_EQ(static_cast<size_t>(failures), log.Count());
    std::shuffle(live.begin(), live.end(), random);
    for (AtlasArea* area : live) ImageAtlas::Release(area);
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
}

std::string RgbaPng(const RawImage& source) {
    return WritePng(PngLayout{source.width, source.height, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, source.rgba, {}, {}});
}

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
        WaitUntil([&] { return texture->state.load() != kAsyncTextureLoading; });
        return texture->state.load();
    }
    AsyncTexture* LoadNow(const std::string& path, bool useAtlas) {
        AsyncTexture* texture = NewTextureAsync(path.c_str(), useAtlas ? 1 : 0, nullptr, nullptr);
        WaitForDecode(texture);
        TaskSystem::RunMainQueue();
        return texture;
    }
    // Draws the image 1:1 with a sprite, its top-left corner at (x, y).
    std::vector<uint8_t> Draw(AsyncTexture* image, int x, int y) {
        const TextureArea* area = AsyncTexture::GetArea(image);
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

TEST_F(AsyncTextureTest, AFileThatIsNoImageEndsInTheFailedState) {
    LogCapture log;
    AsyncTexture* image = LoadNow(WriteFile("text.png", "not an image at all"), true);
    EXPECT_EQ(image->state.load(), kAsyncTextureFailed);
    EXPECT_EQ(AsyncTexture::GetArea(image), nullptr);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Error: Invalid image format. \"" + folder_.File("text.png") + "\""});
    ReleaseTexture(image);
}

// Releases at every stage of a load; nothing may run on freed memory afterwards.
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
