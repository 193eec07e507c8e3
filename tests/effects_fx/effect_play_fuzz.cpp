// libFuzzer: any bytes as an effect file, played 40 frames with recording renderers, a model for the
// emitters and a sound player; every frame must stay within the play's budget. Seeds: our writer's files.
#include "fx/model.h"
#include "fx_test_support.h"
#include "platform/debug_log.h"
#include "rich_effects.h"
#include "tests/fuzz/fuzz_seeds.h"

namespace {

// Two triangles, so every pick mode of a model emitter has faces and vertices to take.
struct EmitterModels : Fx::ModelLoader {
    void* Load(const char*) override {
        auto* model = new Fx::Model();
        model->vertices.resize(4);
        for (int i = 0; i < 4; ++i) model->vertices[i].position = Fx::Vector3D(i & 1, i >> 1, 1);
        model->faces = {{{0, 1, 2}}, {{1, 2, 3}}};
        return model;
    }
    void Unload(void* model) override { delete static_cast<Fx::Model*>(model); }
};

// Every node type under every other with the parameter kinds of `variant`, and counts, lives and binds that play.
std::string PlayableEffect(int variant) {
    FxWriter::EffectBuilder builder;
    FxTest::FillHeader(builder.header);
    int n = 0;
    auto fill = [&n, variant](Fx::EffectNode& node) -> Fx::EffectNode& {
        FxTest::FillNode(node, variant + n++);
        node.common = {3 + n % 5, n % 4, (n + 1) % 4, (n + 2) % 4, n % 2, 1, n % 3 == 0, {40, 10}, 1.0f + n % 3, 0};
        node.generationPoint.modelIndex = node.sound.waveIndex = 0;
        node.sound.delay = {3, 0};
        return node;
    };
    for (int32_t type : FxTest::kNodeTypes) {
        Fx::EffectNode& node = fill(builder.Add(builder.root, type));
        for (int32_t childType : FxTest::kNodeTypes) fill(builder.Add(node, childType));
    }
    const std::vector<uint8_t> bytes = builder.Build();
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
    std::vector<std::string> seeds;
    for (int variant = 0; variant < 7; ++variant) seeds.push_back(PlayableEffect(variant));
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = [] {
        SetDebugSink([](const char*) {});
        return true;
    }();
    (void)quiet;
    FxTest::Recording recording;  // these outlive the manager, which writes to and unloads through them
    FxTest::RecordingLoader loader;
    EmitterModels models;
    FxTest::FakeManager manager(800);
    FxTest::InstallRecorders(manager, recording);
    manager.textureLoader = &loader;
    manager.soundLoader = &loader;
    manager.modelLoader = &models;
    manager.hasSoundPlayer = true;
    manager.SetRandFunc(Fx::DefaultRandom);
    manager.SetRandMax(Fx::kDefaultRandMax);
    Fx::SeedDefaultRandom(static_cast<uint32_t>(size));
    std::vector<uint8_t> bytes(data, data + size);  // exact size, so overruns are caught
    Fx::Effect* effect = Fx::Effect::Create(&manager, bytes.data(), bytes.size());
    if (effect == nullptr) return 0;
    manager.Play(effect, 1, 2, 3);
    for (int frame = 0; frame < 40; ++frame) {
        recording.Clear();
        manager.Update(1.0f);
        manager.Draw();
    }
    effect->Release();
    return 0;
}
