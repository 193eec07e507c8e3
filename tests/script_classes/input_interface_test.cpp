// InputInterface reading pointer records written by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "app/input.h"
#include "tests/script_classes/script_classes_fixture.h"
#include "tests/support/log_capture.h"

namespace {

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
    const struct {
        int pushX, pushY, x, y;
        int countX, countY;
        float distance, angle;
    } cases[] = {
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
