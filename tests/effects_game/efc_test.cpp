// The effect front door against a recording particle backend, and the built-ins drawn on Mesa.
#include <cmath>
#include <map>
#include <memory>

#include "core/random.h"
#include "effects/game/efc.h"
#include "effects/game/efc_arrow.h"
#include "effects/game/efc_focus_lines.h"
#include "effects/game/efc_rain.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "game/field.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/quad.h"
#include "gfx/std2d.h"
#include "sample/tools/efc_assets.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

// Plays ids 0..255 as handles 100 + id, of which only 100 is still playing.
class FakeFx : public EfcFxBackend {
public:
    int32_t Play(int32_t id, const float[3], const float[3], int32_t) override { return id < 256 ? 100 + id : -1; }
    void Stop(int32_t handle) override { stopped.push_back(handle); }
    int32_t IsEnd(int32_t handle) override { return handle != 100; }
    void GetLocation(int32_t h, float out[3]) override { locations[h].resize(3), std::copy_n(&locations[h][0], 3, out); }
    void SetLocation(int32_t handle, const float p[3]) override { locations[handle] = {p[0], p[1], p[2]}, ++moves; }
    void Update() override { ++updates; }
    void Draw(const CameraParams*) override {}
    void OnLostDevice() override {}
    void OnResetDevice() override {}

    std::map<int32_t, std::vector<float>> locations;
    std::vector<int32_t> stopped;
    int moves = 0, updates = 0;
};

const TempDir& Files() {
    static const TempDir files;
    return files;
}

class EfcTest : public GfxTest {
protected:
    static void SetUpTestSuite() {
        GfxTest::SetUpTestSuite();
        ASSERT_TRUE(WriteEfcAssets(Files().path()));
    }
    void SetUp() override {
        GfxTest::SetUp();
        pack_ = DirMgr(nullptr, Files().path().c_str(), nullptr);
        RandomSeed(nullptr, 1);  // a zero state would put every drop on one spot
        EfcInitialize(pack_, 0);
        EfcSetFxBackend(&fx_);
    }
    void TearDown() override {
        EfcSetFxBackend(nullptr);
        EfcFinalize();
        FsMgr::Release(pack_);
        GfxTest::TearDown();
    }
    template <class T>
    static T* BuiltIn(int32_t id) { return static_cast<T*>(EfcGetBuiltIn(id)); }

    FsMgr* pack_ = nullptr;
    FakeFx fx_;
};

using Point = std::vector<float>;

// A W x D field of cells `height` levels high.
std::unique_ptr<QmField> FlatField(int32_t width, int32_t depth, int32_t height) {
    const float light[3] = {0, 1, 0};
    auto field = std::make_unique<QmField>(light);
    if (!field->AllocCells(width, depth)) return nullptr;
    for (int32_t i = 0; i < width * depth; ++i) field->cells[i].height = height, field->cells[i].walkable = 1;
    field->FinishCells();
    return field;
}

// Pixels of [x0, x1) x [y0, y1) brighter than dark grey whose red lies in minRed..maxRed.
int LitPixels(int x0, int y0, int x1, int y1, int minRed = 0, int maxRed = 255) {
    const std::vector<uint8_t> p = GfxTest::ReadRect(x0, y0, x1 - x0, y1 - y0);
    int count = 0;
    for (size_t i = 0; i < p.size(); i += 4) count += p[i] + p[i + 1] + p[i + 2] > 60 && p[i] >= minRed && p[i] <= maxRed;
    return count;
}

const float kOrigin[3] = {0, 0, 0}, kTo[3] = {128, 0, 0};

