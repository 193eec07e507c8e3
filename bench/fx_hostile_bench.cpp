// What hostile effect files cost, beside ordinary ones in the same run:
// - a play of the fan-out file (root -> one node made 800 times at once ->
//   N plain children that never generate) with the game's 800-instance
//   manager and no renderers: resident memory the play adds over the loaded
//   effect, the slowest of its first frames, and the time of a later frame;
//   N = 0 is the same play without the fan-out; with the children able to
//   generate (mode 1: at frame 1e9; 2: at once, each living a frame, so each
//   instance makes a group per child), the play at its work budget;
// - the game's effect system reading a list of N lines naming M copies of
//   that file in turn (0 lines: an empty list): resident memory and time of
//   the load, and the ids it gave an effect.
// Resident memory is read from /proc/self/statm.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "effect_builder.h"
#include "effects/game/effect_system.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fx/effect.h"
#include "fx/manager.h"

namespace {

using Clock = std::chrono::steady_clock;

double ResidentMb() {
    long pages = 0, resident = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    fclose(statm);
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<uint8_t> FanOutEffect(int children, int mode = 0) {
    FxWriter::EffectBuilder builder;
    auto& parent = builder.Add(builder.root);
    parent.common.maxGeneration = 800;
    parent.common.generationInterval = 0.001f;
    for (int i = 0; i < children; ++i) {
        Fx::NodeCommon& child = builder.Add(parent).common;
        child.maxGeneration = mode == 0 ? 0 : 1;
        child.generationOffset = mode == 1 ? 1e9f : 0.0f;
        child.life = {1, 1};
    }
    return builder.Build();
}

void BM_FanOutPlay(benchmark::State& state) {
    const int children = static_cast<int>(state.range(0));
    Fx::Manager* manager = Fx::Manager::Create(kEffectInstanceCount);
    const std::vector<uint8_t> bytes = FanOutEffect(children, static_cast<int>(state.range(1)));
    Fx::Effect* effect = Fx::Effect::Create(manager, bytes.data(), bytes.size());
    const double before = ResidentMb();
    manager->Play(effect, 0, 0, 0);
    double firstFrames = 0;
    for (int frame = 0; frame < 3; ++frame) {
        const Clock::time_point start = Clock::now();
        manager->Update(1.0f);
        firstFrames = std::max(firstFrames, MillisecondsSince(start));
    }
    double frames = 0, total = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        manager->Update(1.0f);
        total += MillisecondsSince(start);
        ++frames;
    }
    state.counters["file_kb"] = static_cast<double>(bytes.size()) / 1024.0;
    state.counters["play_mb"] = ResidentMb() - before;
    state.counters["first_frames_ms"] = firstFrames;
    state.counters["frame_ms"] = total / frames;
    state.counters["instances"] = manager->GetInstanceCount(0);
    effect->Release();
    manager->Destroy();
}
BENCHMARK(BM_FanOutPlay)
    ->Args({0, 0})->Args({2000, 0})->Args({16000, 0})->Args({80, 1})->Args({300, 1})->Args({16000, 1})
    ->Args({300, 2})->Args({16000, 2})
    ->Iterations(20)->Unit(benchmark::kMillisecond);

// A folder with `copies` copies of the 16,000-child file, "effect/huge<i>.skfe",
// and a list of `lines` lines naming them in turn.
std::string ListFolder(int lines, int copies) {
    char pattern[] = "/tmp/qm_fx_hostile_XXXXXX";
    const std::string folder = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
    mkdir((folder + "/effect").c_str(), 0700);
    const std::vector<uint8_t> bytes = FanOutEffect(16000);
    for (int i = 0; i < copies; ++i) {
        std::ofstream(folder + "/effect/huge" + std::to_string(i) + ".skfe", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::ofstream list(folder + "/effect/list.txt", std::ios::binary);
    for (int i = 0; i < lines; ++i) list << "huge" << i % copies << ".skfe,0\r\n";
    return folder;
}

void BM_ListOfHugeFiles(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0)), copies = static_cast<int>(state.range(1));
    const std::string folder = ListFolder(lines, copies);
    FsMgr* pack = DirMgr(nullptr, folder.c_str(), nullptr);
    double loadMs = 0, loadMb = 0;
    int loaded = 0;
    for (auto _ : state) {
        const double before = ResidentMb();
        const Clock::time_point start = Clock::now();
        EffectSystem* system = EffectSystem::Create(pack);
        loadMs = MillisecondsSince(start);
        loadMb = ResidentMb() - before;
        loaded = 0;
        for (int id = 0; id < kEffectIdCount; ++id) loaded += system != nullptr && system->GetEffect(id) != nullptr;
        EffectSystem::Destroy();
    }
    state.counters["load_ms"] = loadMs;
    state.counters["load_mb"] = loadMb;
    state.counters["ids_loaded"] = loaded;
    FsMgr::Release(pack);
    for (int i = 0; i < copies; ++i) std::remove((folder + "/effect/huge" + std::to_string(i) + ".skfe").c_str());
    std::remove((folder + "/effect/list.txt").c_str());
    rmdir((folder + "/effect").c_str());
    rmdir(folder.c_str());
}
BENCHMARK(BM_ListOfHugeFiles)
    ->Args({0, 1})->Args({16, 1})->Args({64, 1})->Args({256, 1})->Args({32, 32})->Args({256, 64})
    ->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
