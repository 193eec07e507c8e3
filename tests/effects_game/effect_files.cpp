#include "tests/effects_game/effect_files.h"

#include <png.h>

#include "effect_builder.h"
#include "effects/game/effect_system.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fx/effect_node_sprite.h"
#include "gfx/layer_list.h"
#include "tests/gfx_images/image_test_files.h"

namespace {

std::string Sprite(Fx::Color colour) {
    FxWriter::EffectBuilder builder;
    builder.header.texturePaths = {"tex/dot.png"};
    auto& sprite = builder.Add<Fx::EffectNodeSprite>();
    sprite.common.life = {1000, 1000};
    sprite.rendererCommon.textureIndex = 0;
    sprite.common.locationBind = sprite.common.rotationBind = sprite.common.scaleBind = 2;  // follows the play
    sprite.rendererCommon.depthTest = false;
    sprite.allColor.fixed = colour;
    const std::vector<uint8_t> bytes = builder.Build();
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

bool WriteEffectFolder(const TempDir& dir, const char* list) {
    PngLayout dot;
    dot.width = dot.height = 8;
    dot.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    dot.rows.assign(8 * 8 * 4, 255);
    return dir.Write("effect/tex/dot.png", WritePng(dot)) && dir.Write("effect/red.skfe", Sprite({255, 0, 0, 255})) &&
           dir.Write("effect/green.skfe", Sprite({0, 255, 0, 255})) &&
           (list == nullptr || dir.Write("effect/list.txt", list));
}

EffectSystem* EffectSystemTest::Make(const char* list) {
    if (!WriteEffectFolder(dir_, list)) return nullptr;
    pack_ = DirMgr(nullptr, dir_.path().c_str(), nullptr);
    fx_ = EffectSystem::Create(pack_);
    return fx_;
}

void EffectSystemTest::Run(int frames) {
    for (int i = 0; i < frames; ++i) EffectSystem::Get()->Update();
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
