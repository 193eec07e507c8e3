#include "tests/effects_game/effect_files.h"

#include <png.h>

#include "effect_builder.h"
#include "effects/game/effect_system.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fx/effect_node_sprite.h"
#include "tests/gfx_images/image_test_files.h"

static std::string Sprite(Fx::Color colour) {
    FxWriter::EffectBuilder builder;
    builder.header.texturePaths = {"tex/dot.png"};
    auto& sprite = builder.Add<Fx::EffectNodeSprite>();
    sprite.common.life = {1000, 1000};
    sprite.common.locationBind = sprite.common.rotationBind = sprite.common.scaleBind = 2;  // follows the play
    sprite.rendererCommon.textureIndex = 0;
    sprite.rendererCommon.depthTest = false;
    sprite.allColor.fixed = colour;
    const std::vector<uint8_t> bytes = builder.Build();
    return std::string(bytes.begin(), bytes.end());
}

EffectSystem* EffectSystemTest::Make(const char* list) {
    PngLayout dot;
    dot.width = dot.height = 8;
    dot.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    dot.rows.assign(8 * 8 * 4, 255);
    if (!dir_.Write("effect/tex/dot.png", WritePng(dot)) || !dir_.Write("effect/red.skfe", Sprite({255, 0, 0, 255})) ||
        !dir_.Write("effect/green.skfe", Sprite({0, 255, 0, 255})) || (list && !dir_.Write("effect/list.txt", list))) {
        return nullptr;
    }
    EffectSystem::Destroy();
    FsMgr::Release(pack_);
    pack_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
    return EffectSystem::Create(pack_);
}

void EffectSystemTest::Run(int updates) {
    for (int i = 0; i < updates; ++i) EffectSystem::Get()->Update();
}

int EffectSystemTest::LitCount(int x0, int y0, int x1, int y1, int channel) {
    const std::vector<uint8_t> p = ReadRect(x0, y0, x1 - x0, y1 - y0);
    int count = 0;
    for (size_t i = 0; i < p.size(); i += 4) count += p[i + channel] > 128;
    return count;
}

void EffectSystemTest::TearDown() {
    EffectSystem::Destroy();
    FsMgr::Release(pack_);
    GfxTest::TearDown();
}