TEST_F(EfcTest, IdsAndHandlesDispatch) {
    // id, the handle started, its end test right after.
    const int32_t rows[][3] = {{-1, -1, 1},         {-5, -1, 1},         {-2000, -1, 1},  {3, 103, 1},
                               {0, 100, 0},         {256, -1, 1},        {1023, -1, 1},   {1024, -1024, 0},
                               {1025, -1025, 0},    {1026, -1026, 0},    {1027, -1, 1},   {1 << 30, -1, 1}};
    for (const auto& row : rows) {
        const EfcHandle h = EfcStartEffect(row[0], kOrigin, kTo, 0);
        EXPECT_EQ(h, row[1]) << row[0];
        EXPECT_EQ(EfcIsEffectEnd(h), row[2]) << row[0];
    }
    for (EfcHandle h : {-5, -2000, -1023, -1027, -7}) EXPECT_EQ(EfcIsEffectEnd(h), 1) << h;

    for (EfcHandle h : {-1, -7, -2000, 42, -1026}) EfcStopEffect(h);
    EXPECT_EQ(fx_.stopped, std::vector<int32_t>{42});
    EXPECT_EQ(EfcIsEffectEnd(-1026), 1);

    // Parameters reach built-ins only, and the rain only knows index 0; moves reach particle effects only.
    auto* rain = BuiltIn<QmEfcRain>(kEfcRainId);
    for (EfcHandle h : {-1, -7, 5, 100, -1024, -1025}) EfcSetEffectParameter(h, 0, 77.0f);
    EfcSetEffectParameter(-1026, 1, 77.0f);
    EXPECT_EQ(rain->GetSpawnCount(), kRainDefaultSpawn);
    const std::pair<float, int32_t> counts[] = {{100, 100}, {2.9f, 2}, {-3, 0}, {NAN, 0},  // held to 0..6400, NaN is 0
                                                {1e10f, kRainDrops}, {-INFINITY, 0}, {6400.5f, 6400}};
    for (auto [value, count] : counts) EXPECT_EQ((EfcSetEffectParameter(-1026, 0, value), rain->GetSpawnCount()), count) << value;
    for (EfcHandle h : {-1, -1026, -1024}) EfcMoveEffectTo(h, 1, kTo);
    for (int i = 0; i < kEfcTweenSlots; ++i) EXPECT_EQ(EfcGetTweens()[i].handle, -1);
}

TEST_F(EfcTest, TweensGlideAndFreeTheirSlots) {
    const float q[3] = {10, 20, 30}, p[3] = {110, -20, 30}, zero[3] = {0, 0, 0};
    fx_.SetLocation(7, q);
    EfcMoveEffectTo(7, 10, p);
    for (int i = 0; i < 5; ++i) EfcUpdate();
    EXPECT_EQ(fx_.locations[7], (Point{60, 0, 30}));
    for (int i = 0; i < 4; ++i) EfcUpdate();
    EXPECT_EQ(EfcGetTweens()[0].handle, 7);
    EfcUpdate();
    EXPECT_EQ(fx_.locations[7], (Point{110, -20, 30}));
    EXPECT_EQ(EfcGetTweens()[0].handle + fx_.updates, -1 + 10);

    for (int32_t frames : {0, 1, -3}) {  // arrive on the next update
        fx_.SetLocation(8, q);
        EfcMoveEffectTo(8, frames, p);
        EfcUpdate();
        EXPECT_EQ(fx_.locations[8], (Point{110, -20, 30})) << frames;
    }

    for (int32_t h = 0; h <= kEfcTweenSlots; ++h) EfcMoveEffectTo(h, 2, p);  // the 17th is dropped
    fx_.moves = 0;
    EfcUpdate();
    EXPECT_EQ(fx_.moves, kEfcTweenSlots);
    EfcUpdate();
    for (int i = 0; i < kEfcTweenSlots; ++i) EXPECT_EQ(EfcGetTweens()[i].handle, -1);

    EfcMoveEffectTo(9, 4, p);  // two moves of one handle: the higher slot sets it last
    EfcMoveEffectTo(9, 4, zero);
    EfcUpdate();
    EXPECT_EQ(fx_.locations[9], (Point{82.5f, -15, 22.5f}));
}

TEST_F(EfcTest, MissingFilesAndParticleSystemAreNamedWhenAsked) {
    EfcFinalize();
    TempDir empty;
    FsMgr* bare = DirMgr(nullptr, empty.path().c_str(), nullptr);
    LogCapture log;
    EfcInitialize(bare, 0);
    EfcSetFxBackend(nullptr);
    for (int32_t id : {1024, 1025, 1026, 1024, 1026, 3}) EXPECT_EQ(EfcStartEffect(id, kOrigin, kTo, 0), id == 3 ? -1 : -id);
    ASSERT_EQ(log.Count(), 6u);  // each missing file named once (the rain lacks three), then the unknown id
    EXPECT_EQ(log.Lines()[0], "Warning: effect 1024: \"3do/arrow.3do\" is not in the pack: the arrows are not drawn");
    EXPECT_EQ(log.Lines()[4], "Warning: effect 1026: \"img/rain.png\" is not in the pack: the rain is not drawn");
    EXPECT_EQ(log.Lines()[5], "Error: Invalid effect ID: 3");
    EXPECT_EQ(EfcIsEffectEnd(103), 1);
    EfcFinalize();
    FsMgr::Release(bare);
}

Point Near(const float* p) { return {std::round(p[0] * 100) / 100, std::round(p[1] * 100) / 100, p[2]}; }

