// Effect files: writer round trips, hand-written golden/*.hex files, resources, reloads and damaged files.
#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>

#include "fx/default_effect_loader.h"
#include "fx/effect_file.h"
#include "fx/effect_node_model.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"
#include "fx/model.h"
#include "fx_test_support.h"
#include "model_writer.h"
#include "rich_effects.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;
using FxTest::FakeManager;
using Ints = std::vector<int>;
using Floats = std::vector<float>;

class FxRoundTrip : public testing::TestWithParam<std::tuple<int32_t, int, int32_t>> {};

TEST_P(FxRoundTrip, ReadsBackToTheSameBytes) {
    auto [type, variant, version] = GetParam();
    Bytes bytes = FxTest::OneNodeEffect(type, variant, version);
    FakeManager manager;
    Fx::Effect* effect = FxTest::Load(manager, bytes);
    ASSERT_NE(effect, nullptr);
    FxWriter::EffectHeader header;
    header.version = effect->GetVersion();
    for (int i = 0; i < effect->GetTextureCount(); ++i) header.texturePaths.push_back(effect->GetTexturePath(i));
    for (int i = 0; i < effect->GetSoundCount(); ++i) header.soundPaths.push_back(effect->GetSoundPath(i));
    for (int i = 0; i < effect->GetModelCount(); ++i) header.modelPaths.push_back(effect->GetModelPath(i));
    header.magnification = effect->GetMagnification();
    EXPECT_EQ(FxWriter::WriteEffect(header, *effect->GetRoot()), bytes);
    const Fx::EffectNode* node = effect->GetRoot()->GetChild(0);
    const auto* sprite = type == Fx::kNodeSprite ? static_cast<const Fx::EffectNodeSprite*>(node) : nullptr;
    EXPECT_TRUE(!sprite || version < 3 || sprite->textureIndex == node->rendererCommon.textureIndex);  // block's
    effect->Release();
    EXPECT_EQ(manager.references, 1);
}

INSTANTIATE_TEST_SUITE_P(EveryTypeKindAndVersion, FxRoundTrip,
                         testing::Combine(testing::ValuesIn(FxTest::kNodeTypes), testing::Range(0, 7),
                                          testing::Range(0, 8)));

// Hex bytes separated by spaces; "#" comments out the rest of a line.
class FxGolden : public testing::Test {
protected:
    const Fx::EffectNode& Node(const char* name, size_t size) {
        std::ifstream file(std::string(getenv("QM_SOURCE_DIR")) + "/tests/effects_fx/golden/" + name);
        Bytes bytes;
        std::string line, token;
        while (std::getline(file, line)) {
            std::istringstream fields(line.substr(0, line.find('#')));
            while (fields >> token) bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
        }
        EXPECT_EQ(bytes.size(), size) << name;
        effect_ = Fx::Effect::Create(&manager_, bytes.data(), bytes.size());
        EXPECT_NE(effect_, nullptr);
        static const Fx::EffectNode kEmpty(nullptr);
        return effect_ != nullptr ? *effect_->GetRoot()->GetChild(0) : kEmpty;
    }
    void TearDown() override {
        if (effect_ != nullptr) effect_->Release();
    }
    FakeManager manager_;
    Fx::Effect* effect_ = nullptr;
};

