// Reading a 200-node effect file into an effect with its node tree, beside
// copying the same bytes with memcpy, the floor any reader stands on.
#include <benchmark/benchmark.h>

#include <cstring>

#include "fx/effect.h"
#include "fx_test_support.h"
#include "rich_effects.h"

namespace {

// `nodeCount` nodes of every type with every field set, in a bushy tree, as
// a large real effect might be.
std::vector<uint8_t> WideEffect(int nodeCount) {
    FxWriter::EffectBuilder builder;
    FxTest::FillHeader(builder.header);
    std::vector<Fx::EffectNode*> parents = {&builder.root};
    for (int i = 0; i < nodeCount; ++i) {
        Fx::EffectNode& parent = *parents[static_cast<size_t>(i / 4) % parents.size()];
        Fx::EffectNode& node = builder.Add(parent, FxTest::kNodeTypes[i % 5]);
        FxTest::FillNode(node, i % 7);
        if (parents.size() < 64) parents.push_back(&node);
    }
    return builder.Build();
}

const std::vector<uint8_t>& EffectFile() {
    static const std::vector<uint8_t> bytes = WideEffect(200);
    return bytes;
}

void BM_FxLoad200NodeEffect(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = EffectFile();
    FxTest::FakeManager manager;
    for (auto _ : state) {
        Fx::Effect* effect = Fx::Effect::Create(&manager, bytes.data(), bytes.size());
        benchmark::DoNotOptimize(effect);
        effect->Release();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_FxLoad200NodeEffect);

void BM_FxMemcpyEffectBytes(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = EffectFile();
    std::vector<uint8_t> copy(bytes.size());
    for (auto _ : state) {
        memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_FxMemcpyEffectBytes);

}  // namespace
