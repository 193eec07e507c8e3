// A fresh VM with InputInterface and LayerInterface registered, the script
// objects on a counting allocator, and a stand-in ImageInterface (never
// loaded) carrying the real class's type tag.
#pragma once

#include <vector>

#include "gfx/layer_list.h"
#include "script/layer_interface.h"
#include "tests/core/counting_allocator.h"
#include "tests/script/script_test_util.h"

struct Sprite;

class ScriptClassesTest : public ScriptTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs `source` and expects it to finish without an error.
    void Run(const std::string& source);
    // The layers of the global list, drawing order.
    static std::vector<SpriteLayer*> Layers();

    CountingAllocator objects_;
};

