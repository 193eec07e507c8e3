// A GL fixture with the graphics side started and the Std2d program bound; image and drawing helpers.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/image.h"
#include "gfx/texture.h"
#include "tests/support/gl_fixture.h"

class GfxTest : public GlTest {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    using GlTest::ReadRect;
    static void ClearScreen(uint8_t r, uint8_t g, uint8_t b);
    // Draws `texture` 1:1 at (x, y), nearest filtering, in blend mode `blend`.
    static void DrawTexture(Texture* texture, int x, int y, int blend);
};

// An image of `type` holding `bytes` (copied; must be the whole pixel data).
Image* MakeImage(PixelFormat type, int32_t width, int32_t height, int32_t bits, const std::vector<uint8_t>& bytes);

// RGBA8 helpers: colour words have red in the lowest byte.
constexpr uint32_t ColorWord(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    return uint32_t{r} | (uint32_t{g} << 8) | (uint32_t{b} << 16) | (uint32_t{a} << 24);
}
