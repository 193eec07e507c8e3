// The front door: which ids start what, which handles reach what, and the
// move-to tweens against a recording particle-effect backend.
#include <cmath>

#include "effects/game/efc_rain.h"
#include "tests/effects_game/efc_fixture.h"

namespace {

const float kFrom[3] = {0, 0, 0}, kTo[3] = {128, 0, 0};

TEST_F(EfcTest, IdsAndHandlesDispatch) {
    struct Row {
        int32_t id;
        EfcHandle started;
        int32_t endAfterStart;
    };
    const Row rows[] = {{-1, -1, 1},      {-5, -1, 1},       {-2000, -1, 1},    {3, 103, 1},   {0, 100, 0},
                        {256, -1, 1},     {1023, -1, 1},     {1024, -1024, 0},  {1025, -1025, 0},
                        {1026, -1026, 0}, {1027, -1, 1},     {1 << 30, -1, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const EfcHandle h = EfcStartEffect(row.id, kFrom, kTo, 0);
        EXPECT_EQ(h, row.started);
        EXPECT_EQ(EfcIsEffectEnd(h), row.endAfterStart);
    }
    for (EfcHandle h : {-5, -2000, -1023, -1027, -7}) EXPECT_EQ(EfcIsEffectEnd(h), 1) << h;

    // Stops reach the backend for handles of 0 and above, a built-in for its own handle, nothing else.
    for (EfcHandle h : {-1, -7, -2000, 42, -1025}) EfcStopEffect(h);
    EXPECT_EQ(fx_.stopped, std::vector<int32_t>{42});
    EXPECT_EQ(EfcIsEffectEnd(-1025), 0);  // the focus lines have no stop of their own
    EfcStopEffect(-1026);
    EXPECT_EQ(EfcIsEffectEnd(-1026), 1);

    // Parameters reach built-ins only; moves reach particle effects only.
    auto* rain = BuiltIn<QmEfcRain>(kEfcRainId);
    for (EfcHandle h : {-1, -7, 5, 100, -1024, -1025}) EfcSetEffectParameter(h, 0, 77.0f);
    EXPECT_EQ(rain->GetSpawnCount(), kRainDefaultSpawn);
    EfcSetEffectParameter(-1026, 1, 77.0f);
    EXPECT_EQ(rain->GetSpawnCount(), kRainDefaultSpawn);
    EfcSetEffectParameter(-1026, 0, 100.0f);
    EXPECT_EQ(rain->GetSpawnCount(), 100);
    for (EfcHandle h : {-1, -1026, -1024}) EfcMoveEffectTo(h, 1, kTo);
    for (int i = 0; i < kEfcTweenSlots; ++i) EXPECT_EQ(EfcGetTweens()[i].handle, -1);

    // Without the particle system, ids 0..255 start nothing.
    EfcSetFxBackend(nullptr);
    EXPECT_EQ(EfcStartEffect(3, kFrom, kTo, 0), -1);
    EXPECT_EQ(EfcIsEffectEnd(103), 1);
}

TEST_F(EfcTest, TweensGlideAndFreeTheirSlots) {
    const float q[3] = {10, 20, 30}, p[3] = {110, -20, 30};
    fx_.SetLocation(7, q);
    EfcMoveEffectTo(7, 10, p);
    for (int i = 0; i < 5; ++i) EfcUpdate();
    EXPECT_EQ(fx_.locations[7], (std::vector<float>{60, 0, 30}));
    for (int i = 0; i < 4; ++i) EfcUpdate();
    EXPECT_EQ(EfcGetTweens()[0].handle, 7);
    EfcUpdate();
    EXPECT_EQ(fx_.locations[7], (std::vector<float>{110, -20, 30}));
    EXPECT_EQ(EfcGetTweens()[0].handle, -1);
    EXPECT_EQ(fx_.updates, 10);

    // Frames 0, 1 and -3 arrive on the next update.
    for (int32_t frames : {0, 1, -3}) {
        fx_.SetLocation(8, q);
        EfcMoveEffectTo(8, frames, p);
        EfcUpdate();
        EXPECT_EQ(fx_.locations[8], (std::vector<float>{110, -20, 30})) << frames;
        EXPECT_EQ(EfcGetTweens()[0].handle, -1);
    }

    // A 17th request is dropped; the others run to their end.
    for (int32_t h = 0; h <= kEfcTweenSlots; ++h) EfcMoveEffectTo(h, 2, p);
    fx_.moved.clear();
    EfcUpdate();
    EXPECT_EQ(fx_.moved.size(), static_cast<size_t>(kEfcTweenSlots));
    EXPECT_EQ(fx_.locations.count(kEfcTweenSlots), 0u);
    EfcUpdate();
    for (int i = 0; i < kEfcTweenSlots; ++i) EXPECT_EQ(EfcGetTweens()[i].handle, -1);

    // Two moves of one handle: the higher slot sets it last.
    const float r[3] = {0, 0, 0};
    EfcMoveEffectTo(9, 4, p);
    EfcMoveEffectTo(9, 4, r);
    EfcUpdate();
    EXPECT_EQ(fx_.locations[9], (std::vector<float>{82.5f, -15, 22.5f}));
}

}  // namespace