TEST_F(EfcTest, ArrowsFlyOnTheirArc) {
    auto* arrows = BuiltIn<QmEfcArrow>(kEfcArrowId);
    const float target[3] = {128, 0, 0}, near[3] = {5, 0, 3}, wild[3] = {NAN, INFINITY, 0};
    const ArrowFlight& a = arrows->GetFlight(0);
    for (int32_t flag : {0, 1}) {  // the top is a tenth of the flight above the line to the target
        ASSERT_EQ(EfcStartEffect(kEfcArrowId, kOrigin, target, flag), -1024);
        EXPECT_EQ(a.frames, 10u);
        for (int i = 0; i < 5; ++i) EfcUpdate();
        EXPECT_EQ(Near(a.position), (Point{64, flag ? 29.19f : 12.8f, 0}));
        for (int i = 0; i < 5; ++i) EfcUpdate();
        EXPECT_EQ(Near(a.position), (Point{128, flag ? 32.0f : 0.0f, 0}));
        EXPECT_EQ(EfcIsEffectEnd(-1024), 0);
        EfcUpdate();
        EXPECT_EQ(a.active + EfcIsEffectEnd(-1024), 1);
    }
    for (int i = 0; i <= kArrowSlots; ++i) EXPECT_EQ(arrows->Start(kOrigin, target, 0), i < kArrowSlots);
    EXPECT_EQ(EfcStartEffect(kEfcArrowId, kOrigin, target, 0), -1024);
    for (int i = 0; i < 11; ++i) EfcUpdate();
    arrows->Start(kOrigin, near, 0);  // shorter than one step, or wild: arrives at once
    arrows->Start(kOrigin, wild, 0);
    EXPECT_EQ(a.frames + arrows->GetFlight(1).frames, 0u);
    EXPECT_EQ(Near(a.position), (Point{5, 0, 3}));
    EfcUpdate();
    EXPECT_EQ(EfcIsEffectEnd(-1024), 1);
}

TEST_F(EfcTest, FocusLinesDrawElevenPerLineAlternateAndLeaveTheCentre) {
    SetScreenSize(800, 480);
    RandomState expected{};
    RandomSeed(&expected, 1);
    EfcStartEffect(kEfcFocusLinesId, kOrigin, kOrigin, 0);
    for (int i = 0; i < kFocusLineCount * 11; ++i) Random(&expected);
    EXPECT_EQ(Random(nullptr), Random(&expected));
    auto* lines = BuiltIn<QmEfcFocusLines>(kEfcFocusLinesId);
    for (const QuadBatch* batch : {lines->GetBatch(0), lines->GetBatch(1)}) {
        ASSERT_EQ(batch->vertexCount, 4u * kFocusLineCount);
        for (uint32_t v = 0; v < batch->vertexCount; v += 2) {  // the middle of each end, +-1 px of truncation
            const QuadVertex* q = &batch->vertices[v];
            const float r = std::hypot((q[0].x + q[1].x) / 2.0f - 400, (q[0].y + q[1].y) / 2.0f - 240);
            EXPECT_TRUE(v % 4 ? r >= 522 && r <= 544 : r >= 99 && r <= 221) << v << " " << r;
        }
    }
    for (uint32_t frame = 0; frame < kFocusLineFrames; ++frame, EfcUpdate()) {
        EXPECT_TRUE(lines->GetShownBatch() == lines->GetBatch(frame / 5 % 2) && !EfcIsEffectEnd(-1025)) << frame;
    }
    EXPECT_EQ(EfcIsEffectEnd(-1025), 1);
    SetScreenSize(kWidth, kHeight);  // drawn on 256 x 256, the lines leave the centre empty
    EfcStartEffect(kEfcFocusLinesId, kOrigin, kOrigin, 0);
    EfcDrawScreen();
    EXPECT_EQ(LitPixels(68, 68, 188, 188), 0);
    EXPECT_GT(LitPixels(0, 0, 256, 256), 2000);
}

