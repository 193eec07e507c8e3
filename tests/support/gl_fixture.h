// A headless OpenGL ES context per test binary; pixels read back top-left first, GL errors checked.
#pragma once

#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gl_headless.h"

struct Rgba {
    uint8_t r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
std::ostream& operator<<(std::ostream& out, const Rgba& c);

class GlTest : public ::testing::Test {
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 256;

protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    static HeadlessGlContext* context();
    // The pixel at (x, y) counted from the top-left corner of framebuffer 0.
    static Rgba ReadPixel(int x, int y);
    // The RGBA8 pixels of a rectangle placed the same way, top row first.
    static std::vector<uint8_t> ReadRect(int x, int y, int w, int h);
    // Every pixel of the rectangle equals `colour` (alpha ignored when the surface has none).
    static ::testing::AssertionResult RectIs(int x, int y, int w, int h, Rgba colour, int tolerance = 0);
    static ::testing::AssertionResult NoGlError();
};