TEST_F(FxGolden, SpriteVersion0) {
    const auto& node = static_cast<const Fx::EffectNodeSprite&>(Node("sprite_v0.hex", 244));
    ASSERT_EQ(node.GetType(), Fx::kNodeSprite);
    const Fx::NodeCommon& c = node.common;
    EXPECT_TRUE(effect_->GetTexturePath(0) == "a" && effect_->GetSoundCount() == 0);
    EXPECT_EQ(Ints({c.maxGeneration, c.locationBind, c.rotationBind, c.scaleBind, c.removeOnLifeEnd,
                    c.removeWithParent, c.removeWhenChildrenDone, c.life.max, c.life.min, node.location.kind,
                    node.rotation.kind, node.rendererCommon.depthTest, node.drawOrder, node.blend, node.billboard,
                    node.textureIndex}),
              Ints({5, 1, 2, 3, 1, 0, 1, 30, 10, Fx::kLocationFixed, 7, false, 1, 2, 3, 4}));
    EXPECT_EQ(Floats({effect_->GetMagnification(), c.generationInterval, c.generationOffset, node.location.fixed.y,
                      node.gravity.value.y, node.scale.singlePva.acceleration.max,
                      node.generationPoint.rotationY.max}),
              Floats({1, 2, 1, 20, -1, 0.25f, 0.5f}));
    EXPECT_TRUE(node.allColor.fixed == Fx::Color(10, 20, 30, 40) &&
                node.vertexColors[3] == Fx::Color(255, 255, 255, 128));
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
    manager.SetCoordinateSystem(Fx::kCoordinateSystemLeftHanded);
    Fx::Effect* effect = FxTest::Load(manager, builder.Build());
    ASSERT_NE(effect, nullptr);
    const Fx::EffectNode& a = *effect->GetRoot()->GetChild(0);
    EXPECT_EQ(Ints({a.location.kind, a.rotation.kind, a.scale.kind}), Ints(3, Fx::kParameterNone));
    const Fx::EffectNode& b = *effect->GetRoot()->GetChild(1);
    const Fx::PvaVector3D &got = b.location.pva, &put = moving.location.pva;
    EXPECT_TRUE(got.position.max.x == put.position.max.x && got.acceleration.min.z == -put.acceleration.min.z);
    const Fx::RandomVector3D &turn = b.rotation.pva.velocity, &turned = moving.rotation.pva.velocity;
    EXPECT_TRUE(turn.max.y == -turned.max.y && turn.min.x == -turned.min.x && turn.max.z == turned.max.z);
    const Fx::EffectNode& c = *effect->GetRoot()->GetChild(2);
    EXPECT_EQ(Floats({c.rotation.curve->x.GetValue(0), c.rotation.curve->y.GetValue(0),
                      c.rotation.curve->z.GetValue(0), c.scale.curve->y.GetValue(0)}),
              Floats({-0.5f, 0, 0.5f, 1}));  // keyless scale curves give 1
    EXPECT_EQ(b.scale.singleEasing.start.max, moving.scale.singleEasing.start.max);  // never mirrored
    effect->Release();
}

TEST(FxEffect, JoinsPathsAndLoadsResources) {
    const std::pair<const char*, const char*> joins[] = {
        {"Effects", "Effects/Texture/a.png"}, {"Effects/", "Effects/Texture/a.png"},
        {"Fx\\", "Fx\\Texture/a.png"}, {"", "Texture/a.png"}, {nullptr, "Texture/a.png"}};
    for (const auto& [folder, joined] : joins) EXPECT_EQ(Fx::JoinEffectPath(folder, "Texture/a.png"), joined);
    EXPECT_EQ(Fx::JoinEffectPath(std::string(500, 'x').c_str(), std::string(20, 'y')), "");
    EXPECT_TRUE(Fx::EffectPathFolder("a/b\\c.fx") == "a/b" && Fx::EffectPathFolder("c.fx").empty());
    FakeManager manager;
    FxTest::RecordingLoader textures, models;
    manager.textureLoader = &textures;
    manager.modelLoader = &models;
    Bytes bytes = FxTest::RichEffect(7, 0);
    Fx::Effect* effect = Fx::Effect::Create(&manager, bytes.data(), bytes.size(), "fx");
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(textures.loaded, (std::vector<std::string>{"fx/Texture/spark.png", u8"fx/Texture/\u706b\U0001F525.png"}));
    EXPECT_TRUE(effect->GetTexture(0) == reinterpret_cast<void*>(1) &&
                effect->GetTexture(1) == reinterpret_cast<void*>(2));
    EXPECT_EQ(effect->GetModel(1), nullptr);  // the loader failed
    for (int index : {-1, 2, 99}) EXPECT_TRUE(effect->GetTexture(index) == nullptr && effect->GetTexturePath(index).empty());
    EXPECT_EQ(Ints({effect->AddRef(), effect->Release(), effect->Release()}), Ints({2, 1, 0}));
    EXPECT_EQ(textures.unloaded.size(), 2u);
    EXPECT_EQ(models.unloaded.size(), 1u);  // only what loaded goes back
    EXPECT_EQ(manager.references, 1);
}

