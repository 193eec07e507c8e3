// A script places, tints, moves, fades, orders and removes layers; the 2D
// pass draws the global layer list and the pixels are read back.
#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include <memory>

#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "gfx/std2d.h"
#include "platform/gl_headless.h"
#include "tests/script_classes/script_classes_fixture.h"

namespace {

constexpr int kSize = 128;

class LayerPixelsTest : public ScriptClassesTest {
protected:
    static void SetUpTestSuite() {
        std::string error;
        context_ = HeadlessGlContext::Create(kSize, kSize, &error).release();
        ASSERT_NE(context_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete context_;
        context_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(context_->MakeCurrent());
        glViewport(0, 0, kSize, kSize);
        ASSERT_TRUE(GraphicsInit(kSize, kSize, nullptr));
        RebindStd2dProgram();
        SetStandInImagesUploaded(true);
        ScriptClassesTest::SetUp();
    }
    void TearDown() override {
        ScriptClassesTest::TearDown();
        SetStandInImagesUploaded(false);
        UnbindStd2dProgram();
        GraphicsShutdown();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    // Clears to black, draws the layers and returns the pixel at (x, y) from the top-left as 0xRRGGBB.
    static uint32_t DrawAndRead(int x, int y) {
        const float black[4] = {0, 0, 0, 1};
        GlClearColorBuffer(black);
        DrawGlobalLayerList();
        uint8_t p[4] = {};
        glReadPixels(x, kSize - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
    }

    static HeadlessGlContext* context_;
};

HeadlessGlContext* LayerPixelsTest::context_ = nullptr;

TEST_F(LayerPixelsTest, AScriptPlacesMovesFadesAndRemovesALayer) {
    Run("red <- LayerInterface(); red.SetImage(ImageInterface(20, 10, 0xFF0000FF)); red.SetPos(30, 40);");
    EXPECT_EQ(DrawAndRead(30, 40), 0xFF0000u);
    EXPECT_EQ(DrawAndRead(21, 40), 0xFF0000u);
    EXPECT_EQ(DrawAndRead(19, 40), 0x000000u) << "20 wide, centred on 30";
    EXPECT_EQ(DrawAndRead(30, 46), 0x000000u) << "10 high, centred on 40";

    Run("red.SetPos(90, 100);");
    EXPECT_EQ(DrawAndRead(30, 40), 0x000000u);
    EXPECT_EQ(DrawAndRead(90, 100), 0xFF0000u);

    Run("red.SetFade(0.5);");
    uint32_t faded = DrawAndRead(90, 100);
    EXPECT_NEAR(static_cast<int>(faded >> 16), 127, 1);
    EXPECT_EQ(faded & 0xFFFFu, 0u);

    Run("red.SetFade(1.0); red.SetAlpha(-1.0);");
    EXPECT_EQ(DrawAndRead(90, 100), 0x000000u);

    Run("red.SetAlpha(1.0); red.SetVisible(false);");
    EXPECT_EQ(DrawAndRead(90, 100), 0x000000u);

    Run("red.SetVisible(true); red = null; collectgarbage();");
    EXPECT_EQ(DrawAndRead(90, 100), 0x000000u);
}

}  // namespace
