#include "tests/gfx_images/images_gl_fixture.h"

#include <cstring>

#include "core/task_system.h"
#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "gfx/image_atlas.h"
#include "gfx/std2d.h"
#include "platform/threads.h"

void ImagesGlTest::SetUp() {
    GlTest::SetUp();
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    ASSERT_TRUE(GraphicsInit(kWidth, kHeight, nullptr));  // also empties the image atlas
    RebindStd2dProgram();
    ClearScreen();
}

void ImagesGlTest::TearDown() {
    EXPECT_EQ(GetAsyncTextureList().count, 0u) << "a test left images alive";
    EXPECT_EQ(ImageAtlas::PageCount(), 0);
    UnbindStd2dProgram();
    GraphicsShutdown();
    TaskSystem::Shutdown();
    GlTest::TearDown();
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

void ImagesGlTest::ClearScreen() {
    const float black[4] = {0, 0, 0, 1};
    GlClearColorBuffer(black);
}

std::vector<uint8_t> ImagesGlTest::ReadRect(int x, int y, int w, int h) {
    std::vector<uint8_t> bottomUp(static_cast<size_t>(w) * h * 4);
    glReadPixels(x, kHeight - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    for (int row = 0; row < h; ++row) {
        memcpy(&topDown[static_cast<size_t>(row) * w * 4], &bottomUp[static_cast<size_t>(h - 1 - row) * w * 4],
               static_cast<size_t>(w) * 4);
    }
    return topDown;
}
