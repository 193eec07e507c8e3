// Script classes on headless GL with tasks, the whole script API and a pack of
// "image/quadrants.png" (16 x 16, one colour per 8 x 8 quarter) and "font/DejaVuSans.ttf".
#pragma once
#include "gfx/layer_list.h"
#include "gfx/sprite.h"
#include "gfx/text_box.h"
#include "script/layer_interface.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/script/script_test_util.h"

// The quarters as 0xRRGGBB: top-left, top-right, bottom-left, bottom-right.
constexpr uint32_t kQuadrantColours[4] = {0x2040C0, 0x30D050, 0xE07010, 0xF0F0F0};

class MediaClassesTest : public GfxTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void Run(const std::string& source) { EXPECT_TRUE(RunSource(v, source).ok) << source; }
    bool Throws(const std::string& call);  // whether `call` threw
    void* NativeOf(const std::string& expression) { return Eval(v, expression).instance; }

    // Runs the main queue until no image is loading or waiting for upload.
    static void WaitForImages();
    template <typename T>
    static std::vector<T*> Drawn(LayerDrawCallback draw) {
        std::vector<T*> objects;
        for (ListNode* link = GetGlobalLayerList()->nodes.head; link != nullptr; link = link->next) {
            auto* node = reinterpret_cast<LayerNode*>(link);
            if (node->draw == draw) objects.push_back(static_cast<T*>(node->argument));
        }
        return objects;
    }
    static std::vector<TextBox*> TextBoxes() { return Drawn<TextBox>(TextBox::Draw); }
    static std::vector<Sprite*> Sprites() { return Drawn<Sprite>(Sprite::Draw); }  // of LayerInterface instances
    static void DrawLayers() {
        ClearScreen(0, 0, 0);
        DrawGlobalLayerList();
    }
    static uint32_t ReadPixel(int x, int y) {  // from the top-left, as 0xRRGGBB
        const Rgba p = GfxTest::ReadPixel(x, y);
        return uint32_t{p.r} << 16 | uint32_t{p.g} << 8 | p.b;
    }

    TrackingAllocator vmAllocator;
    CountingAllocator objects_;
    HSQUIRRELVM v = nullptr;
};
