// The front door: which ids start what, which handles reach what, and the
// move-to tweens against a recording particle-effect backend.
#include <cmath>

#include "effects/game/efc_rain.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "tests/effects_game/efc_fixture.h"
#include "tests/support/log_capture.h"

namespace {

const float kFrom[3] = {0, 0, 0}, kTo[3] = {128, 0, 0};

TEST_F(EfcTest, IdsAndHandlesDispatch) {
    // id, the handle started, its end test right after.
    const int32_t rows[][3] = {{-1, -1, 1},         {-5, -1, 1},         {-2000, -1, 1},  {3, 103, 1},
                               {0, 100, 0},         {256, -1, 1},        {1023, -1, 1},   {1024, -1024, 0},
                               {1025, -1025, 0},    {1026, -1026, 0},    {1027, -1, 1},   {1 << 30, -1, 1}};
    for (const auto& row : rows) {
        const EfcHandle h = EfcStartEffect(row[0], kFrom, kTo, 0);
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
    const float values[] = {100, 2.9f, -3, NAN, 1e10f, -INFINITY, 6400.5f};  // held to 0..6400, NaN is 0
    const int32_t counts[] = {100, 2, 0, 0, kRainDrops, 0, 6400};
    for (int i = 0; i < 7; ++i) {
        EfcSetEffectParameter(-1026, 0, values[i]);
        EXPECT_EQ(rain->GetSpawnCount(), counts[i]) << values[i];
    }
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
    for (int32_t id : {1024, 1025, 1026, 1024, 1026, 3}) EXPECT_EQ(EfcStartEffect(id, kFrom, kTo, 0), id == 3 ? -1 : -id);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Error: effect 1024: \"3do/arrow.3do\" is not in the pack",
                                                     "Error: effect 1025: \"effect/Texture/shiirare.png\" is not in the pack",
                                                     "Error: effect 1026: \"shader/efc_rain.vs\" is not in the pack",
                                                     "Error: Invalid effect ID: 3"}));
    EXPECT_EQ(EfcIsEffectEnd(103), 1);
    EfcFinalize();
    FsMgr::Release(bare);
}

}  // namespace
