#include "tests/support/gl_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <vector>

namespace {
std::unique_ptr<HeadlessGlContext>& Shared() {
    static std::unique_ptr<HeadlessGlContext> context;
    return context;
}
}  // namespace

std::ostream& operator<<(std::ostream& out, const Rgba& c) {
    return out << "rgba(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a) << ")";
}

void GlTest::SetUpTestSuite() {
    if (Shared()) return;
    std::string error;
    Shared() = HeadlessGlContext::Create(kWidth, kHeight, &error);
    if (!Shared()) {
        fprintf(stderr, "headless GL context: %s\n", error.c_str());
        abort();
    }
}

void GlTest::SetUp() {
    ASSERT_TRUE(context()->MakeCurrent());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kWidth, kHeight);
    while (glGetError() != GL_NO_ERROR) {
    }
}

void GlTest::TearDown() { EXPECT_TRUE(NoGlError()); }

HeadlessGlContext* GlTest::context() { return Shared().get(); }

Rgba GlTest::ReadPixel(int x, int y) {
    uint8_t p[4] = {};
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgba{p[0], p[1], p[2], p[3]};
}

std::vector<uint8_t> GlTest::ReadRect(int x, int y, int w, int h) {
    std::vector<uint8_t> bottomUp(static_cast<size_t>(w) * h * 4);
    glReadPixels(x, kHeight - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    for (int row = 0; row < h; ++row) {
        std::copy_n(&bottomUp[static_cast<size_t>(h - 1 - row) * rowBytes], rowBytes, &topDown[row * rowBytes]);
    }
    return topDown;
}

::testing::AssertionResult GlTest::RectIs(int x, int y, int w, int h, Rgba colour, int tolerance) {
    const std::vector<uint8_t> pixels = ReadRect(x, y, w, h);
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            const uint8_t* p = &pixels[(static_cast<size_t>(row) * w + col) * 4];
            Rgba got{p[0], p[1], p[2], p[3]};
            auto off = [tolerance](int a, int b) { return std::abs(a - b) > tolerance; };
            if (off(got.r, colour.r) || off(got.g, colour.g) || off(got.b, colour.b)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x + col << "," << y + row << ") is " << got << ", expected " << colour;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GlTest::NoGlError() {
    GLenum error = glGetError();
    if (error == GL_NO_ERROR) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "GL error 0x" << std::hex << error;
}
