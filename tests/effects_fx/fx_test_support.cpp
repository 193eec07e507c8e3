#include "fx_test_support.h"

#include <climits>
#include <cstring>
#include <deque>

#include "fx/effect_node_sprite.h"

namespace FxTest {

namespace {

std::deque<int> gValues;
int gConstant = 0;

int ScriptedRand() {
    if (gValues.empty()) return gConstant;
    int value = gValues.front();
    gValues.pop_front();
    return value;
}

float ExerciseNode(const Fx::Effect& effect, const Fx::EffectNode& node, const Fx::Manager& manager) {
    float sum = node.GetFadeAlpha(3, static_cast<float>(node.common.life.Draw(manager))) + node.GetFadeAlpha(1e9f, 0);
    for (const auto* curves : {node.location.curve.get(), node.rotation.curve.get(), node.scale.curve.get()}) {
        for (int frame = -40; curves != nullptr && frame < 40; frame += 3) {
            sum += curves->x.GetValue(frame) + curves->y.GetValue(INT_MIN + 40 + frame) +
                   curves->z.GetValue(INT_MAX - 40 + frame);
        }
    }
    sum += node.location.pva.velocity.Draw(manager).x + node.scale.singleEasing.start.Draw(manager);
    if (node.GetType() == Fx::kNodeSprite) {
        const auto& sprite = static_cast<const Fx::EffectNodeSprite&>(node);
        const auto& color = sprite.allColor;
        const float offsets[4] = {0, 0, 0, 0};
        sum += color.random.Draw(manager).a + color.easing.Evaluate({}, {}, 0.5f).r +
               (color.curve ? Fx::AllColorParameter::FromCurves(*color.curve, offsets, INT_MIN).g : 0) +
               (effect.GetTexture(sprite.textureIndex) != nullptr);
    }
    for (const auto& child : node.children) sum += ExerciseNode(effect, *child, manager);
    return sum;
}

DrawnInstance Record(const Fx::SpriteInstanceParameter& p) {
    return {Fx::kNodeSprite, p.matrix, {p.colors[0], p.colors[1], p.colors[2], p.colors[3]}, p.uv};
}
DrawnInstance Record(const Fx::RibbonInstanceParameter& p) {
    return {Fx::kNodeRibbon, p.matrix, {p.colors[0], p.colors[1]}, {}, p.instanceIndex, p.instanceCount};
}
DrawnInstance Record(const Fx::RingInstanceParameter& p) {
    return {Fx::kNodeRing, p.matrix, {p.outerColor, p.centerColor, p.innerColor}, p.uv, 0, 0,
            {p.viewingAngle, p.outerLocation.x, p.innerLocation.x, p.centerRatio}};
}
DrawnInstance Record(const Fx::ModelInstanceParameter& p) { return {Fx::kNodeModel, p.matrix, {p.allColor}, p.uv}; }

template <typename Renderer, typename NodeParameter, typename InstanceParameter>
class Recorder : public Renderer {
public:
    explicit Recorder(Recording& r) : r_(r) {}
    void LoadRenderer(const NodeParameter&, void*&) override { ++r_.loaded; }
    void RemoveRenderer(const NodeParameter&, void*&) override {}
    void BeginBatch(const NodeParameter&, int32_t count, void*) override { r_.batches.push_back(count); }
    void AddInstance(const NodeParameter&, const InstanceParameter& p, void*) override {
        r_.instances.push_back(Record(p));
    }
    void EndBatch(const NodeParameter&, void*) override { ++r_.ended; }

private:
    Recording& r_;
};

void Mix(uint64_t& hash, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
}

}  // namespace

void ScriptRandom(std::vector<int> values, int constant) {
    gValues.assign(values.begin(), values.end());
    gConstant = constant;
}

FakeManager::FakeManager(int instanceMax, Recording* recording) : ManagerImplemented(instanceMax, true) {
    using namespace Fx;
    SetRandFunc(&ScriptedRand);
    SetRandMax(kRandMax);
    if (recording == nullptr) return;
    SetSpriteRenderer(new Recorder<SpriteRenderer, SpriteNodeParameter, SpriteInstanceParameter>(*recording));
    SetRibbonRenderer(new Recorder<RibbonRenderer, RibbonNodeParameter, RibbonInstanceParameter>(*recording));
    SetRingRenderer(new Recorder<RingRenderer, RingNodeParameter, RingInstanceParameter>(*recording));
    SetModelRenderer(new Recorder<ModelRenderer, ModelNodeParameter, ModelInstanceParameter>(*recording));
}

void* RecordingLoader::Load(const char* path) {
    loaded.push_back(path);
    if (strstr(path, "missing") != nullptr) return nullptr;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(loaded.size()));
}

Fx::Effect* Load(FakeManager& manager, const std::vector<uint8_t>& bytes) {
    return Fx::Effect::Create(&manager, bytes.data(), bytes.size());
}

float ExerciseEffect(const Fx::Effect& effect, const Fx::Manager& manager) {
    return ExerciseNode(effect, *effect.GetRoot(), manager);
}

uint64_t Recording::Hash() const {
    uint64_t hash = 14695981039346656037ull;
    for (const DrawnInstance& d : instances) {
        Mix(hash, &d.type, sizeof d.type);
        Mix(hash, d.matrix.value, sizeof d.matrix.value);
        for (const Fx::Color& c : d.colors) Mix(hash, &c, sizeof c);
        Mix(hash, &d.uv, sizeof d.uv);
        Mix(hash, &d.index, sizeof d.index);
        Mix(hash, d.values, sizeof d.values);
    }
    Mix(hash, batches.data(), batches.size() * sizeof(int32_t));
    return hash;
}

PlayFixture::~PlayFixture() {
    manager.StopAllEffects();
    for (Fx::Effect* effect : effects) effect->Release();
}

Fx::Handle PlayFixture::Play(const std::vector<uint8_t>& bytes, float x) {
    Fx::Effect* effect = Load(manager, bytes);
    EXPECT_NE(effect, nullptr);
    effects.push_back(effect);
    return manager.Play(effect, x, 0.0f, 0.0f);
}

void PlayFixture::Frame(int count) {
    for (int i = 0; i < count; ++i) {
        recording.Clear();
        manager.Update(1.0f);
        manager.Draw();
    }
}

}  // namespace FxTest
