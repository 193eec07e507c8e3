// LayerInterface and InputInterface through scripts compiled from source: z
// order, hit tests, hostile calls, release hooks, and pointer records read
// back newest first with drag signs and angles.
#include <gtest/gtest.h>
#include <cmath>

#include "app/input.h"
#include "gfx/async_texture.h"
#include "gfx/quad.h"
#include "gfx/sprite.h"
#include "tests/script_classes/script_classes_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using LayerInterfaceTest = ScriptClassesTest;

TEST_F(LayerInterfaceTest, EqualZLayersDrawInLinkOrderAndSetZMovesBehind) {
    Run("a <- LayerInterface(); b <- LayerInterface(); c <- LayerInterface();"
        "a.SetZ(5); b.SetZ(1); c.SetZ(5); a.SetPos(1, 0); b.SetPos(2, 0); c.SetPos(3, 0);");
    auto order = [] {
        std::vector<int> xs;
        for (SpriteLayer* layer : Layers()) xs.push_back(layer->sprite->GetX());
        return xs;
    };
    EXPECT_EQ(order(), (std::vector<int>{2, 1, 3}));
    Run("a.SetZ(5);");
    EXPECT_EQ(order(), (std::vector<int>{2, 3, 1}));
    Run("b.SetZ(9);");
    EXPECT_EQ(order(), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(Eval(v, "b.GetZ()").integer, 9);
}

TEST_F(LayerInterfaceTest, HitTestBoxes) {
    Run("layer <- LayerInterface(); layer.SetSize(10, 10); layer.SetPos(100, 100);");
    const struct { const char* setup; int x, y; bool hit; } cases[] = {
        {"", 95, 95, true},
        {"", 105, 100, false},
        {"", 104, 104, true},
        {"", 94, 100, false},
        {"layer.SetHitTest(10, 0);", 109, 100, true},
        {"layer.SetHitTest(10, 0);", 110, 100, false},
        {"layer.SetHitTest(0, 0); layer.SetScale(2.0);", 109, 90, true},
        {"layer.SetScale(2.0);", 110, 100, false},
        {"layer.SetScale(1.0); layer.SetSize(11, 11);", 105, 100, false},  // half = 5
        {"layer.SetClipRect(98, 0, 200, 200);", 97, 100, false},
        {"layer.SetClipRect(98, 0, 200, 200);", 98, 100, true},
        {"layer.SetClipRect(200, 200, 300, 300);", 0, 0, false},  // empty: {0, 0, 0, 0}
        {"layer.SetClipRect(0, 0, 0, 0); layer.SetAngle(45.0);", 96, 96, true},  // the angle is ignored
    };
    for (const auto& c : cases) {
        Run(c.setup);
        EXPECT_EQ(Eval(v, "layer.HitTest(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")").boolean, c.hit)
            << c.setup << " (" << c.x << ", " << c.y << ")";
    }
}

// Calls with missing, mistyped or foreign arguments: each is a warning with
// 0 used, or a script error, and never touches memory it should not.
TEST_F(LayerInterfaceTest, WrongCallsNeverCrash) {
    Run("layer <- LayerInterface(); other <- InputInterface(0); image <- ImageInterface(4, 4, 0);");
    const struct { const char* call; bool throws; bool warns; } cases[] = {
        {"layer.SetPos()", false, true},
        {"layer.SetPos(\"x\", null)", false, true},
        {"layer.SetPos(1.9, [1])", false, true},
        {"layer.SetColor()", false, true},
        {"layer.SetVertexColor(1)", false, true},
        {"layer.SetClipRect({})", false, true},
        {"layer.SetAlpha(\"half\")", false, true},
        {"layer.SetImage()", false, true},
        {"layer.SetImage(null)", false, false},
        {"layer.SetImage(5)", true, false},
        {"layer.SetImage(other)", true, false},
        {"layer.SetImage(layer)", true, false},
        {"layer.SetImageRect(image)", false, true},
        {"layer.SetImageRect(\"image\", 0, 0, 1, 1)", true, false},
        {"layer.HitTest()", false, true},
        {"layer.SetPos(1, 2, 3, 4, 5)", false, false},
        {"LayerInterface.SetPos.call(other, 1, 2)", true, false},
        {"LayerInterface.GetColor.call(null)", true, false},
        {"LayerInterface.GetColor.call(5)", true, false},
        {"LayerInterface.instance().GetColor()", true, false},
        {"layer.constructor()", true, false},
        {"InputInterface.GetState.call(layer)", true, false},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EvalResult result = RunSource(v, std::string("local caught = false; try { ") + c.call +
                                             "; } catch (e) { caught = true; } return caught;");
        ASSERT_TRUE(result.ok) << c.call;
        EXPECT_EQ(result.boolean, c.throws) << c.call;
        bool warned = false;
        for (const std::string& line : log.Lines()) warned |= line.rfind("Warning: ", 0) == 0;
        EXPECT_EQ(warned, c.warns) << c.call;
    }
    EXPECT_EQ(Eval(v, "layer.GetPosX()").integer, 1);
    EXPECT_EQ(Layers().size(), 1u);
}

TEST_F(LayerInterfaceTest, ReleaseHooksFreeEveryLayer) {
    Run("for (local i = 0; i < 100; ++i) { local l = LayerInterface(); l.SetZ(i % 7); }"
        "kept <- [LayerInterface(), LayerInterface()];");
    Run("collectgarbage();");
    EXPECT_EQ(Layers().size(), 2u);
    Run("kept = null; collectgarbage();");
    EXPECT_EQ(Layers().size(), 0u);
    EXPECT_TRUE(objects_.live.empty());
}

class InputInterfaceTest : public ScriptClassesTest {
protected:
    void SetUp() override {
        ScriptClassesTest::SetUp();
        InitInputWith(nullptr, nullptr);
        PointerState* pointer = GetPointerState(0);
        for (int k = 0; k < kPointerHistory; ++k) {
            pointer->history[k][0] = 100 + k;
            pointer->history[k][1] = 200 + k;
        }
    }
    void TearDown() override {
        InitInputWith(nullptr, nullptr);
        ScriptClassesTest::TearDown();
    }

    void SetDrag(int pushX, int pushY, int x, int y) {
        PointerState* pointer = GetPointerState(0);
        pointer->pushX = pushX;
        pointer->pushY = pushY;
        pointer->history[0][0] = x;
        pointer->history[0][1] = y;
    }
};

TEST_F(InputInterfaceTest, ReadsTheHistoryNewestFirst) {
    Run("input <- InputInterface(0);");
    EXPECT_EQ(Eval(v, "input.GetX(0)").integer, 100);
    EXPECT_EQ(Eval(v, "input.GetY(19)").integer, 219);
    EXPECT_EQ(Eval(v, "input.GetX(20)").integer, 0);
    EXPECT_EQ(Eval(v, "input.GetX(-1)").integer, 0);
    EXPECT_EQ(Eval(v, "input.GetX(1 << 40)").integer, 0);
    GetPointerState(0)->state = kButtonHeld;
    GetPointerState(0)->holdFrames = 42;
    EXPECT_EQ(Eval(v, "input.GetState()").integer, 3);
    EXPECT_EQ(Eval(v, "input.GetHoldTime()").integer, 42);
}

TEST_F(InputInterfaceTest, DragSignsAndAngles) {
    Run("input <- InputInterface(0);");
    const struct { int pushX, pushY, x, y; int countX, countY; float distance, angle; } cases[] = {
        {50, 50, 40, 50, 10, 0, 10.0f, static_cast<float>(M_PI)},  // moved left: positive count
        {50, 50, 50, 60, 0, -10, 10.0f, static_cast<float>(M_PI / 2)},  // straight down
        {10, 10, 13, 14, -3, -4, 5.0f, std::atan2(4.0f, 3.0f)},
        {0, 0, 0, 0, 0, 0, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        SetDrag(c.pushX, c.pushY, c.x, c.y);
        EXPECT_EQ(Eval(v, "input.GetPushX()").integer, c.pushX);
        EXPECT_EQ(Eval(v, "input.GetDragCountX()").integer, c.countX);
        EXPECT_EQ(Eval(v, "input.GetDragCountY()").integer, c.countY);
        EXPECT_FLOAT_EQ(Eval(v, "input.GetDragDistance()").real, c.distance);
        EXPECT_FLOAT_EQ(Eval(v, "input.GetDragAngle()").real, c.angle);
    }
}

}  // namespace
