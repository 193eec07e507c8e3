// The built-ins made from the sample writers' files in a temporary folder,
// a recording particle-effect backend, and small fields for the rain.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "effects/game/efc.h"
#include "effects/game/efc_base.h"
#include "game/field.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/temp_dir.h"

struct FsMgr;

// Plays ids 0..255 as handles 100 + id; keeps each handle's location.
class FakeFx : public EfcFxBackend {
public:
    int32_t Play(int32_t id, const float[3], const float[3], int32_t) override { return id < 256 ? 100 + id : -1; }
    void Stop(int32_t handle) override { stopped.push_back(handle); }
    int32_t IsEnd(int32_t handle) override { return handle == 100 ? 0 : 1; }
    void GetLocation(int32_t handle, float out[3]) override;
    void SetLocation(int32_t handle, const float point[3]) override;
    void Update() override { ++updates; }
    void Draw(const CameraParams*) override {}
    void OnLostDevice() override {}
    void OnResetDevice() override {}

    std::map<int32_t, std::vector<float>> locations;
    std::vector<int32_t> stopped;
    std::vector<int32_t> moved;  // handles in SetLocation order
    int updates = 0;
};

class EfcTest : public GfxTest {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    template <class T>
    static T* BuiltIn(int32_t id) { return static_cast<T*>(EfcGetBuiltIn(id)); }

    static TempDir* files_;
    FsMgr* pack_ = nullptr;
    FakeFx fx_;
};

// A W x D field of one height level (0 = holes) everywhere.
std::unique_ptr<QmField> FlatField(int32_t width, int32_t depth, int32_t height);
