// Effect files written out by hand, byte by byte from the format's tables
// (golden/*.hex, one field a line with its offset), so that the reader is
// checked against the layout itself and not only against the writer, which
// could share a misreading with it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fx/effect.h"
#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"
#include "fx_test_support.h"

namespace {

// Hex bytes separated by spaces; "#" comments out the rest of a line.
std::vector<uint8_t> ReadHexFile(const std::string& name) {
    const char* source = getenv("QM_SOURCE_DIR");
    std::ifstream file(std::string(source != nullptr ? source : ".") + "/tests/effects_fx/golden/" + name);
    std::vector<uint8_t> bytes;
    std::string line, token;
    while (std::getline(file, line)) {
        std::istringstream fields(line.substr(0, line.find('#')));
        while (fields >> token) bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

class FxGolden : public testing::Test {
protected:
    const Fx::EffectNode& Node(const char* name, size_t size) {
        std::vector<uint8_t> bytes = ReadHexFile(name);
        EXPECT_EQ(bytes.size(), size) << name;
        effect_ = Fx::Effect::Create(&manager_, bytes.data(), bytes.size());
        EXPECT_NE(effect_, nullptr);
        static const Fx::EffectNode kEmpty(nullptr);
        return effect_ != nullptr ? *effect_->GetRoot()->GetChild(0) : kEmpty;
    }
    void TearDown() override {
        if (effect_ != nullptr) effect_->Release();
    }
    FxTest::FakeManager manager_;
    Fx::Effect* effect_ = nullptr;
};

using Ints = std::vector<int>;
using Floats = std::vector<float>;

TEST_F(FxGolden, SpriteVersion0) {
    const auto& node = static_cast<const Fx::EffectNodeSprite&>(Node("sprite_v0.hex", 244));
    ASSERT_EQ(node.GetType(), Fx::kNodeSprite);
    EXPECT_EQ(effect_->GetTexturePath(0), "a");
    EXPECT_EQ(effect_->GetSoundCount(), 0);
    const Fx::NodeCommon& c = node.common;
    EXPECT_EQ(Ints({c.maxGeneration, c.locationBind, c.rotationBind, c.scaleBind, c.removeOnLifeEnd,
                    c.removeWithParent, c.removeWhenChildrenDone, c.life.max, c.life.min, node.location.kind,
                    node.rotation.kind, node.rendererCommon.depthTest, node.drawOrder, node.blend, node.billboard,
                    node.textureIndex}),
              Ints({5, 1, 2, 3, 1, 0, 1, 30, 10, Fx::kLocationFixed, 7, false, 1, 2, 3, 4}));
    EXPECT_EQ(Floats({effect_->GetMagnification(), c.generationInterval, c.generationOffset, node.location.fixed.y,
                      node.gravity.value.y, node.scale.singlePva.acceleration.max,
                      node.generationPoint.rotationY.max}),
              Floats({1, 2, 1, 20, -1, 0.25f, 0.5f}));
    EXPECT_EQ(node.allColor.fixed, Fx::Color(10, 20, 30, 40));
    EXPECT_EQ(node.vertexColors[3], Fx::Color(255, 255, 255, 128));
}

TEST_F(FxGolden, RibbonVersion4) {
    const auto& node = static_cast<const Fx::EffectNodeRibbon&>(Node("ribbon_v4.hex", 334));
    ASSERT_EQ(node.GetType(), Fx::kNodeRibbon);
    EXPECT_EQ(effect_->GetSoundPath(0), "hi");
    const Fx::RendererCommon& r = node.rendererCommon;
    const Fx::GenerationPoint& g = node.generationPoint;
    EXPECT_EQ(Ints({node.common.maxGeneration, node.common.locationBind, node.common.life.max, node.location.kind,
                    node.gravity.kind, node.scale.kind, g.modelIndex, g.pickMode, r.depthTest, r.depthWrite,
                    node.blend, r.animation.picturesAcross, r.animation.loopMode, node.viewDependent,
                    node.randomColor.mode, node.sound.delay.min}),
              Ints({7, 1, 0 /* past the short block */, 42, 5, Fx::kParameterNone, 3, 1, true, false, 3, 4, 1, 1,
                    Fx::kColorModeHsv, 2}));
    const Fx::EasingFloat& angle = node.rotation.axisEasing.angle;
    EXPECT_EQ(Floats({effect_->GetMagnification(), node.rotation.axisEasing.axis.max.z, angle.end.min, angle.c,
                      r.fadeIn.frames, r.uv.height, node.vertexPositions[0], node.vertexPositions[1],
                      node.sound.pan.min, node.sound.distance}),
              Floats({1.5f, 1, 2, 1, 10, 0.5f, -2, 3, -1, 10}));
    EXPECT_EQ(node.randomColor.max, Fx::Color(252, 255, 255, 200));
    EXPECT_EQ(node.randomColor.min, Fx::Color(0, 128, 64, 100));
    EXPECT_EQ(node.vertexColors[1], Fx::Color(128, 128, 128, 128));
}

TEST_F(FxGolden, ModelVersion7) {
    const auto& node = static_cast<const Fx::EffectNodeModel&>(Node("model_v7.hex", 612));
    ASSERT_EQ(node.GetType(), Fx::kNodeModel);
    EXPECT_EQ(effect_->GetModelPath(0), "m");
    ASSERT_TRUE(node.location.curve != nullptr && node.allColor.curve != nullptr);
    const Fx::RendererCommon& r = node.rendererCommon;
    EXPECT_EQ(Ints({node.rotation.kind, r.textureIndex, r.depthTest, r.depthWrite, node.normalTextureIndex,
                    node.lighting, node.culling}),
              Ints({Fx::kParameterNone, -1, false, true, -1, false, 2}));
    EXPECT_EQ(Floats({node.location.curve->x.GetValue(1), node.location.curve->x.offsetMax,
                      node.location.curve->y.GetValue(1), node.scale.curve->z.GetValue(5), r.scrollSpeed.y,
                      node.magnification, node.allColor.curve->r.GetValue(0), node.allColor.curve->a.GetValue(0)}),
              Floats({2, 0.5f, 0, 1, -0.5f, 2, 300, 255}));
}

TEST_F(FxGolden, RingVersion2) {
    const auto& node = static_cast<const Fx::EffectNodeRing&>(Node("ring_v2.hex", 248));
    ASSERT_EQ(node.GetType(), Fx::kNodeRing);
    EXPECT_EQ(Ints({node.common.maxGeneration, node.generationPoint.kind, node.drawOrder, node.blend,
                    node.vertexCount, node.textureIndex}),
              Ints({0, 3, 1, 2, 16, 7}));
    EXPECT_EQ(Floats({node.arcAngle.fixed, node.outerLocation.fixed.x, node.innerLocation.velocity.min.x,
                      node.centerRatio.easing.end.max, node.innerColor.easing.c}),
              Floats({360, 2, 0.5f, 1, 1}));
    EXPECT_EQ(node.outerColor.fixed, Fx::Color(255, 0, 0, 255));
    EXPECT_EQ(node.centerColor.random.min, Fx::Color(0, 128, 0, 128));
    EXPECT_EQ(node.innerColor.easing.end.min, Fx::Color(13, 14, 15, 16));
}

}  // namespace