TEST_F(EfcTest, RainFallsSplashesAndDies) {
    auto* rain = BuiltIn<QmEfcRain>(kEfcRainId);
    auto ground = FlatField(24, 24, 1), small = FlatField(1, 1, 1);
    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);
    EfcSetContext(ground.get(), nullptr);
    EfcUpdate();
    int32_t k = 0;  // the first of the drops 0..19 over ground
    while (k < 19 && rain->GetDrop(k).groundY < 0) ++k;
    const RainDrop& drop = rain->GetDrop(k);
    EXPECT_EQ(rain->GetDrop(19).alive - rain->GetDrop(20).alive, 1);
    EXPECT_EQ(drop.groundY, kFieldLevelHeight + kFieldTopLift + 1);
    for (int n = 1; n <= (kRainTop - drop.groundY) / kRainFall + 1; ++n, EfcUpdate()) EXPECT_FALSE(drop.splashing);
    EXPECT_TRUE(drop.splashing);
    EXPECT_EQ(rain->GetLine(k)[0].y, 0);  // the line is gone
    for (int f = 0; f + 1 < drop.splashFrames; ++f) {  // fades as 255 - (f/F)^2 x 255, grows 0.8 a step
        EfcUpdate();
        EXPECT_NEAR(rain->GetSplash(k)[0].a, 255 - 255 * std::pow(double(f) / drop.splashFrames, 2), 1.0) << f;
        EXPECT_EQ(rain->GetSplash(k)[3].x - drop.groundX, int((f + 1) * 0.8f)) << f;
    }
    EfcUpdate();
    EXPECT_EQ(rain->GetSplash(k)[0].a, 0);

    EfcStartEffect(kEfcRainId, kOrigin, kOrigin, 0);  // over one cell most drops find no ground
    EfcSetContext(small.get(), nullptr);
    EfcSetEffectParameter(-1026, 0, 100);
    EfcUpdate();
    EXPECT_EQ(rain->GetDrop(99).alive - rain->GetDrop(100).alive, 1);
    for (k = 0; k < 19 && rain->GetDrop(k).groundY >= 0;) ++k;
    for (int step = 1; step <= 39; ++step, EfcUpdate()) EXPECT_EQ(rain->GetLine(k)[0].y, 500 - 20 * (step - 1));
    EXPECT_EQ(rain->GetLine(k)[0].y, kRainTop);  // died on the 39th step and was spawned again
    EfcStopEffect(-1026);
    EfcUpdate();
    EXPECT_EQ(rain->GetLine(k)[0].y, kRainTop);  // stopped: nothing moves
}

TEST_F(EfcTest, ArrowModelStandsWhereItFliesAndTurnsAlongItsMotion) {
    const int32_t program = BuildShaderProgram(
        "arrow", "attribute vec3 a_Position; uniform mat4 u_GeneralMatrix;\n"
        "void main() { gl_Position = u_GeneralMatrix * vec4(a_Position, 1.0); }\n",
        "precision mediump float; void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n", nullptr);
    UnbindStd2dProgram();
    MaterialShader::Begin(program);
    // From z = 128 with a 90-degree view: world x, y in -128..128 fill the screen 1:1.
    MaterialShader::SetCamera({90, 1, 1, 1000, {0, 0, 0}, {0, 0, 128}, {0, 1, 0}});
    const float from[3] = {-100, -20, 0}, to[3] = {100, -20, 0};
    EfcStartEffect(kEfcArrowId, from, to, 0);
    for (int i = 0; i < 3; ++i) EfcUpdate();  // t = 0.2: centre (-60, -8.2), 40 units long
    EfcDrawModels(nullptr);
    MaterialShader::End();
    EXPECT_TRUE(NoGlError());
    EXPECT_GT(LitPixels(46, 124, 92, 146), 40);
    EXPECT_EQ(LitPixels(0, 0, 256, 256), LitPixels(46, 124, 92, 146));
    DeleteShaderProgram(program);
    const float motions[][3] = {{1, 0, 0}, {0, 0, 1}, {-1, 0, 0}, {0.6f, 0.8f, 0}, {0, -1, 0}}, nose[3] = {1, 0, 0};
    const float at[3] = {50, 60, 70};
    Mat4 m;
    float tip[3];
    for (const auto& d : motions) {  // the nose, 20 units out, points along the last step's motion
        const float previous[3] = {at[0] - d[0], at[1] - d[1], at[2] - d[2]};
        ASSERT_TRUE(ArrowModelMatrix(at, previous, &m));
        Mat4::TransformPoint(tip, m, nose);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(tip[i] - at[i], 20 * d[i], 1e-3f) << d[0] << d[1] << d[2];
    }
    EXPECT_FALSE(ArrowModelMatrix(at, at, &m));
}

TEST_F(EfcTest, RainDrawsLinesAndSplashesOnlyOnAField) {
    auto field = FlatField(24, 24, 1);
    EfcStartEffect(kEfcRainId, nullptr, nullptr, 0);
    EfcSetEffectParameter(-1026, 0, 200);
    UnbindStd2dProgram();
    const CameraParams camera{60, 1, 10, 10000, {0, 150, 0}, {0, 700, 2200}, {0, 1, 0}};
    MaterialShader::SetCamera(camera);
    for (QmField* context : {static_cast<QmField*>(nullptr), field.get()}) {
        EfcSetContext(context, nullptr);  // without a camera the rain draws all the same
        for (int i = 0; i < 30; ++i) EfcUpdate();
        ClearScreen(0, 0, 0);
        GlClearDepthBuffer(1.0f);
        EfcDraw(nullptr);
        EXPECT_TRUE(NoGlError());
        EXPECT_EQ(LitPixels(0, 0, 256, 256, 0, 4) > 200, context != nullptr);  // blue lines
        EXPECT_EQ(LitPixels(0, 0, 256, 256, 30) > 20, context != nullptr);    // pale splashes
    }
}

}  // namespace
