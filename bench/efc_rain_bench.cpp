// The rain's CPU time per frame on null GL entry points, beside a plain loop
// over an array of the same 6,400 drops as the reference:
//   RainStepFull      one update with all 6,400 drops alive and nothing spawned
//   RainUpdateSteady  one update of the running rain at 20 spawns a frame,
//                     with their 20 ground picks on a 24 x 24 field
//   RainDraw          the two draw passes over the whole table (the engine's
//                     side alone: null GL does not read the client arrays)
//   ReferenceLoop     each drop's two line vertices moved down 20 units
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/random.h"
#include "effects/game/efc_rain.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "game/field.h"
#include "gfx/material_shader.h"
#include "sample/tools/efc_assets.h"

namespace {

const float kOrigin[3] = {0, 0, 0};

struct RainBench {
    std::unique_ptr<QmField> field;
    FsMgr* pack = nullptr;
    std::unique_ptr<QmEfcRain> rain;

    RainBench() {
        const float light[3] = {0, 1, 0};
        field = std::make_unique<QmField>(light);
        field->AllocCells(24, 24);
        for (int i = 0; i < 24 * 24; ++i) field->cells[i].height = 1 + i % 5, field->cells[i].walkable = 1;
        field->FinishCells();
        const std::string folder = "/tmp/qm_efc_rain_bench";
        WriteEfcAssets(folder);
        pack = DirMgr(nullptr, folder.c_str(), nullptr);
        rain = std::make_unique<QmEfcRain>(pack);
        rain->context = field.get();
        RandomSeed(nullptr, 1);
    }
    ~RainBench() {
        rain.reset();
        FsMgr::Release(pack);
    }
    // Every record alive, spread over falling and splashing.
    void Fill() {
        rain->Start(kOrigin, kOrigin, 0);
        rain->SetParameter(0, kRainDrops);
        rain->Update();
        rain->SetParameter(0, 0);
    }
};

RainBench& Bench() {
    static RainBench bench;
    return bench;
}

void RainStepFull(benchmark::State& state) {
    RainBench& b = Bench();
    int frame = 0;
    for (auto _ : state) {
        if (frame++ % 16 == 0) {  // refilled before the first drops land
            state.PauseTiming();
            b.Fill();
            state.ResumeTiming();
        }
        b.rain->Update();
    }
}
BENCHMARK(RainStepFull);

void RainUpdateSteady(benchmark::State& state) {
    RainBench& b = Bench();
    b.rain->Start(kOrigin, kOrigin, 0);
    b.rain->SetParameter(0, kRainDefaultSpawn);
    for (int i = 0; i < 100; ++i) b.rain->Update();
    for (auto _ : state) b.rain->Update();
}
BENCHMARK(RainUpdateSteady);

void RainDraw(benchmark::State& state) {
    RainBench& b = Bench();
    b.Fill();
    const CameraParams camera{20, 1.6f, 50, 50000, {0, 0, 0}, {800, 900, 800}, {0, 1, 0}};
    MaterialShader::SetCamera(camera);
    for (auto _ : state) b.rain->Draw(&camera);
}
BENCHMARK(RainDraw);

void ReferenceLoop(benchmark::State& state) {
    std::vector<RainVertex> lines(2 * kRainDrops, RainVertex{0, 500, 0, 1, 0, 0, 255, 160});
    for (auto _ : state) {
        for (RainVertex& v : lines) v.y = static_cast<int16_t>(v.y - 20 + (v.y < -200 ? 700 : 0));
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(ReferenceLoop);

}  // namespace

BENCHMARK_MAIN();
