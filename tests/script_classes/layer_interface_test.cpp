// LayerInterface and InputInterface through scripts: z order, hit boxes, pointer history, drags.
#include <gtest/gtest.h>
#include <cmath>

#include "app/input.h"
#include "tests/script_classes/media_classes_fixture.h"

namespace {

using LayerInterfaceTest = MediaClassesTest;

// A layer's box scales and takes the clip rectangle, a text box's and a tile's do neither.
TEST_F(LayerInterfaceTest, HitTestBoxes) {
    Run("layer <- LayerInterface(); layer.SetSize(10, 10); layer.SetPos(100, 100);"
        "font <- FontInterface(24, \"font/DejaVuSans.ttf\"); box <- TextBoxInterface(font, 64);"
        "tile <- TileInterface(); foreach (o in [box, tile]) { o.SetSize(100, 40); o.SetPos(200, 100); }");
    const struct { const char* setup; const char* object; int x, y; bool hit; } cases[] = {
        {"", "layer", 95, 95, true}, {"", "layer", 105, 100, false}, {"", "layer", 104, 104, true},
        {"", "layer", 94, 100, false}, {"layer.SetHitTest(10, 0);", "layer", 109, 100, true},
        {"layer.SetHitTest(10, 0);", "layer", 110, 100, false},
        {"layer.SetHitTest(0, 0); layer.SetScale(2.0);", "layer", 109, 90, true},
        {"layer.SetScale(2.0);", "layer", 110, 100, false},
        {"layer.SetScale(1.0); layer.SetSize(11, 11);", "layer", 105, 100, false},  // half = 5
        {"layer.SetClipRect(98, 0, 200, 200);", "layer", 97, 100, false}, {"", "layer", 98, 100, true},
        {"layer.SetClipRect(200, 200, 300, 300);", "layer", 0, 0, false},  // empty: {0, 0, 0, 0}
        {"layer.SetClipRect(0, 0, 0, 0); layer.SetAngle(45.0);", "layer", 96, 96, true},  // the angle is ignored
        {"", "box", 150, 80, true}, {"", "box", 250, 100, false}, {"", "box", 200, 120, false},
        {"", "box", 249, 119, true}, {"", "box", 149, 100, false},
        {"box.SetScale(3.0); box.SetAngle(45.0); box.SetClipRect(0, 0, 10, 10);", "box", 150, 80, true},
        {"box.SetScale(3.0);", "box", 260, 100, false}, {"box.SetSize(101, 41);", "box", 250, 100, false},  // half 50
        {"box.SetSize(-7, 40);", "box", 200, 100, false},   // half -4: an empty box
        {"", "tile", 150, 80, true}, {"", "tile", 250, 100, false}, {"", "tile", 200, 120, false},
        {"tile.SetHitTest(10, 10);", "tile", 250, 100, true}, {"", "tile", 200, 120, true},
    };
    for (const auto& c : cases) {
        Run(c.setup);
        const std::string probe =
            std::string(c.object) + ".HitTest(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")";
        EXPECT_EQ(Eval(v, probe).boolean, c.hit) << c.setup << " " << probe;
    }
}

class InputInterfaceTest : public MediaClassesTest {
protected:
    void SetUp() override {
        MediaClassesTest::SetUp();
        InitInputWith(nullptr, nullptr);
        PointerState* pointer = GetPointerState(0);
        for (int k = 0; k < kPointerHistory; ++k) pointer->history[k][0] = 100 + k, pointer->history[k][1] = 200 + k;
        Run("input <- InputInterface(0);");
    }
    void TearDown() override {
        InitInputWith(nullptr, nullptr);
        MediaClassesTest::TearDown();
    }
};

TEST_F(InputInterfaceTest, HistoryNewestFirstDragSignsAndAngles) {
    EXPECT_EQ(Eval(v, "input.GetX(0)").integer, 100);
    EXPECT_EQ(Eval(v, "input.GetY(19)").integer, 219);
    for (const char* outside : {"input.GetX(20)", "input.GetX(-1)", "input.GetX(1 << 40)"})
        EXPECT_EQ(Eval(v, outside).integer, 0) << outside;
    const struct { int pushX, pushY, x, y; int countX, countY; float distance, angle; } cases[] = {
        {50, 50, 40, 50, 10, 0, 10.0f, static_cast<float>(M_PI)},  // moved left: positive count
        {50, 50, 50, 60, 0, -10, 10.0f, static_cast<float>(M_PI / 2)},  // straight down
        {10, 10, 13, 14, -3, -4, 5.0f, std::atan2(4.0f, 3.0f)},
        {0, 0, 0, 0, 0, 0, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        PointerState* pointer = GetPointerState(0);
        pointer->pushX = c.pushX, pointer->pushY = c.pushY;
        pointer->history[0][0] = c.x, pointer->history[0][1] = c.y;
        EXPECT_EQ(Eval(v, "input.GetDragCountX()").integer, c.countX);
        EXPECT_EQ(Eval(v, "input.GetDragCountY()").integer, c.countY);
        EXPECT_FLOAT_EQ(Eval(v, "input.GetDragDistance()").real, c.distance);
        EXPECT_FLOAT_EQ(Eval(v, "input.GetDragAngle()").real, c.angle);
    }
}

}  // namespace
