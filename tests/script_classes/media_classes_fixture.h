// Images, fonts and text boxes through real scripts: a headless GL context,
// the task system, the whole engine script API as the game registers it, the
// script objects on a counting allocator, and an in-memory pack as the
// current file-system manager. The pack holds "image/quadrants.png" (16 x 16,
// one colour per 8 x 8 quarter), "image/broken.png" (a cut PNG) and the fonts
// "font/DejaVuSans.ttf" and "font/ipag.ttf" from the system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gl_headless.h"
#include "tests/core/counting_allocator.h"
#include "tests/script/script_test_util.h"

struct PackMgr;
struct TextBox;

// The quarters of image/quadrants.png as 0xRRGGBB: top-left, top-right,
// bottom-left, bottom-right.
constexpr uint32_t kQuadrantColours[4] = {0x2040C0, 0x30D050, 0xE07010, 0xF0F0F0};

class MediaClassesTest : public ScriptTest {
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 128;

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
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
    // The text boxes of the global layer list, in drawing order.
    static std::vector<TextBox*> TextBoxes();
    // Clears to black and draws the global layer list.
    static void DrawLayers();
    // The pixel at (x, y) from the top-left as 0xRRGGBB.
    static uint32_t ReadPixel(int x, int y);

    CountingAllocator objects_;

private:
    static HeadlessGlContext* context_;
    static std::vector<uint8_t>* packBytes_;
    static PackMgr* pack_;
};
