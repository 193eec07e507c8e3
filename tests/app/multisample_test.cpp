// The multisample decision and the multisample framebuffer on Mesa.
#include "app/multisample.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/app/gl_draw_helpers.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/log_capture.h"

namespace {

TEST(MultisampleDecision, ApiComesFromVersionAndExtensionNames) {
    struct Case {
        const char* version;
        const char* extensions;
        MultisampleApi api;
    } cases[] = {
        {"OpenGL ES 3.2 Mesa 22.3.6", "", MultisampleApi::kCore},
        {"OpenGL ES 3.0", nullptr, MultisampleApi::kCore},
        {"OpenGL ES 2.0 Mesa 22.3.6", "GL_OES_rgb8_rgba8 GL_EXT_blend_minmax", MultisampleApi::kNone},
        {"OpenGL ES 2.0", "GL_ANGLE_framebuffer_multisample GL_ANGLE_framebuffer_blit", MultisampleApi::kAngle},
        {"OpenGL ES 2.0", "GL_ANGLE_framebuffer_multisample", MultisampleApi::kNone},
        {"OpenGL ES 2.0", "GL_ANGLE_framebuffer_multisample_x GL_ANGLE_framebuffer_blit", MultisampleApi::kNone},
        {"OpenGL ES 2.0", "GL_NV_framebuffer_blit GL_NV_framebuffer_multisample", MultisampleApi::kNv},
        {nullptr, nullptr, MultisampleApi::kNone},
        {"garbage", "", MultisampleApi::kNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetectMultisampleApi(c.version, c.extensions), c.api)
            << (c.version ? c.version : "null") << " / " << (c.extensions ? c.extensions : "null");
    }
}

class MultisampleGlTest : public GlTest {
protected:
    GlProcLookup Lookup() {
        return [](const char* name) { return context()->GetProcAddress(name); };
    }
    MultisampleApi Api() {
        return DetectMultisampleApi(reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                                    reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    }
};

// Counts pixels of the window that are neither the clear colour nor the
// triangle's: edge pixels that only multisampling blends.
int CountBlendedPixels() {
    std::vector<uint8_t> pixels(GlTest::kWidth * GlTest::kHeight * 4);
    glReadPixels(0, 0, GlTest::kWidth, GlTest::kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int blended = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        bool clear = pixels[i] == 0 && pixels[i + 1] == 0 && pixels[i + 2] == 0;
        bool full = pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255;
        if (!clear && !full) ++blended;
    }
    return blended;
}

void DrawScene() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float triangle[] = {-0.8f, -0.7f, 0.9f, -0.3f, -0.2f, 0.85f};
    DrawFlatTriangle(triangle, 1, 1, 1);
}

TEST_F(MultisampleGlTest, FourSamplesResolveIntoTheWindowWithBlendedEdges) {
    if (Api() == MultisampleApi::kNone) GTEST_SKIP() << "this context has no multisample API";
    MultisampleBuffer buffer;
    int samples = buffer.Create(4, kWidth, kHeight, Api(), Lookup());
    ASSERT_EQ(samples, 4);
    ASSERT_TRUE(buffer.active());
    buffer.Bind();
    DrawScene();
    buffer.ResolveToWindow();
    EXPECT_TRUE(NoGlError());
    EXPECT_GT(CountBlendedPixels(), 100);
    EXPECT_EQ(ReadPixel(kWidth / 2, kHeight / 2), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(ReadPixel(2, 2), (Rgba{0, 0, 0, 255}));

    // Without the buffer the same scene has hard edges.
    buffer.Destroy();
    DrawScene();
    EXPECT_EQ(CountBlendedPixels(), 0);
}

}  // namespace
