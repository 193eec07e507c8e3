// The engine's script classes through real scripts: the graphics side on a
// headless GL context, the task system, a fresh VM with the whole engine
// script API as the game registers it, the script objects on a counting
// allocator, and an in-memory pack as the current file-system manager. The
// pack holds "image/quadrants.png" (16 x 16, one colour per 8 x 8 quarter)
// and "font/DejaVuSans.ttf" from the system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/layer_list.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/script/script_test_util.h"

struct Sprite;
struct TextBox;

// The quarters of image/quadrants.png as 0xRRGGBB: top-left, top-right,
// bottom-left, bottom-right.
constexpr uint32_t kQuadrantColours[4] = {0x2040C0, 0x30D050, 0xE07010, 0xF0F0F0};

class MediaClassesTest : public GfxTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs `source` and expects it to finish without an error.
    void Run(const std::string& source);
    // Whether `call` threw, run inside try/catch.
    bool Throws(const std::string& call);
    // The native object of the instance that `expression` gives, or null.
    void* NativeOf(const std::string& expression);

    // Runs the main queue until no image is loading or waiting for upload.
    static void WaitForImages();
    // The objects of the global layer list that `draw` draws, in drawing order.
    static std::vector<void*> Drawn(LayerDrawCallback draw);
    static std::vector<TextBox*> TextBoxes();
    static std::vector<Sprite*> Sprites();  // of LayerInterface instances
    // Clears to black and draws the global layer list.
    static void DrawLayers();
    // The pixel at (x, y) from the top-left as 0xRRGGBB.
    static uint32_t ReadPixel(int x, int y);

    TrackingAllocator vmAllocator;
    CountingAllocator objects_;
    HSQUIRRELVM v = nullptr;
};
