// libFuzzer: any bytes as an effect file (accepted ones must evaluate whole) and as a model file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fx/model.h"
#include "fx_test_support.h"
#include "platform/debug_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetDebugSink([](const char*) {});
    std::vector<uint8_t> bytes(data, data + size);  // exact size, so overruns are caught
    FxTest::FakeManager manager;
    Fx::Effect* effect = Fx::Effect::Create(&manager, bytes.data(), bytes.size());
    if (effect != nullptr) {
        volatile float sink = FxTest::ExerciseEffect(*effect, manager);
        (void)sink;
        effect->Release();
    }
    Fx::Model::Load(bytes.data(), bytes.size());
    return 0;
}
