// The effect renderer's CPU cost on Mesa: sprites of each billboard kind,
// ribbon points and ring segments drawn through a 1 x 1 viewport (so that
// rasterising costs nothing), each beside a plain loop that writes the same
// vertices into an array; and a 128 x 128 frame of 1,000 sprites as 200
// nodes of 5 against 1 node of 1,000 (the cost of a draw call per node).
// Times include glFinish; rates are items per second (divide by 1,000 for
// items per millisecond). Built a second time on null GL entry points
// (qm_bench_fx_renderer_nullgl), it times the renderer's own CPU work alone,
// without Mesa's software vertex stage.
#include <GLES2/gl2.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fx/fx_renderers.h"
#include "fx/gl/effect_batch.h"
#include "fx/gl/renderer.h"
#include "platform/gl_headless.h"

namespace {

constexpr int kInstances = 1000;
FxRenderer::Renderer* gRenderer = nullptr;

Fx::Matrix43 InstanceMatrix(int i) {
    Fx::Matrix43 m;
    m.SetRotationZXY(0.01f * i, 0.02f * i, 0.03f * i);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m.value[r][c] *= 0.1f;
    }
    m.value[3][0] = 0.001f * i;
    return m;
}

std::vector<Fx::SpriteInstanceParameter> Sprites() {
    std::vector<Fx::SpriteInstanceParameter> list(kInstances);
    for (int i = 0; i < kInstances; ++i) {
        const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}};
        for (int k = 0; k < 4; ++k) {
            list[size_t(i)].positions[k] = Fx::Vector2D{corners[k][0], corners[k][1]};
            list[size_t(i)].colors[k] = Fx::Color(255, 128, uint8_t(i), 200);
        }
        list[size_t(i)].matrix = InstanceMatrix(i);
        list[size_t(i)].uv = Fx::TextureRect{0.0f, 0.0f, 1.0f, 1.0f};
    }
    return list;
}

void BM_Sprites(benchmark::State& state) {
    glViewport(0, 0, 1, 1);
    std::unique_ptr<Fx::SpriteRenderer> renderer(gRenderer->CreateSpriteRenderer());
    Fx::SpriteNodeParameter node;
    node.billboard = int32_t(state.range(0));
    node.alphaBlend = Fx::kBlendBlend;
    const auto sprites = Sprites();
    gRenderer->BeginRendering();
    for (auto _ : state) {
        renderer->BeginBatch(node, kInstances, nullptr);
        for (const auto& sprite : sprites) renderer->AddInstance(node, sprite, nullptr);
        renderer->EndBatch(node, nullptr);
        glFinish();
    }
    gRenderer->EndRendering();
    state.SetItemsProcessed(state.iterations() * kInstances);
}
BENCHMARK(BM_Sprites)->DenseRange(0, 3)->ArgName("billboard");

