// One frame's 2D pass at 1280 x 720: 2,000 sprites of 32 x 32 in the layer
// list, all cut from one atlas texture or spread over four textures in turn,
// moving every frame or standing still, batched or drawn one call per sprite
// (the path before batching). Reported per frame: draw calls, texture binds,
// the main thread's CPU time in the pass and the whole frame's time with
// Mesa's rasteriser finished (with_raster_us). Built against the null GL
// entry points, the time is the engine's alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "gfx/async_texture.h"
#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/layer_list.h"
#include "gfx/sprite.h"
#include "gfx/std2d.h"
#include "gfx/std2d_batch.h"

#ifndef QM_NULL_GL
#include "platform/gl_headless.h"
#endif

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;
constexpr int kSpriteCount = 2000;
constexpr int kCell = 32;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

AsyncTexture* NoiseImage(int size, uint32_t seed) {
    Image* image = Image::New(size, size, kPixelRgba8888, nullptr);
    uint32_t state = seed;
    for (uint32_t i = 0; i < image->dataSize; ++i) {
        state = state * 1664525u + 1013904223u;
        image->pixels[i] = static_cast<uint8_t>(state >> 24);
    }
    AsyncTexture* at = AsyncTexture::Create(nullptr);
    AsyncTexture::SetDecoded(at, image);
    AsyncTexture::CompleteUpload(at);
    return at;
}

struct Scene {
    LayerList* list = nullptr;
    std::vector<AsyncTexture*> images;
    std::vector<Sprite*> sprites;
    std::vector<LayerNode> nodes;
    std::vector<int> x, y;

    explicit Scene(int textureCount) {
        list = LayerList::Create(nullptr);
        const int pageSize = textureCount == 1 ? 1024 : 256;
        for (int t = 0; t < textureCount; ++t) images.push_back(NoiseImage(pageSize, 7 + t));
        const int cellsPerRow = pageSize / kCell;
        sprites.resize(kSpriteCount);
        nodes.resize(kSpriteCount);
        uint32_t state = 12345;
        auto next = [&state](int range) {
            state = state * 1664525u + 1013904223u;
            return static_cast<int>((state >> 8) % static_cast<uint32_t>(range));
        };
        for (int i = 0; i < kSpriteCount; ++i) {
            Sprite* sprite = Sprite::Create(nullptr);
            const int cell = next(cellsPerRow * cellsPerRow);
            sprite->SetImageRect(images[i % textureCount], (cell % cellsPerRow) * kCell, (cell / cellsPerRow) * kCell,
                                 kCell, kCell);
            x.push_back(next(kScreenWidth));
            y.push_back(next(kScreenHeight));
            sprite->SetPos(x.back(), y.back());
            sprites[i] = sprite;
            nodes[i] = LayerNode{{}, sprite, Sprite::Draw, 0};
            LayerList::Insert(list, &nodes[i]);
        }
    }
    ~Scene() {
        for (LayerNode& node : nodes) LayerList::Remove(list, &node);
        for (Sprite* sprite : sprites) Sprite::Destroy(sprite);
        for (AsyncTexture* image : images) ReleaseTexture(image);
        LayerList::Destroy(list);
    }

    // The 2D pass as the frame runs it.
    void DrawPass() {
        RebindStd2dProgram();
        LayerList::Draw(list);
        UnbindStd2dProgram();
    }
};

void BM_SpritePass(benchmark::State& state) {
    const int textureCount = static_cast<int>(state.range(0));
    const bool moving = state.range(1) != 0;
    const bool batched = state.range(2) != 0;
    SetStd2dBatchingEnabled(batched);
    Scene scene(textureCount);
    const float clear[4] = {0, 0, 0, 1};
    double engineSeconds = 0, wallSeconds = 0;
    uint32_t drawCalls = 0, binds = 0;
    int frame = 0;
    for (auto _ : state) {
        GlClearColorBuffer(clear);
        if (moving) {
            ++frame;
            for (int i = 0; i < kSpriteCount; ++i) scene.sprites[i]->SetPos(scene.x[i] + frame % 7, scene.y[i]);
        }
        ResetRenderStats();
        const double wallStart = WallSeconds();
        const double start = ThreadSeconds();
        scene.DrawPass();
        const double spent = ThreadSeconds() - start;
        glFinish();  // the rasteriser's share, outside the pass's CPU time
        wallSeconds += WallSeconds() - wallStart;
        engineSeconds += spent;
        state.SetIterationTime(spent);
        drawCalls = GetRenderStats().drawCalls;
        binds = GetRenderStats().textureBinds;
    }
    state.counters["draw_calls"] = drawCalls;
    state.counters["texture_binds"] = binds;
    state.counters["pass_cpu_us"] = benchmark::Counter(engineSeconds * 1e6 / static_cast<double>(state.iterations()));
    state.counters["with_raster_us"] = benchmark::Counter(wallSeconds * 1e6 / static_cast<double>(state.iterations()));
    state.SetLabel(std::string(textureCount == 1 ? "one atlas" : "4 textures") + (moving ? ", moving" : ", still") +
                   (batched ? ", batched" : ", one call per sprite"));
    SetStd2dBatchingEnabled(true);
}

BENCHMARK(BM_SpritePass)
    ->ArgNames({"textures", "moving", "batched"})
    ->ArgsProduct({{1, 4}, {1, 0}, {1, 0}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
#ifndef QM_NULL_GL
    setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);
    std::string error;
    std::unique_ptr<HeadlessGlContext> context = HeadlessGlContext::Create(kScreenWidth, kScreenHeight, &error);
    if (!context) {
        fprintf(stderr, "headless GL context: %s\n", error.c_str());
        return 1;
    }
#endif
    if (!GraphicsInit(kScreenWidth, kScreenHeight, nullptr)) {
        fprintf(stderr, "the Std2d program did not build\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    GraphicsShutdown();
    return 0;
}
