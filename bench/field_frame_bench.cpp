// One battle frame at 1280 x 720 from the battle's default camera: a 24 x 24
// map of terraces, ramps and holes with bevels, walls and outlines, a
// movement range of 61 cells (two panels each), an 8-cell route, the cursor
// and 6 unit billboards with blob shadows; with the static shadow map and
// without, beside an empty frame (clear and finish only), and the one-off
// shadow-map pass. Reported per
// frame: draw calls, the main thread's CPU time in DrawField (cpu_us) and
// the whole frame's time with Mesa's rasteriser finished (frame_us). Built
// against the null GL entry points, cpu_us is the engine's own work alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "game/field_markers.h"
#include "game/field_renderer.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/std2d.h"
#include "gfx/texture.h"

#ifndef QM_NULL_GL
#include "platform/gl_headless.h"
#endif

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;
constexpr int kUnits = 6;

double Seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int32_t LoadShader(const char* name) {
    const std::string base = std::string(QM_SAMPLE_SHADERS) + "/" + name;
    return BuildShaderProgramFromFiles(name, (base + ".vs").c_str(), (base + ".fs").c_str(), nullptr, nullptr);
}

Texture* NoiseTexture(int size) {
    Image* image = Image::New(size, size, kPixelRgba8888, nullptr);
    for (int i = 0; i < size * size; ++i) {
        const uint8_t v = static_cast<uint8_t>(120 + (i * 2654435761u >> 24) % 80);
        image->pixels[i * 4] = v, image->pixels[i * 4 + 1] = v, image->pixels[i * 4 + 2] = v / 2;
        image->pixels[i * 4 + 3] = 255;
    }
    Texture* texture = Texture::Create(nullptr);
    Texture::UploadImage(texture, 0, image, nullptr);
    Image::Free(image);
    return texture;
}

struct Scene {
    const float light[3] = {0.16f / 0.6462198f, 0.56f / 0.6462198f, -0.28f / 0.6462198f};
    QmField field{light};
    QmFieldMarkers markers;
    FieldShaderSet plain, hq;
    Texture* shadowMap = nullptr;
    Mat4 shadowMatrix = Mat4::Identity();
    float units[kUnits][3];

    Scene() {
        plain.Load(LoadShader, false);
        hq.Load(LoadShader, true);
        field.AllocCells(24, 24);
        for (int32_t i = 0; i < 576; ++i) {
            QmFieldCell& cell = field.cells[i];
            cell.height = 1 + (cell.x / 5 + cell.z / 7) % 4;
            cell.shape = cell.x % 5 == 4 ? 3 : 0;  // a ramp up to each terrace
            cell.chip = (cell.x + cell.z) % 6;
            if (i % 97 == 13) cell.height = 0;
        }
        field.FinishCells();
        field.topTexture = NoiseTexture(512);
        field.sideTexture = NoiseTexture(256);
        field.BuildMesh();
        markers.Init(plain.programs[kFieldProgramPanel]);
        markers.Link(&field);
        markers.panelTexture = NoiseTexture(256);
        markers.shadowTexture = NoiseTexture(64);
        for (int dz = -5; dz <= 5; ++dz) {
            for (int dx = -5; dx <= 5; ++dx) {
                if (std::abs(dx) + std::abs(dz) > 5) continue;
                const float at[3] = {12.5f + dx, 1, 12.5f + dz};
                markers.AddPanel(at, 0);
                markers.AddPanel(at, 3);
            }
        }
        std::vector<int32_t> route;
        for (int i = 0; i < 8; ++i) route.insert(route.end(), {12 + (i < 4 ? i : 4), 1, 12 + (i < 4 ? 0 : i - 4)});
        markers.SetRoute(route.data(), 8);
        markers.SetRouteVisible(true);
        const float cursor[3] = {15.5f, 1, 14.5f};
        markers.SetCursorPos(cursor);
        for (int i = 0; i < kUnits; ++i) units[i][0] = 9.5f + i, units[i][1] = 1, units[i][2] = 11.5f + i % 3;
        shadowMap = CreateShadowMap(&field, 1024, MakeShadowCamera(light), &shadowMatrix,
                                    hq.programs[kFieldProgramShadowMap]);
        glViewport(0, 0, kScreenWidth, kScreenHeight);
    }
    ~Scene() {
        markers.Destroy();
        if (shadowMap) Texture::Destroy(shadowMap);
        field.Clear();
        plain.Release();
        hq.Release();
    }

    // The battle camera's defaults: yaw 45, pitch -35, distance 1200, fov 20.
    FieldDrawInputs Inputs(bool shadows) {
        FieldDrawInputs in;
        in.field = &field;
        in.markers = &markers;
        const float eye[3] = {1200 * 0.8191520f * 0.7071068f, 1200 * 0.5735765f, 1200 * 0.8191520f * 0.7071068f};
        const float target[3] = {0, 0, 0}, up[3] = {0, 1, 0};
        Mat4::Perspective(&in.projection, 20, static_cast<float>(kScreenWidth) / kScreenHeight, 50, 50000);
        Mat4::LookAt(&in.view, eye, target, up);
        for (int i = 0; i < 3; ++i) in.lightDirection[i] = light[i], in.shadowEye[i] = light[i] * 6000;
        in.shadowTexture = shadows ? shadowMap : nullptr;
        in.shadowMatrix = shadowMatrix;
        in.unitPositions = units;
        in.unitCount = kUnits;
        in.drawUnits = [this]() { DrawBillboards(); };
        return in;
    }

