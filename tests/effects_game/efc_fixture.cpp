#include "tests/effects_game/efc_fixture.h"

#include "core/random.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "sample/tools/efc_assets.h"

static const TempDir& Files() {
    static const TempDir files;
    return files;
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

int LitPixels(int x0, int y0, int x1, int y1, int minRed, int maxRed) {
    const std::vector<uint8_t> p = GfxTest::ReadRect(x0, y0, x1 - x0, y1 - y0);
    int count = 0;
    for (size_t i = 0; i < p.size(); i += 4) count += p[i] + p[i + 1] + p[i + 2] > 60 && p[i] >= minRed && p[i] <= maxRed;
    return count;
}
