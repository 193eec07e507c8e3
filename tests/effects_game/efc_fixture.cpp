#include "tests/effects_game/efc_fixture.h"

#include "core/random.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "sample/tools/efc_assets.h"
#include "tests/support/temp_dir.h"

namespace {
const TempDir& Files() {
    static const TempDir files;
    return files;
}
}  // namespace

void FakeFx::GetLocation(int32_t handle, float out[3]) {
    const std::vector<float>& p = locations[handle];
    for (int i = 0; i < 3; ++i) out[i] = p.empty() ? 0.0f : p[i];
}

void EfcTest::SetUpTestSuite() {
    GfxTest::SetUpTestSuite();
    ASSERT_TRUE(WriteEfcAssets(Files().path()));
}

void EfcTest::SetUp() {
    GfxTest::SetUp();
    pack_ = DirMgr(nullptr, Files().path().c_str(), nullptr);
    RandomSeed(nullptr, 1);  // a zero state would put every drop on one spot
    EfcInitialize(pack_, 0);
    EfcSetFxBackend(&fx_);
}

void EfcTest::TearDown() {
    EfcSetContext(nullptr, nullptr);
    EfcSetFxBackend(nullptr);
    EfcFinalize();
    FsMgr::Release(pack_);
    GfxTest::TearDown();
}

std::unique_ptr<QmField> FlatField(int32_t width, int32_t depth, int32_t height) {
    const float light[3] = {0, 1, 0};
    auto field = std::make_unique<QmField>(light);
    if (!field->AllocCells(width, depth)) return nullptr;
    for (int32_t i = 0; i < width * depth; ++i) field->cells[i].height = height, field->cells[i].walkable = 1;
    field->FinishCells();
    return field;
}
