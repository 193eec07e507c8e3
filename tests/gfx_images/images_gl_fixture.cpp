#include "tests/gfx_images/images_gl_fixture.h"

#include "core/task_system.h"
#include "gfx/image_atlas.h"
#include "platform/threads.h"

void ImagesGlTest::SetUp() {
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    GfxTest::SetUp();  // also empties the image atlas
}

void ImagesGlTest::TearDown() {
    EXPECT_EQ(GetAsyncTextureList().count, 0u) << "a test left images alive";
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
    GfxTest::TearDown();
    TaskSystem::Shutdown();
}

std::string ImagesGlTest::WriteFile(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(folder_.Write(name, bytes));
    return folder_.File(name);
}

int ImagesGlTest::WaitForDecode(AsyncTexture* texture) {
    uint64_t deadline = GetTimeMicros() + 10000000;
    while (texture->state.load() == kAsyncTextureLoading && GetTimeMicros() < deadline) SleepMs(1);
    return texture->state.load();
}

AsyncTexture* ImagesGlTest::LoadNow(const std::string& path, bool useAtlas) {
    AsyncTexture* texture = NewTextureAsync(path.c_str(), useAtlas ? 1 : 0, nullptr, nullptr);
    if (texture == nullptr) return nullptr;
    WaitForDecode(texture);
    TaskSystem::RunMainQueue();
    return texture;
}
