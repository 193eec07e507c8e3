// Effect playback on one core with null renderers: particles updated per
// millisecond for thousands of sprites with PVA location, eased colour,
// curve scale and gravity, with no emission and with emission equal to
// death, and allocations per frame, beside a plain loop doing the same
// integration over arrays.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "effect_builder.h"
#include "fx/effect.h"
#include "fx/effect_node_sprite.h"
#include "fx/fx_renderers.h"
#include "fx/instance.h"
#include "fx/manager.h"

namespace {

size_t gNewCalls = 0;

}  // namespace

// Counts every heap allocation of the process; GCC cannot see that these
// replace the global pair and warns about the free of a "new" pointer.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    ++gNewCalls;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

size_t gMallocCalls = 0;
void* CountedMalloc(unsigned int size) {
    ++gMallocCalls;
    return std::malloc(size);
}
void CountedFree(void* p, unsigned int) { std::free(p); }

constexpr int kLife = 100;

void SetCurve(Fx::FCurve& curve) {
    curve.length = 30;
    curve.endEdge = Fx::kEdgeLoop;
    for (int i = 0; i <= 30; ++i) curve.keys.push_back(1.0f + 0.5f * std::sin(i * 0.2f));
}

// Root -> one emitter -> sprites. With `emitting`, kParticles / kLife are
// born each frame and live kLife frames; otherwise all are born at once and
// live for ever.
std::vector<uint8_t> SyntheticEffect(bool emitting, int kParticles, bool bound = false) {
    FxWriter::EffectBuilder builder;
    auto& emitter = builder.Add(builder.root);
    emitter.common.removeOnLifeEnd = 0;
    emitter.rotation.kind = Fx::kRotationPva;
    emitter.rotation.pva.velocity = {{0.01f, 0.02f, 0.03f}, {0.01f, 0.02f, 0.03f}};
    auto& sprite = builder.Add<Fx::EffectNodeSprite>(emitter);
    sprite.common.maxGeneration = emitting ? INT32_MAX : kParticles;
    sprite.common.generationInterval = emitting ? static_cast<float>(kLife) / kParticles : 1e-6f;
    sprite.common.life.min = sprite.common.life.max = emitting ? kLife : 1 << 30;
    sprite.common.removeOnLifeEnd = 1;
    sprite.location.kind = Fx::kLocationPva;
    sprite.location.pva.velocity = {{1, 2, 1}, {-1, 1, -1}};
    sprite.location.pva.acceleration = {{0, -0.01f, 0}, {0, -0.02f, 0}};
    sprite.gravity = {Fx::kGravityOn, {0, -0.005f, 0}};
    sprite.scale.kind = Fx::kScaleFCurve;
    sprite.scale.curve = std::make_unique<Fx::FCurveVector3D>();
    SetCurve(sprite.scale.curve->x);
    SetCurve(sprite.scale.curve->y);
    SetCurve(sprite.scale.curve->z);
    sprite.allColor.kind = Fx::kAllColorEasing;
    sprite.allColor.easing.start = {Fx::kColorModeRgb, {255, 255, 128, 255}, {200, 100, 0, 255}};
    sprite.allColor.easing.end = {Fx::kColorModeRgb, {255, 0, 0, 0}, {128, 0, 0, 0}};
    sprite.allColor.easing.c = 1.0f;
    if (bound) sprite.common.locationBind = sprite.common.rotationBind = sprite.common.scaleBind = Fx::kBindAlways;
    return builder.Build();
}

void PlaybackUpdate(benchmark::State& state, bool emitting, bool bound = false) {
    const int kParticles = static_cast<int>(state.range(0));
    Fx::SeedDefaultRandom(7);
    Fx::Manager* manager = Fx::Manager::Create(kParticles * 2);
    manager->SetMallocFunc(CountedMalloc);
    manager->SetFreeFunc(CountedFree);
    manager->SetSpriteRenderer(new Fx::SpriteRenderer());  // does nothing with what it is given
    std::vector<uint8_t> bytes = SyntheticEffect(emitting, kParticles, bound);
    Fx::Effect* effect = Fx::Effect::Create(manager, bytes.data(), bytes.size());
    manager->Play(effect, 0, 0, 0);
    for (int i = 0; i < kLife * 3; ++i) manager->Update(1.0f);  // warm up to the steady state
    int32_t particles = kParticles * 2 - manager->GetRestInstancesCount();
    size_t newBefore = gNewCalls, mallocBefore = gMallocCalls;
    int64_t frames = 0, updateMicros = 0;
    for (auto _ : state) {
        manager->Update(1.0f);
        updateMicros += manager->GetUpdateTime();
        ++frames;
    }
    size_t allocations = gNewCalls - newBefore + gMallocCalls - mallocBefore;  // before the counters allocate
    state.counters["particles"] = particles;
    state.counters["allocs_per_frame"] = static_cast<double>(allocations) / static_cast<double>(frames);
    state.counters["particles_per_ms"] =
        static_cast<double>(particles) * static_cast<double>(frames) * 1000.0 / static_cast<double>(updateMicros);
    state.counters["ns_per_particle"] =
        1000.0 * static_cast<double>(updateMicros) / static_cast<double>(frames * particles);
    effect->Release();
    manager->Destroy();
}

void BM_FxUpdateNoEmission(benchmark::State& state) { PlaybackUpdate(state, false); }
void BM_FxUpdateEmissionEqualsDeath(benchmark::State& state) { PlaybackUpdate(state, true); }
// Every sprite follows its turning emitter: the bind path and a full product.
void BM_FxUpdateBoundToParent(benchmark::State& state) { PlaybackUpdate(state, false, true); }

// The reference: the same motion, colour and scale over plain arrays, with a
// scale-times-translation matrix per particle.
void BM_PlainLoopReference(benchmark::State& state) {
    const int kParticles = static_cast<int>(state.range(0));
    struct Particle {
        float p[3], v[3], a[3];
        uint8_t c0[4], c1[4];
        float age;
        float m[12];
        uint8_t color[4];
    };
    std::vector<Particle> particles(kParticles);
    std::vector<float> curve;
    for (int i = 0; i <= 30; ++i) curve.push_back(1.0f + 0.5f * std::sin(i * 0.2f));
    for (size_t i = 0; i < particles.size(); ++i) {
        Particle& q = particles[i];
        q = Particle{{0, 0, 0}, {float(i % 7), 1, -1}, {0, -0.01f, 0}, {255, 200, 100, 255}, {200, 0, 0, 0}, 0, {}, {}};
    }
    for (auto _ : state) {
        for (Particle& q : particles) {
            float t = q.age, half = t * t * 0.5f;
            float x = std::min(1.0f, t / kLife);
            float s = curve[static_cast<size_t>(t) % 30];
            for (int k = 0; k < 4; ++k) q.color[k] = static_cast<uint8_t>(q.c0[k] + (q.c1[k] - q.c0[k]) * x);
            for (int k = 0; k < 9; ++k) q.m[k] = (k % 4 == 0) ? s : 0.0f;
            for (int k = 0; k < 3; ++k) q.m[9 + k] = q.p[k] + q.v[k] * t + q.a[k] * half - (k == 1 ? 0.005f * half : 0);
            q.age += 1.0f;
        }
        benchmark::DoNotOptimize(particles.data());
    }
    double perSecondOverThousand = static_cast<double>(kParticles) * static_cast<double>(state.iterations()) / 1000.0;
    state.counters["particles_per_ms"] = benchmark::Counter(perSecondOverThousand, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_FxUpdateNoEmission)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FxUpdateEmissionEqualsDeath)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FxUpdateBoundToParent)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoopReference)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
