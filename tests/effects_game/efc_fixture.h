// The built-ins made from the sample writers' files in a temporary folder,
// a recording particle-effect backend, and flat fields for the rain.
#pragma once

#include <map>
#include <memory>

#include "effects/game/efc.h"
#include "game/field.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/temp_dir.h"

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

class EfcTest : public GfxTest {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
    template <class T>
    static T* BuiltIn(int32_t id) { return static_cast<T*>(EfcGetBuiltIn(id)); }

    FsMgr* pack_ = nullptr;
    FakeFx fx_;
};

using Point = std::vector<float>;

// A W x D field of cells `height` levels high.
std::unique_ptr<QmField> FlatField(int32_t width, int32_t depth, int32_t height);
// Pixels of [x0, x1) x [y0, y1) brighter than dark grey whose red lies in minRed..maxRed.
int LitPixels(int x0, int y0, int x1, int y1, int minRed = 0, int maxRed = 255);
