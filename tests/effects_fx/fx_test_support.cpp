#include "fx_test_support.h"

#include <gtest/gtest.h>

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

}  // namespace

void ScriptRandom(std::vector<int> values, int constant) {
    gValues.assign(values.begin(), values.end());
    gConstant = constant;
}

FakeManager::FakeManager(int instanceMax) : ManagerImplemented(instanceMax, true) {
    SetRandFunc(&ScriptedRand);
    SetRandMax(kRandMax);
}

void* RecordingLoader::Load(const char* path) {
    loaded.push_back(path);
    if (strstr(path, "missing") != nullptr) return nullptr;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(loaded.size()));
}

Fx::Effect* Load(FakeManager& manager, const std::vector<uint8_t>& bytes) {
    return Fx::Effect::Create(&manager, bytes.data(), bytes.size());
}

namespace {

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
        const auto& color = static_cast<const Fx::EffectNodeSprite&>(node).allColor;
        const float offsets[4] = {0, 0, 0, 0};
        sum += color.random.Draw(manager).a + color.easing.Evaluate({}, {}, 0.5f).r +
               (color.curve ? Fx::AllColorParameter::FromCurves(*color.curve, offsets, INT_MIN).g : 0) +
               (effect.GetTexture(static_cast<const Fx::EffectNodeSprite&>(node).textureIndex) != nullptr);
    }
    for (const auto& child : node.children) sum += ExerciseNode(effect, *child, manager);
    return sum;
}

}  // namespace

float ExerciseEffect(const Fx::Effect& effect, const Fx::Manager& manager) {
    return ExerciseNode(effect, *effect.GetRoot(), manager);
}

void PatchIntAt(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
    ASSERT_LE(offset + 4, bytes.size());
    memcpy(&bytes[offset], &value, 4);
}

}  // namespace FxTest
