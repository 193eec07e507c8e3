// The game's particle effects per frame on Mesa (llvmpipe), with the sample's
// spark burst played until the 800-instance pool is full: the effect update
// alone, the camera draw alone (its CPU side, then with glFinish, that is the
// whole 1280 x 720 frame of effects), beside a frame that only clears.
// Reads the sample pack's effect folder from the build tree.
#include <GLES2/gl2.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "effects/game/effect_system.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fx/manager.h"
#include "gfx/graphics.h"
#include "gfx/material_shader.h"
#include "platform/gl_headless.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720;
const CameraParams kCamera{20.0f, 16.0f / 9.0f, 50.0f, 50000.0f, {0, 0, 0}, {700, 700, 700}, {0, 1, 0}};

// Plays bursts across the ground until the pool has no room for one more.
void FillPool(EffectSystem* fx) {
    Fx::Manager* manager = fx->GetManager();
    for (int i = 0; manager->GetRestInstancesCount() >= 25; ++i) {
        const float from[3] = {0, 0, 0}, to[3] = {float(i % 8) * 64 - 224, 0, float(i / 8) * 64 - 224};
        if (fx->Play(0, from, to, 0) < 0) break;
        fx->Update();
    }
}

// Keeps the pool full: a burst that ended is played again.
void Refill(EffectSystem* fx) {
    if (fx->GetManager()->GetRestInstancesCount() >= 25) FillPool(fx);
}

void BM_EffectUpdate(benchmark::State& state) {
    EffectSystem* fx = EffectSystem::Get();
    FillPool(fx);
    for (auto _ : state) {
        fx->Update();
        state.PauseTiming();
        Refill(fx);
        state.ResumeTiming();
    }
    state.counters["instances"] = kEffectInstanceCount - fx->GetManager()->GetRestInstancesCount();
}
BENCHMARK(BM_EffectUpdate)->Unit(benchmark::kMicrosecond);

void BM_EffectDraw(benchmark::State& state) {
    EffectSystem* fx = EffectSystem::Get();
    FillPool(fx);
    const bool finish = state.range(0) != 0;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        fx->Draw(&kCamera);
        if (finish) glFinish();
        state.PauseTiming();
        if (!finish) glFinish();
        fx->Update();
        Refill(fx);
        state.ResumeTiming();
    }
    state.counters["instances"] = kEffectInstanceCount - fx->GetManager()->GetRestInstancesCount();
}
BENCHMARK(BM_EffectDraw)->Arg(0)->Arg(1)->ArgName("finish")->Unit(benchmark::kMicrosecond);

// The same frame without effects: what the effects add to a frame is the difference.
void BM_ClearOnly(benchmark::State& state) {
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
    }
}
BENCHMARK(BM_ClearOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);
    std::string error;
    std::unique_ptr<HeadlessGlContext> context = HeadlessGlContext::Create(kWidth, kHeight, &error);
    if (!context || !GraphicsInit(kWidth, kHeight, nullptr)) {
        fprintf(stderr, "headless GL context: %s\n", error.c_str());
        return 1;
    }
    glViewport(0, 0, kWidth, kHeight);
    FsMgr* pack = DirMgr(nullptr, QM_SAMPLE_PACK_DIR, nullptr);
    if (EffectSystem::Create(pack) == nullptr || EffectSystem::Get()->GetEffect(0) == nullptr) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    EffectSystem::Destroy();
    FsMgr::Release(pack);
    GraphicsShutdown();
    return 0;
}
