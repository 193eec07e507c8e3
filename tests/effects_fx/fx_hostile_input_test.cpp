// Damaged and hostile effect files: every truncation of four rich files,
// seeded mutations of them, and the hand-picked values that once reached
// unchecked lengths, counts, divisions and recursion. Each must give null
// with one error line, or an effect whose every value can be evaluated.
// Effect model files likewise.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <random>

#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"
#include "fx/model.h"
#include "fx_test_support.h"
#include "model_writer.h"
#include "rich_effects.h"
#include "tests/support/log_capture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Null and one error line, or a whole effect that evaluates without fault.
void ExpectSafe(const Bytes& bytes, bool mustFail) {
    FxTest::FakeManager manager;
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

std::vector<Bytes> RichFiles() {
    return {FxTest::RichEffect(7, 0), FxTest::RichEffect(4, 2), FxTest::RichEffect(2, 3), FxTest::RichEffect(0, 5)};
}

TEST(FxHostileInput, EveryTruncationIsRefused) {
    for (const Bytes& file : RichFiles()) {
        ExpectSafe(file, false);
        for (size_t size = 0; size < file.size(); ++size) {
            SCOPED_TRACE(size);
            ExpectSafe(Bytes(file.begin(), file.begin() + static_cast<ptrdiff_t>(size)), true);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(FxHostileInput, SeededMutations) {
    const std::vector<Bytes> files = RichFiles();
    const int32_t edges[] = {0, 1, -1, 2, 44, 1000, INT_MAX, INT_MIN, 1 << 30, 0x7FC00000 /* NaN */};
    std::mt19937 random(20);
    for (int run = 0; run < 20000; ++run) {
        Bytes bytes = files[random() % files.size()];
        for (int step = 1 + static_cast<int>(random() % 3); step > 0 && !bytes.empty(); --step) {
            size_t at = random() % bytes.size();
            if (random() % 2 == 0) {
                bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
            } else if (at + 4 <= bytes.size()) {
                FxTest::PatchIntAt(bytes, at, edges[random() % 10]);
            } else {
                bytes.resize(at);
            }
        }
        SCOPED_TRACE(run);
        ExpectSafe(bytes, false);
        if (HasFatalFailure()) return;
    }
}

// Offsets in a version-7 file without paths.
constexpr size_t kChildCountAt = 28, kCommonLengthAt = 36, kRootTypeAt = 24;
constexpr int32_t kCurveMarker = 0x5EED, kRingMarker = 0x5EEE;

Bytes WithNodes(const std::function<void(FxWriter::EffectBuilder&)>& fill) {
    FxWriter::EffectBuilder builder;
    fill(builder);
    return builder.Build();
}

// One texture path (its units at 16: 'a', 'b', NUL), a sprite with a curve
// and a ring, their fields found by markers.
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

Bytes Patched(Bytes bytes, size_t at, int32_t value) {
    FxTest::PatchIntAt(bytes, at, value);
    return bytes;
}

Bytes PatchedMarker(int32_t marker, int offset, int32_t value) {
    Bytes bytes = Marked();
    const auto* text = reinterpret_cast<const uint8_t*>(&marker);
    auto at = std::search(bytes.begin(), bytes.end(), text, text + 4) - bytes.begin();
    FxTest::PatchIntAt(bytes, static_cast<size_t>(at + offset), value);
    return bytes;
}

TEST(FxHostileInput, TargetedValues) {
    const Bytes plain = WithNodes([](FxWriter::EffectBuilder& b) { b.Add(); });
    const Bytes deep = WithNodes([](FxWriter::EffectBuilder& b) {
        Fx::EffectNode* parent = &b.root;
        for (int depth = 0; depth < 10000; ++depth) parent = &b.Add(*parent);
    });
    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;
    } cases[] = {
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
        FxTest::FakeManager manager;
        LogCapture log;
        EXPECT_EQ(FxTest::Load(manager, c.bytes), nullptr);
        ASSERT_EQ(log.Count(), 1u);
        EXPECT_NE(log.Lines()[0].find(c.reason), std::string::npos) << log.Lines()[0];
        EXPECT_EQ(manager.references, 1);
    }
    // A texture index past the list loads; the texture is simply absent.
    auto index99 = [](FxWriter::EffectBuilder& b) { b.Add<Fx::EffectNodeSprite>().rendererCommon.textureIndex = 99; };
    ExpectSafe(WithNodes(index99), false);
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
