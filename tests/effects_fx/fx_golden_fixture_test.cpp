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

TEST_F(FxGolden, SpriteVersion0) {
    const auto& node = static_cast<const Fx::EffectNodeSprite&>(Node("sprite_v0.hex", 244));
    ASSERT_EQ(node.GetType(), Fx::kNodeSprite);
    EXPECT_EQ(effect_->GetTexturePath(0), "a");
    EXPECT_EQ(effect_->GetSoundCount(), 0);
    EXPECT_EQ(effect_->GetMagnification(), 1.0f);
    const Fx::NodeCommon& c = node.common;
    EXPECT_EQ(std::vector<int>({c.maxGeneration, c.locationBind, c.rotationBind, c.scaleBind, c.removeOnLifeEnd,
                                c.removeWithParent, c.removeWhenChildrenDone, c.life.max, c.life.min}),
              std::vector<int>({5, 1, 2, 3, 1, 0, 1, 30, 10}));
    EXPECT_EQ(c.generationInterval, 2.0f);
    EXPECT_EQ(c.generationOffset, 1.0f);
    EXPECT_EQ(node.location.kind, Fx::kLocationFixed);
    EXPECT_EQ(node.location.fixed.y, 20.0f);
    EXPECT_EQ(node.gravity.value.y, -1.0f);
    EXPECT_EQ(node.rotation.kind, 7);
    EXPECT_EQ(node.scale.singlePva.acceleration.max, 0.25f);
    EXPECT_EQ(node.generationPoint.rotationY.max, 0.5f);
    EXPECT_FALSE(node.rendererCommon.depthTest);
    EXPECT_EQ(std::vector<int>({node.drawOrder, node.blend, node.billboard, node.textureIndex}),
              std::vector<int>({1, 2, 3, 4}));
    EXPECT_EQ(node.allColor.fixed, Fx::Color(10, 20, 30, 40));
    EXPECT_EQ(node.vertexColors[3], Fx::Color(255, 255, 255, 128));
    EXPECT_EQ(node.GetChildCount(), 0);
}

TEST_F(FxGolden, RibbonVersion4) {
    const auto& node = static_cast<const Fx::EffectNodeRibbon&>(Node("ribbon_v4.hex", 334));
    ASSERT_EQ(node.GetType(), Fx::kNodeRibbon);
    EXPECT_EQ(effect_->GetSoundPath(0), "hi");
    EXPECT_EQ(effect_->GetMagnification(), 1.5f);
    EXPECT_EQ(node.common.maxGeneration, 7);
    EXPECT_EQ(node.common.locationBind, 1);
    EXPECT_EQ(node.common.life.max, 0);  // past the short block
    EXPECT_EQ(node.location.kind, 42);
    EXPECT_EQ(node.gravity.kind, 5);
    EXPECT_EQ(node.rotation.axisEasing.axis.max.z, 1.0f);
    EXPECT_EQ(node.rotation.axisEasing.angle.end.min, 2.0f);
    EXPECT_EQ(node.rotation.axisEasing.angle.c, 1.0f);
    EXPECT_EQ(node.scale.kind, Fx::kParameterNone);
    EXPECT_EQ(node.generationPoint.modelIndex, 3);
    EXPECT_EQ(node.generationPoint.pickMode, 1);
    const Fx::RendererCommon& r = node.rendererCommon;
    EXPECT_TRUE(r.depthTest && !r.depthWrite);
    EXPECT_EQ(node.blend, 3);
    EXPECT_EQ(r.fadeIn.frames, 10.0f);
    EXPECT_EQ(r.uv.height, 0.5f);
    EXPECT_EQ(r.animation.picturesAcross, 4);
    EXPECT_EQ(r.animation.loopMode, 1);
    EXPECT_EQ(node.viewDependent, 1);
    EXPECT_EQ(node.randomColor.mode, Fx::kColorModeHsv);
    EXPECT_EQ(node.randomColor.max, Fx::Color(252, 255, 255, 200));
    EXPECT_EQ(node.randomColor.min, Fx::Color(0, 128, 64, 100));
    EXPECT_EQ(node.vertexColors[1], Fx::Color(128, 128, 128, 128));
    EXPECT_EQ(node.vertexPositions[0], -2.0f);
    EXPECT_EQ(node.vertexPositions[1], 3.0f);
    EXPECT_EQ(node.sound.pan.min, -1.0f);
    EXPECT_EQ(node.sound.distance, 10.0f);
    EXPECT_EQ(node.sound.delay.min, 2);
}

TEST_F(FxGolden, ModelVersion7) {
    const auto& node = static_cast<const Fx::EffectNodeModel&>(Node("model_v7.hex", 612));
    ASSERT_EQ(node.GetType(), Fx::kNodeModel);
    EXPECT_EQ(effect_->GetModelPath(0), "m");
    ASSERT_NE(node.location.curve, nullptr);
    EXPECT_EQ(node.location.curve->x.GetValue(1), 2.0f);
    EXPECT_EQ(node.location.curve->x.offsetMax, 0.5f);
    EXPECT_EQ(node.location.curve->y.GetValue(1), 0.0f);
    EXPECT_EQ(node.rotation.kind, Fx::kParameterNone);
    EXPECT_EQ(node.scale.curve->z.GetValue(5), 1.0f);
    EXPECT_EQ(node.rendererCommon.textureIndex, -1);
    EXPECT_TRUE(!node.rendererCommon.depthTest && node.rendererCommon.depthWrite);
    EXPECT_EQ(node.rendererCommon.scrollSpeed.y, -0.5f);
    EXPECT_EQ(node.magnification, 2.0f);
    EXPECT_EQ(node.normalTextureIndex, -1);
    EXPECT_FALSE(node.lighting);
    EXPECT_EQ(node.culling, 2);
    ASSERT_NE(node.allColor.curve, nullptr);
    EXPECT_EQ(node.allColor.curve->r.GetValue(0), 300.0f);
    EXPECT_EQ(node.allColor.curve->a.GetValue(0), 255.0f);
}

TEST_F(FxGolden, RingVersion2) {
    const auto& node = static_cast<const Fx::EffectNodeRing&>(Node("ring_v2.hex", 248));
    ASSERT_EQ(node.GetType(), Fx::kNodeRing);
    EXPECT_EQ(node.common.maxGeneration, 0);
    EXPECT_EQ(node.generationPoint.kind, 3);
    EXPECT_EQ(node.drawOrder, 1);
    EXPECT_EQ(node.blend, 2);
    EXPECT_EQ(node.vertexCount, 16);
    EXPECT_EQ(node.arcAngle.fixed, 360.0f);
    EXPECT_EQ(node.outerLocation.fixed.x, 2.0f);
    EXPECT_EQ(node.innerLocation.velocity.min.x, 0.5f);
    EXPECT_EQ(node.centerRatio.easing.end.max, 1.0f);
    EXPECT_EQ(node.outerColor.fixed, Fx::Color(255, 0, 0, 255));
    EXPECT_EQ(node.centerColor.random.min, Fx::Color(0, 128, 0, 128));
    EXPECT_EQ(node.innerColor.easing.end.min, Fx::Color(13, 14, 15, 16));
    EXPECT_EQ(node.innerColor.easing.c, 1.0f);
    EXPECT_EQ(node.textureIndex, 7);
}

}  // namespace