// The reference: the same four vertices per sprite (corners through the
// instance matrix, colour, texture coordinate) written into an array.
void BM_PlainSpriteVertexLoop(benchmark::State& state) {
    const auto sprites = Sprites();
    std::vector<FxRenderer::EffectVertex> out(size_t(kInstances) * 4);
    const float us[4] = {0, 1, 0, 1}, vs[4] = {1, 1, 0, 0};
    for (auto _ : state) {
        FxRenderer::EffectVertex* v = out.data();
        for (const auto& s : sprites) {
            for (int k = 0; k < 4; ++k, ++v) {
                Fx::Vector3D p(s.positions[k].x, s.positions[k].y, 0.0f);
                Fx::Vector3D::Transform(p, p, s.matrix);
                v->Set(p.x, p.y, p.z, s.colors[k], us[k], vs[k]);
            }
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kInstances);
}
BENCHMARK(BM_PlainSpriteVertexLoop);

// 1,000 ribbon points in 20 strips of 50.
void BM_RibbonPoints(benchmark::State& state) {
    glViewport(0, 0, 1, 1);
    std::unique_ptr<Fx::RibbonRenderer> renderer(gRenderer->CreateRibbonRenderer());
    Fx::RibbonNodeParameter node;
    std::vector<Fx::RibbonInstanceParameter> points(kInstances);
    for (int i = 0; i < kInstances; ++i) {
        points[size_t(i)].instanceCount = 50;
        points[size_t(i)].instanceIndex = i % 50;
        points[size_t(i)].matrix = InstanceMatrix(i);
    }
    gRenderer->BeginRendering();
    for (auto _ : state) {
        renderer->BeginBatch(node, kInstances, nullptr);
        for (const auto& point : points) renderer->AddInstance(node, point, nullptr);
        renderer->EndBatch(node, nullptr);
        glFinish();
    }
    gRenderer->EndRendering();
    state.SetItemsProcessed(state.iterations() * kInstances);
}
BENCHMARK(BM_RibbonPoints);

void BM_PlainRibbonVertexLoop(benchmark::State& state) {
    std::vector<Fx::Matrix43> matrices;
    for (int i = 0; i < kInstances; ++i) matrices.push_back(InstanceMatrix(i));
    std::vector<FxRenderer::EffectVertex> out(size_t(kInstances) * 4);
    const Fx::Color colour;
    for (auto _ : state) {
        FxRenderer::EffectVertex* v = out.data();
        FxRenderer::EffectVertex previous[2] = {};
        for (int i = 0; i < kInstances; ++i) {
            Fx::Vector3D left(-0.5f, 0, 0), right(0.5f, 0, 0);
            Fx::Vector3D::Transform(left, left, matrices[size_t(i)]);
            Fx::Vector3D::Transform(right, right, matrices[size_t(i)]);
            const float t = float(i % 50) / 50.0f;
            FxRenderer::EffectVertex point[2];
            point[0].Set(left.x, left.y, left.z, colour, 1.0f, t);
            point[1].Set(right.x, right.y, right.z, colour, 0.0f, t + 0.02f);
            if (i % 50 != 0) {  // every point after a strip's first closes a square
                v[0] = previous[0];
                v[1] = previous[1];
                v[2] = point[0];
                v[3] = point[1];
                v += 4;
            }
            previous[0] = point[0];
            previous[1] = point[1];
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kInstances);
}
BENCHMARK(BM_PlainRibbonVertexLoop);

// 50 rings of 16 segments (800 segments) per batch, placed on the CPU.
void BM_RingSegments(benchmark::State& state) {
    glViewport(0, 0, 1, 1);
    std::unique_ptr<Fx::RingRenderer> renderer(gRenderer->CreateRingRenderer());
    Fx::RingNodeParameter node;
    node.vertexCount = 16;
    node.billboard = int32_t(state.range(0));
    std::vector<Fx::RingInstanceParameter> rings(50);
    for (size_t i = 0; i < rings.size(); ++i) {
        rings[i].matrix = InstanceMatrix(int(i));
        rings[i].viewingAngle = 360.0f;
        rings[i].outerLocation = Fx::Vector2D{1.0f, 0.0f};
        rings[i].innerLocation = Fx::Vector2D{0.5f, 0.0f};
        rings[i].uv = Fx::TextureRect{0, 0, 1, 1};
    }
    gRenderer->BeginRendering();
    for (auto _ : state) {
        renderer->BeginBatch(node, int32_t(rings.size()), nullptr);
        for (const auto& ring : rings) renderer->AddInstance(node, ring, nullptr);
        renderer->EndBatch(node, nullptr);
        glFinish();
    }
    gRenderer->EndRendering();
    state.SetItemsProcessed(state.iterations() * int64_t(rings.size()) * 16);
}
BENCHMARK(BM_RingSegments)->Arg(0)->Arg(2)->ArgName("billboard");

// The reference: 8 vertices per segment at sine/cosine recurrence angles,
// each through the instance matrix.
void BM_PlainRingVertexLoop(benchmark::State& state) {
    std::vector<Fx::Matrix43> matrices;
    for (int i = 0; i < 50; ++i) matrices.push_back(InstanceMatrix(i));
    std::vector<FxRenderer::EffectVertex> out(50 * 16 * 8);
    const Fx::Color colour;
    for (auto _ : state) {
        FxRenderer::EffectVertex* v = out.data();
        for (const Fx::Matrix43& m : matrices) {
            float c = -1.0f, s = 0.0f;
            const float stepC = 0.9238795f, stepS = 0.3826834f;
            for (int k = 0; k < 16; ++k) {
                const float nc = c * stepC - s * stepS, ns = s * stepC + c * stepS;
                const float radii[4] = {1.0f, 0.75f, 0.75f, 0.5f};
                for (int j = 0; j < 8; ++j, ++v) {
                    const bool next = (j & 2) != 0;
                    const float r = radii[(j >> 2) * 2 + (j & 1)];
                    Fx::Vector3D p((next ? nc : c) * r, (next ? ns : s) * r, 0.0f);
                    Fx::Vector3D::Transform(p, p, m);
                    v->Set(p.x, p.y, p.z, colour, float(k) / 16.0f, 0.5f);
                }
                c = nc;
                s = ns;
            }
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 50 * 16);
}
BENCHMARK(BM_PlainRingVertexLoop);

// A 128 x 128 frame of 1,000 billboard sprites: range(0) nodes of
// 1,000 / range(0) sprites each.
void BM_Frame128(benchmark::State& state) {
    glViewport(0, 0, 128, 128);
    std::unique_ptr<Fx::SpriteRenderer> renderer(gRenderer->CreateSpriteRenderer());
    Fx::SpriteNodeParameter node;
    node.alphaBlend = Fx::kBlendAdd;
    const auto sprites = Sprites();
    const int nodes = int(state.range(0)), perNode = kInstances / nodes;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        gRenderer->BeginRendering();
        for (int n = 0; n < nodes; ++n) {
            renderer->BeginBatch(node, perNode, nullptr);
            for (int i = 0; i < perNode; ++i) renderer->AddInstance(node, sprites[size_t(n * perNode + i)], nullptr);
            renderer->EndBatch(node, nullptr);
        }
        gRenderer->EndRendering();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kInstances);
}
BENCHMARK(BM_Frame128)->Arg(200)->Arg(1)->ArgName("nodes")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
#ifndef QM_NULL_GL
    setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);
    std::string error;
    std::unique_ptr<HeadlessGlContext> context = HeadlessGlContext::Create(128, 128, &error);
    if (!context) {
        fprintf(stderr, "headless GL context: %s\n", error.c_str());
        return 1;
    }
#endif
    gRenderer = FxRenderer::Renderer::Create(1200);
    if (!gRenderer) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gRenderer->Release();
    return 0;
}
