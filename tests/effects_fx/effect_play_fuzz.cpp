// libFuzzer: any bytes as an effect file, played 40 frames with recording renderers, a model for the
// emitters and a sound player, each frame within the play's budget. Seeds: our writer's playable files.
#include "fx_test_support.h"
#include "platform/debug_log.h"
#include "rich_effects.h"
#include "tests/fuzz/fuzz_seeds.h"

std::vector<std::string> FuzzSeeds() {
    std::vector<std::string> seeds;
    for (int variant = 0; variant < 7; ++variant) {
        const std::vector<uint8_t> bytes = FxTest::RichEffect(7, variant, true);
        seeds.emplace_back(bytes.begin(), bytes.end());
    }
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetDebugSink([](const char*) {});
    Fx::Model emitter;  // two triangles
    emitter.vertices.resize(4);
    emitter.faces = {{{0, 1, 2}}, {{1, 2, 3}}};
    FxTest::ModelCopies models;  // these outlive the manager, which writes to and unloads through them
    models.model = &emitter;
    FxTest::Recording recording;
    FxTest::RecordingLoader loader;
    FxTest::FakeManager manager(800, &recording);
    manager.textureLoader = &loader, manager.soundLoader = &loader, manager.modelLoader = &models;
    manager.hasSoundPlayer = true;
    FxTest::ScriptRandom({}, static_cast<int>(size * 7 % FxTest::kRandMax));  // every draw at one point of its range
    std::vector<uint8_t> bytes(data, data + size);  // exact size, so overruns are caught
    Fx::Effect* effect = Fx::Effect::Create(&manager, bytes.data(), bytes.size());
    if (effect == nullptr) return 0;
    manager.Play(effect, 1, 2, 3);
    for (int frame = 0; frame < 40; ++frame) recording.Clear(), manager.Update(1.0f), manager.Draw();
    effect->Release();
    return 0;
}