    // Six 64 x 96 quads standing on their cells, one draw each as units make.
    void DrawBillboards() {
        struct UnitVertex {
            int16_t x, y, z, w;
            uint16_t u, v;
            uint32_t colour;
        };
        static const GlVertexAttrib rows[3] = {{"a_Position", GL_SHORT, 4, 0, 0},
                                               {"a_TexCoord", GL_UNSIGNED_SHORT, 2, 8, 1},
                                               {"a_Color", GL_UNSIGNED_BYTE, 4, 12, 1}};
        int32_t at[3];
        GlGetAttribLocations(-1, 3, rows, at);
        GlState::SetTexture(markers.panelTexture, GL_CLAMP_TO_EDGE, GL_LINEAR);
        MaterialShader::SetTexEnable();
        GlEnableAttribArrays(3, at);
        static const uint16_t indices[6] = {0, 1, 2, 3, 2, 1};
        for (const auto& unit : units) {
            float p[3];
            field.CellToWorld(unit[0], unit[1], unit[2], p);
            const int16_t x = static_cast<int16_t>(p[0]), y = static_cast<int16_t>(p[1]), z = static_cast<int16_t>(p[2]);
            const UnitVertex quad[4] = {{int16_t(x - 32), int16_t(y + 96), z, 1, 0, 0, 0xFFFFFFFFu},
                                        {int16_t(x - 32), y, z, 1, 0, 65535, 0xFFFFFFFFu},
                                        {int16_t(x + 32), int16_t(y + 96), z, 1, 65535, 0, 0xFFFFFFFFu},
                                        {int16_t(x + 32), y, z, 1, 65535, 65535, 0xFFFFFFFFu}};
            GlSetAttribPointers(3, at, rows, quad, sizeof(UnitVertex));
            glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, indices);
            CountDraw(2, 4);
        }
        GlDisableAttribArrays(3, at);
    }
};

Scene* gScene = nullptr;

void ClearFrame() {
    const float sky[4] = {0, 0, 0, 1};
    GlState::SetDepthMask(1);
    GlClearColorBuffer(sky);
    GlClearDepthBuffer(1.0f);
}

// The reference: what every frame costs before anything is drawn.
void BM_EmptyFrame(benchmark::State& state) {
    double wall = 0;
    for (auto _ : state) {
        const double start = Seconds(CLOCK_MONOTONIC);
        ClearFrame();
        glFinish();
        wall += Seconds(CLOCK_MONOTONIC) - start;
    }
    state.counters["frame_us"] = benchmark::Counter(wall * 1e6 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMicrosecond);

void BM_FieldFrame(benchmark::State& state) {
    const bool shadows = state.range(0) != 0;
    const FieldDrawInputs in = gScene->Inputs(shadows);
    const FieldShaderSet& set = shadows ? gScene->hq : gScene->plain;
    double cpu = 0, wall = 0;
    uint32_t drawCalls = 0;
    for (auto _ : state) {
        const double wallStart = Seconds(CLOCK_MONOTONIC);
        ClearFrame();
        gScene->markers.Update();
        ResetRenderStats();
        const double start = Seconds(CLOCK_THREAD_CPUTIME_ID);
        DrawField(in, set);
        cpu += Seconds(CLOCK_THREAD_CPUTIME_ID) - start;
        drawCalls = GetRenderStats().drawCalls;
        glFinish();
        wall += Seconds(CLOCK_MONOTONIC) - wallStart;
    }
    state.counters["draw_calls"] = drawCalls;
    state.counters["cpu_us"] = benchmark::Counter(cpu * 1e6 / static_cast<double>(state.iterations()));
    state.counters["frame_us"] = benchmark::Counter(wall * 1e6 / static_cast<double>(state.iterations()));
    state.SetLabel(shadows ? "shadow map" : "no shadow map");
}
BENCHMARK(BM_FieldFrame)->ArgName("shadows")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The one-off pass at battle start: terrain from the light into a 1024 map.
void BM_CreateShadowMap(benchmark::State& state) {
    const CameraParams camera = MakeShadowCamera(gScene->light);
    for (auto _ : state) {
        Mat4 matrix;
        Texture* map = CreateShadowMap(&gScene->field, 1024, camera, &matrix, gScene->hq.programs[kFieldProgramShadowMap]);
        Texture::Destroy(map);
    }
    glViewport(0, 0, kScreenWidth, kScreenHeight);
}
BENCHMARK(BM_CreateShadowMap)->Unit(benchmark::kMillisecond);

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
    {
        Scene scene;
        gScene = &scene;
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        gScene = nullptr;
    }
    GraphicsShutdown();
    return 0;
}
