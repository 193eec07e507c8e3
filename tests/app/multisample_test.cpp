// The multisample decision and the multisample framebuffer on Mesa; the
// frame's multisampled drawing is pinned by the whole-program test under Xvfb.
#include "app/multisample.h"

#include <gtest/gtest.h>

#include "tests/support/gl_fixture.h"
#include "tests/support/log_capture.h"

namespace {

TEST(MultisampleDecision, ApiComesFromVersionAndExtensionNames) {
    struct Case { const char* version; const char* extensions; MultisampleApi api; } cases[] = {
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
    for (const Case& c : cases)
        EXPECT_EQ(DetectMultisampleApi(c.version, c.extensions), c.api)
            << (c.version ? c.version : "null") << " / " << (c.extensions ? c.extensions : "null");
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

TEST(MultisampleDecision, SampleCountIsClampedAndNeedsAnApi) {
    struct Case { int wanted, max; MultisampleApi api; int samples; } cases[] = {
        {4, 2, MultisampleApi::kCore, 2}, {4, 8, MultisampleApi::kCore, 4}, {1, 4, MultisampleApi::kCore, 1},
        {0, 4, MultisampleApi::kCore, 0}, {4, 4, MultisampleApi::kNone, 1}, {4, 0, MultisampleApi::kCore, 0},
        {4, 0, MultisampleApi::kNone, 1},  // an ES 2.0 driver may not know the query at all
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseSampleCount(c.wanted, c.max, c.api), c.samples) << c.wanted << " " << c.max;
}

TEST_F(MultisampleGlTest, IncompleteFramebufferIsLoggedAndDropped) {
    // Mesa offers no ANGLE extension but hands out do-nothing stubs for its
    // names: storage never happens and the framebuffer stays incomplete.
    if (Api() == MultisampleApi::kNone) GTEST_SKIP() << "no sample count above 1 on this context";
    LogCapture log;
    MultisampleBuffer buffer;
    EXPECT_EQ(buffer.Create(4, kWidth, kHeight, MultisampleApi::kAngle, Lookup()), 1);
    EXPECT_FALSE(buffer.active());
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Error: Failed to create multisample frame buffer."}));
}

}  // namespace
