// Effects written by the writer read back to the same bytes, for every node
// type, every kind of every parameter and every format version; the header,
// resource loading, reference counts and reloads of the effect object.
#include <gtest/gtest.h>

#include "fx/default_effect_loader.h"
#include "fx/effect_file.h"
#include "fx/effect_node_sprite.h"
#include "fx_test_support.h"
#include "rich_effects.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using FxTest::FakeManager;

std::vector<uint8_t> WriteBack(const Fx::Effect& effect) {
    FxWriter::EffectHeader header;
    header.version = effect.GetVersion();
    for (int i = 0; i < effect.GetTextureCount(); ++i) header.texturePaths.push_back(effect.GetTexturePath(i));
    for (int i = 0; i < effect.GetSoundCount(); ++i) header.soundPaths.push_back(effect.GetSoundPath(i));
    for (int i = 0; i < effect.GetModelCount(); ++i) header.modelPaths.push_back(effect.GetModelPath(i));
    header.magnification = effect.GetMagnification();
    return FxWriter::WriteEffect(header, *effect.GetRoot());
}

class FxRoundTrip : public testing::TestWithParam<std::tuple<int32_t, int, int32_t>> {};

TEST_P(FxRoundTrip, ReadsBackToTheSameBytes) {
    auto [type, variant, version] = GetParam();
    std::vector<uint8_t> bytes = FxTest::OneNodeEffect(type, variant, version);
    FakeManager manager;
    LogCapture log;
    Fx::Effect* effect = FxTest::Load(manager, bytes);
    ASSERT_NE(effect, nullptr) << (log.Count() ? log.Lines()[0] : "");
    EXPECT_EQ(WriteBack(*effect), bytes);
    const Fx::EffectNode* node = effect->GetRoot()->GetChild(0);
    const auto* sprite = type == Fx::kNodeSprite ? static_cast<const Fx::EffectNodeSprite*>(node) : nullptr;
    EXPECT_TRUE(!sprite || version < 3 || sprite->textureIndex == node->rendererCommon.textureIndex);  // block's
    effect->Release();
    EXPECT_EQ(manager.references, 1);
}

INSTANTIATE_TEST_SUITE_P(EveryTypeKindAndVersion, FxRoundTrip,
                         testing::Combine(testing::Values(Fx::kNodePlain, Fx::kNodeSprite, Fx::kNodeRibbon,
                                                          Fx::kNodeRing, Fx::kNodeModel),
                                          testing::Range(0, 7), testing::Range(0, 8)));

TEST(FxEffect, NormalisesIdentityValuesAndMirrorsForLeftHanded) {
    FxWriter::EffectBuilder builder;
    Fx::EffectNode& still = builder.Add();
    still.location.kind = still.rotation.kind = still.scale.kind = 0;
    still.scale.fixed = Fx::Vector3D(1, 1, 1);
    Fx::EffectNode& moving = builder.Add();
    FxTest::FillNode(moving, 1);  // location and rotation by position, velocity, acceleration
    Fx::EffectNode& curved = builder.Add();
    curved.rotation.kind = Fx::kRotationFCurve;
    curved.rotation.curve = std::make_unique<Fx::FCurveVector3D>();
    curved.rotation.curve->x.keys = curved.rotation.curve->z.keys = {0.5f};
    curved.scale.kind = Fx::kScaleFCurve;
    curved.scale.curve = std::make_unique<Fx::FCurveVector3D>();
    FakeManager manager;
    manager.coordinateSystem = Fx::kCoordinateSystemLeftHanded;
    Fx::Effect* effect = FxTest::Load(manager, builder.Build());
    ASSERT_NE(effect, nullptr);
    const Fx::EffectNode& a = *effect->GetRoot()->GetChild(0);
    EXPECT_EQ(std::vector<int>({a.location.kind, a.rotation.kind, a.scale.kind}),
              std::vector<int>(3, Fx::kParameterNone));
    const Fx::EffectNode& b = *effect->GetRoot()->GetChild(1);
    const Fx::PvaVector3D &got = b.location.pva, &put = moving.location.pva;
    EXPECT_TRUE(got.position.max.x == put.position.max.x && got.acceleration.min.z == -put.acceleration.min.z);
    const Fx::RandomVector3D &turn = b.rotation.pva.velocity, &turned = moving.rotation.pva.velocity;
    EXPECT_TRUE(turn.max.y == -turned.max.y && turn.min.x == -turned.min.x && turn.max.z == turned.max.z);
    const Fx::EffectNode& c = *effect->GetRoot()->GetChild(2);
    EXPECT_EQ(std::vector<float>({c.rotation.curve->x.GetValue(0), c.rotation.curve->y.GetValue(0),
                                  c.rotation.curve->z.GetValue(0), c.scale.curve->y.GetValue(0)}),
              std::vector<float>({-0.5f, 0, 0.5f, 1}));  // keyless scale curves give 1
    EXPECT_EQ(b.scale.singleEasing.start.max, moving.scale.singleEasing.start.max);  // never mirrored
    effect->Release();
}