TEST(FxEffect, ReloadsOnlyWhatReads) {
    FakeManager manager;
    FxTest::RecordingLoader textures;
    manager.textureLoader = &textures;
    Bytes first = FxTest::OneNodeEffect(Fx::kNodeSprite, 0, 7), second = FxTest::RichEffect(5, 1);
    Fx::Effect* effect = FxTest::Load(manager, first);
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(effect->Reload(second.data(), second.size(), nullptr));
    EXPECT_EQ(effect->GetVersion(), 5);
    EXPECT_EQ(manager.reloadsBegun + manager.reloadsEnded, 2);
    EXPECT_EQ(textures.unloaded.size(), 2u);
    second.resize(second.size() - 1);
    EXPECT_FALSE(effect->Reload(second.data(), second.size(), nullptr));
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

// Null and one error line, or a whole effect that evaluates without fault.
void ExpectSafe(const Bytes& bytes, bool mustFail) {
    FakeManager manager;
    LogCapture log;
    Fx::Effect* effect = FxTest::Load(manager, bytes);
    if (effect == nullptr) {
        ASSERT_EQ(log.Count(), 1u);
        return;
    }
    EXPECT_FALSE(mustFail);
    volatile float sink = FxTest::ExerciseEffect(*effect, manager);
    (void)sink;
    effect->Release();
    EXPECT_EQ(manager.references, 1);
}

// The little-endian word at `at` replaced, when it lies inside the file.
Bytes Patched(Bytes bytes, size_t at, int32_t value) {
    for (size_t i = 0; i < 4 && at + 4 <= bytes.size(); ++i) bytes[at + i] = uint8_t(uint32_t(value) >> (8 * i));
    return bytes;
}

TEST(FxHostileInput, EveryTruncationIsSafe) {
    const std::vector<Bytes> files = {FxTest::RichEffect(7, 0), FxTest::RichEffect(4, 2), FxTest::RichEffect(2, 3),
                                      FxTest::RichEffect(0, 5)};
    for (const Bytes& file : files) {
        ExpectSafe(file, false);
        for (size_t size = 0; size < file.size(); ++size) {
            SCOPED_TRACE(size);
            ExpectSafe(Bytes(file.begin(), file.begin() + static_cast<ptrdiff_t>(size)), true);
            if (HasFatalFailure()) return;
        }
    }
}

// Offsets in a version-7 file without paths.
constexpr size_t kChildCountAt = 28, kCommonLengthAt = 36, kRootTypeAt = 24;
constexpr int32_t kCurveMarker = 0x5EED, kRingMarker = 0x5EEE;

template <typename Fill>
Bytes WithNodes(Fill fill) {
    FxWriter::EffectBuilder builder;
    fill(builder);
    return builder.Build();
}

// One texture path (its units at 16: 'a', 'b', NUL), a sprite with a curve and a ring, found by markers.
Bytes Marked() {
    return WithNodes([](FxWriter::EffectBuilder& b) {
        b.header.texturePaths = {"ab"};
        Fx::EffectNode& node = b.Add<Fx::EffectNodeSprite>();
        node.location.kind = Fx::kLocationFCurve;
        node.location.curve = std::make_unique<Fx::FCurveVector3D>();
        node.location.curve->x.startFrame = kCurveMarker;  // then length, step and the key count
        node.location.curve->x.keys = {1, 2};
        b.Add<Fx::EffectNodeRing>().vertexCount = kRingMarker;
    });
}

Bytes PatchedMarker(int32_t marker, int offset, int32_t value) {
    Bytes bytes = Marked();
    const auto* text = reinterpret_cast<const uint8_t*>(&marker);
    auto at = std::search(bytes.begin(), bytes.end(), text, text + 4) - bytes.begin();
    return Patched(bytes, static_cast<size_t>(at + offset), value);
}

TEST(FxHostileInput, TargetedValues) {
    const Bytes plain = WithNodes([](FxWriter::EffectBuilder& b) { b.Add(); });
    const Bytes deep = WithNodes([](FxWriter::EffectBuilder& b) {
        Fx::EffectNode* parent = &b.root;
        for (int depth = 0; depth < 10000; ++depth) parent = &b.Add(*parent);
    });
    const struct { const char* name; Bytes bytes; const char* reason; } cases[] = {
        {"common length 1000", Patched(plain, kCommonLengthAt, 1000), "longer than 44"},
        {"child count 2^31-1", Patched(plain, kChildCountAt, INT_MAX), "more children"},
        {"root type plain", Patched(plain, kRootTypeAt, 0), "does not start with a root"},
        {"node type 1", Patched(plain, kRootTypeAt + 8, 1), "type code is unknown"},
        {"bad magic", Patched(plain, 0, 0x45464B54), "not an SKFE"},
        {"version 8", Patched(plain, 4, 8), "version"},
        {"key count -1", PatchedMarker(kCurveMarker, 12, -1), "more keys"},
        {"step 0", PatchedMarker(kCurveMarker, 8, 0), "step is below 1"},
        {"length -1", PatchedMarker(kCurveMarker, 4, -1), "length is negative"},
        {"edge 3", PatchedMarker(kCurveMarker, -16, 3), "edge"},
        {"ring vertex count 0", PatchedMarker(kRingMarker, 0, 0), "vertex count"},
        {"ring vertex count 2^30", PatchedMarker(kRingMarker, 0, 1 << 30), "vertex count"},
        {"path units -5", Patched(Marked(), 12, -5), "path's length"},
        {"path units 2^30", Patched(Marked(), 12, 1 << 30), "path's length"},
        {"path count 2^30", Patched(Marked(), 8, 1 << 30), "path count"},
        {"path without NUL", Patched(Marked(), 18, 0x00630062), "does not end in NUL"},
        {"lone surrogate", Patched(Marked(), 16, 0x0062D800), "well-formed"},
        {"depth 10000", deep, "nested too deeply"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeManager manager;
        LogCapture log;
        EXPECT_EQ(FxTest::Load(manager, c.bytes), nullptr);
        ASSERT_EQ(log.Count(), 1u);
        EXPECT_NE(log.Lines()[0].find(c.reason), std::string::npos) << log.Lines()[0];
        EXPECT_EQ(manager.references, 1);
    }
    // A texture index past the list loads; the texture is simply absent.
    ExpectSafe(WithNodes([](auto& b) { b.template Add<Fx::EffectNodeSprite>().rendererCommon.textureIndex = 99; }),
               false);
}

TEST(FxModelFile, ReadsBackAndRefusesDamage) {
    Fx::Model model;
    model.secondWord = 77;
    model.vertices.resize(3);
    model.vertices[2].uv = {0.5f, 0.25f};
    model.faces = {{{0, 1, 2}}, {{2, 1, 0}}};
    const Bytes good = FxWriter::WriteModel(model);
    ASSERT_EQ(good.size(), 12 + 3 * 56 + 4 + 2 * 12u);
    std::unique_ptr<Fx::Model> read = Fx::Model::Load(good.data(), good.size());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(FxWriter::WriteModel(*read), good);
    const size_t faces = 12 + 3 * 56;
    const std::pair<size_t, int32_t> patches[] = {{8, -1}, {8, 1 << 30}, {8, 4}, {faces, 3},
                                                  {faces, INT_MIN}, {faces + 4, 3}, {faces + 8, -1}};
    LogCapture log;
    for (const auto& [at, value] : patches) {
        EXPECT_EQ(Fx::Model::Load(Patched(good, at, value).data(), good.size()), nullptr) << at << " " << value;
    }
    for (size_t size = 0; size < good.size(); ++size) EXPECT_EQ(Fx::Model::Load(good.data(), size), nullptr) << size;
    EXPECT_EQ(log.Count(), good.size() + 7);  // one line each
}

}  // namespace
