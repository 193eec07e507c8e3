#include "tests/gfx/gfx_fixture.h"

#include <cstring>

#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "gfx/std2d.h"

void GfxTest::SetUp() {
    GlTest::SetUp();
    ASSERT_TRUE(GraphicsInit(kWidth, kHeight, nullptr));
    RebindStd2dProgram();
    ClearScreen(0, 0, 0);
}

void GfxTest::TearDown() {
    UnbindStd2dProgram();
    GraphicsShutdown();
    GlTest::TearDown();
}

void GfxTest::ClearScreen(uint8_t r, uint8_t g, uint8_t b) {
    const float rgba[4] = {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f};
    GlClearColorBuffer(rgba);
}

void GfxTest::DrawTexture(Texture* texture, int x, int y, int blend) {
    GlState::SetTexture(texture, GL_CLAMP_TO_EDGE, GL_NEAREST);
    GlState::SetBlendMode(blend);
    DrawStd2dRectColor(x, y, texture->width, texture->height, 0, 0, texture->width, texture->height,
                       0xFFFFFFFFu);
}

Image* MakeImage(PixelFormat type, int32_t width, int32_t height, int32_t bits, const std::vector<uint8_t>& bytes) {
    Image* image = Image::NewWithData(width, height, type, bits, static_cast<uint32_t>(bytes.size()), nullptr);
    if (image && !bytes.empty()) memcpy(image->pixels, bytes.data(), bytes.size());
    return image;
}