TEST(FxEffect, JoinsPathsAndLoadsResources) {
    const std::pair<const char*, const char*> joins[] = {
        {"Effects", "Effects/Texture/a.png"}, {"Effects/", "Effects/Texture/a.png"},
        {"Fx\\", "Fx\\Texture/a.png"}, {"", "Texture/a.png"}, {nullptr, "Texture/a.png"}};
    for (const auto& [folder, joined] : joins) EXPECT_EQ(Fx::JoinEffectPath(folder, "Texture/a.png"), joined);
    EXPECT_EQ(Fx::JoinEffectPath(std::string(500, 'x').c_str(), std::string(20, 'y')), "");
    EXPECT_EQ(Fx::EffectPathFolder("a/b\\c.fx"), "a/b");
    EXPECT_EQ(Fx::EffectPathFolder("c.fx"), "");
    FakeManager manager;
    FxTest::RecordingLoader textures, models;
    manager.textureLoader = &textures;
    manager.modelLoader = &models;
    std::vector<uint8_t> bytes = FxTest::RichEffect(7, 0);
    Fx::Effect* effect = Fx::Effect::Create(&manager, bytes.data(), bytes.size(), "fx");
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(textures.loaded, (std::vector<std::string>{"fx/Texture/spark.png", u8"fx/Texture/\u706b\U0001F525.png"}));
    EXPECT_TRUE(effect->GetTexture(0) == reinterpret_cast<void*>(1) &&
                effect->GetTexture(1) == reinterpret_cast<void*>(2));
    EXPECT_EQ(effect->GetModel(1), nullptr);  // the loader failed
    for (int index : {-1, 2, 99}) {
        EXPECT_TRUE(effect->GetTexture(index) == nullptr && effect->GetTexturePath(index).empty());
    }
    // A second effect from the same bytes is its own.
    Fx::Effect* twin = Fx::Effect::Create(&manager, bytes.data(), bytes.size());
    ASSERT_NE(twin, nullptr);
    EXPECT_NE(twin->GetRoot(), effect->GetRoot());
    EXPECT_EQ(manager.references, 3);
    EXPECT_EQ(effect->AddRef(), 2);
    EXPECT_EQ(effect->Release(), 1);
    EXPECT_EQ(effect->Release(), 0);
    EXPECT_EQ(textures.unloaded.size(), 2u);
    EXPECT_EQ(models.unloaded.size(), 1u);  // only what loaded goes back
    EXPECT_EQ(twin->GetRoot()->GetChildCount(), 5);
    twin->Release();
    EXPECT_EQ(manager.references, 1);
}

TEST(FxEffect, ReloadsOnlyWhatReads) {
    FakeManager manager;
    FxTest::RecordingLoader textures;
    manager.textureLoader = &textures;
    std::vector<uint8_t> first = FxTest::OneNodeEffect(Fx::kNodeSprite, 0, 7);
    std::vector<uint8_t> second = FxTest::RichEffect(5, 1);
    Fx::Effect* effect = FxTest::Load(manager, first);
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(effect->Reload(second.data(), second.size(), nullptr));
    EXPECT_EQ(effect->GetVersion(), 5);
    EXPECT_EQ(manager.reloadsBegun + manager.reloadsEnded, 2);
    EXPECT_EQ(textures.unloaded.size(), 2u);
    {
        LogCapture log;
        second.resize(second.size() - 1);
        EXPECT_FALSE(effect->Reload(second.data(), second.size(), nullptr));
        EXPECT_EQ(log.Count(), 1u);
    }
    EXPECT_EQ(effect->GetRoot()->GetChildCount(), 5);  // a refused image changed nothing
    EXPECT_EQ(manager.reloadsBegun, 1);
    // From a file: the loader reads it and the file's folder becomes the material path.
    TempDir dir;
    ASSERT_TRUE(dir.Write("fx/one.skfe", std::string(first.begin(), first.end())));
    Fx::DefaultEffectLoader loader;
    manager.effectLoader = &loader;
    EXPECT_TRUE(effect->Reload(dir.File("fx/one.skfe").c_str(), nullptr));
    EXPECT_EQ(textures.loaded.back(), dir.File(u8"fx/Texture/\u706b\U0001F525.png"));
    EXPECT_FALSE(effect->Reload(dir.File("absent.skfe").c_str(), nullptr));
    EXPECT_EQ(effect->GetVersion(), 7);
    effect->Release();
}

}  // namespace
