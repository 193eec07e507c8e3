#include "fx_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

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

Fx::RandFunc FakeManager::GetRandFunc() const { return &ScriptedRand; }

void* RecordingLoader::Load(const char* path) {
    loaded.push_back(path);
    if (strstr(path, "missing") != nullptr) return nullptr;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(loaded.size()));
}

Fx::Effect* Load(FakeManager& manager, const std::vector<uint8_t>& bytes) {
    return Fx::Effect::Create(&manager, bytes.data(), bytes.size());
}

void PatchIntAt(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
    ASSERT_LE(offset + 4, bytes.size());
    memcpy(&bytes[offset], &value, 4);
}

void PatchInt(std::vector<uint8_t>& bytes, int32_t marker, int32_t value, int offsetFromMarker) {
    std::vector<size_t> found;
    for (size_t i = 0; i + 4 <= bytes.size(); ++i) {
        if (memcmp(&bytes[i], &marker, 4) == 0) found.push_back(i);
    }
    ASSERT_EQ(found.size(), 1u) << "marker " << marker;
    PatchIntAt(bytes, found[0] + offsetFromMarker, value);
}

}  // namespace FxTest
