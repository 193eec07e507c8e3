// Map files: the text reader on a golden map and on every kind of damage
// (which must load safely or be refused with one line), and whole maps
// loaded on Mesa with their models, shared model textures and placements.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "game/field_map_text.h"
#include "gfx/model.h"
#include "gfx/texture.h"
#include "sample/tools/field_writers.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

bool Read(std::string text, MapText* out) {
    Stream* stream = MemoryStream(text.empty() ? nullptr : &text[0], static_cast<uint32_t>(text.size()), false, nullptr);
    const bool ok = ReadMapText(stream, "map", out);
    stream->Release();
    return ok;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

std::vector<MapCell> Cells(int32_t count) {
    std::vector<MapCell> cells(count);
    for (int32_t i = 0; i < count; ++i) cells[i].height = 1 + i % 5, cells[i].chip = i, cells[i].shape = i % 13;
    return cells;
}

TEST(FieldMapText, ReadsRowBlocksWithAnyLineEnds) {
    for (int32_t w : {10, 24, 30}) {  // row blocks of 24 lines, or W when wider
        const std::string text = WriteMapText({"tree.e3d"}, w, 3, Cells(w * 3));
        for (const std::string& variant : {text, Replace(text, "\r\n", "\n")}) {
            MapText map;
            ASSERT_TRUE(Read(variant, &map));
            EXPECT_EQ(map.modelNames[0] + std::to_string(map.width), "tree.e3d" + std::to_string(w));
            for (int32_t i = 0; i < w * 3; ++i) ASSERT_EQ(map.cells[i * kMapFields + kMapChip], i) << "W " << w;
        }
    }
}

TEST(FieldMapText, DamagedMapsLoadSafelyOrAreRefused) {
    const std::string good = WriteMapText({}, 4, 2, Cells(8));
    const struct { std::string text; bool loads; const char* line; } cases[] = {
        {"", false, "version is not match"},
        {Replace(good, "102\r\n", "101\r\n"), false, "version is not match"},
        {Replace(good, "4,2\r\n", "0,2\r\n"), false, "out of range"},
        {Replace(good, "4,2\r\n", "-4,2\r\n"), false, "out of range"},
        {Replace(good, "4,2\r\n", "100,1\r\n"), false, "out of range"},
        {Replace(good, "4,2\r\n", "24,25\r\n"), false, "out of range"},
        {Replace(good, "4,2\r\n", "99999999999,99999999999\r\n"), false, "out of range"},
        {Replace(good, "4,2\r\n", "4\r\n"), false, "out of range"},
        {Replace(good, "1,0,0,0,0,0,0,0\r\n", "1\r\n"), true, nullptr},
        {Replace(good, "1,0,0,0,0,0,0,0\r\n", "x,y,z\r\n"), true, nullptr},
        {Replace(good, "1,0,0,0,0,0,0,0\r\n", "900000,0,0\r\n"), true, "height out of 0..19"},
        {Replace(good, "2,1,0", "2,17,0"), true, "shape outside"},
        {Replace(good, "2,1,0", "2,-3,0"), true, "shape outside"},
        {Replace(good, "2,1,0", "2,99999,0"), true, "shape outside"},
        {Replace(good, "102\r\n\r\n", "102\r\n" + std::string(60, 'm') + "\r\n"), true, "model name too long"},
        {Replace(good, "102\r\n\r\n", "102\r\n" + std::string(3000, 'm') + "\r\n"), true, "model name too long"},
        {Replace(good, "\r\n", "\r"), false, "out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        LogCapture log;
        MapText map;
        EXPECT_EQ(Read(c.text, &map), c.loads);
        EXPECT_EQ(log.Count(), c.line ? 1u : 0u);
        EXPECT_TRUE(!c.line || log.Contains(c.line)) << (log.Count() ? log.Lines()[0] : "");
        for (size_t i = 0; i < map.cells.size(); i += kMapFields) {  // repaired into the table's ranges
            EXPECT_TRUE(uint32_t(map.cells[i]) <= 19 && map.cells[i + 1] >= 0 && map.cells[i + 1] % 20 <= 12 && map.cells[i + 1] < 400);
        }
        EXPECT_TRUE(map.modelNames[0].empty());  // long names are refused
    }
    // Cut after every line: the cells that never came are holes.
    for (size_t at = good.find('\n'); at != std::string::npos; at = good.find('\n', at + 1)) {
        MapText map;
        EXPECT_TRUE(!Read(good.substr(0, at + 1), &map) || map.cells.size() == 8u * kMapFields);
    }
}

class FieldMapLoad : public GfxTest {
protected:
    // A one-triangle model, 0.5 units tall, with one material per texture name.
    void WriteModel(const std::string& name, const std::vector<std::string>& textures) {
        E3d2Model box;
        box.stride = 12, box.centre[1] = 8, box.extent[1] = 0.5f;
        box.attribs = {{10, 3, 0, 0}};
        PushFloats(&box.vertices, {0, 0, 0, 1, 0, 0, 0, 1, 0});
        box.indices = {0, 1, 2};
        for (const std::string& t : textures) box.materials.push_back(E3d2Material{{1, 1, 1, 1}, 0, 3, t});
        dir.Write("3do/" + name, WriteE3d2(box));
    }
    TempDir dir;
    QmField field{std::array<float, 3>{0, 1, 0}.data()};
};

TEST_F(FieldMapLoad, PlacesObjectsAndSharesTheirTextures) {
    PngLayout png;
    png.width = png.height = 1, png.colourType = 2, png.rows = {10, 20, 30};
    std::vector<std::string> many;  // 22 distinct textures: two past the cache
    for (int i = 0; i < 22; ++i) many.push_back("t" + std::to_string(i) + ".png");
    for (const std::string& name : many) dir.Write("3do/" + name, WritePng(png));
    for (const char* name : {"3do/bark.png", "field/01_tex_top.png"}) dir.Write(name, WritePng(png));
    WriteModel("box.e3d", {"bark.bmp"});  // the png beside it is used instead
    WriteModel("pair.e3d", {"", "bark.png"});
    WriteModel("many.e3d", many);
    std::vector<MapCell> cells = Cells(6);
    cells[1].slot = 1, cells[1].yaw = 190, cells[1].scale = 100, cells[1].lift = 4;
    cells[4].slot = 2, cells[5].slot = 4, cells[0].slot = 3, cells[2].blocked = 1, cells[3].height = 0;
    dir.Write("field/01-02.txt", WriteMapText({"box.e3d", "pair.e3d", "many.e3d", "missing.e3d"}, 3, 2, cells));

    FsMgr* fs = DirMgr(nullptr, dir.path().c_str(), nullptr);
    const size_t textures = GetTextureList().count;
    LogCapture log;
    field.LoadMap(102, fs, nullptr);
    ASSERT_EQ(field.width, 3);
    EXPECT_EQ(field.sideTexture, nullptr);
    EXPECT_EQ(GetTextureList().count, textures + 24);  // the top texture, one shared bark, 22 more
    EXPECT_EQ(field.models[0]->materials[0].texture, field.models[1]->materials[1].texture);
    EXPECT_EQ(field.models[0]->materials[0].alphaRef, 0.1f);  // material 0, or 1 of two
    EXPECT_EQ(field.models[1]->materials[1].alphaTest - field.models[1]->materials[0].alphaTest, 1);
    EXPECT_EQ(field.models[3], nullptr);
    EXPECT_EQ(field.GetCell(2, 1)->model, nullptr);
    EXPECT_TRUE(log.Contains("missing.e3d"));

    const QmFieldCell& c = *field.GetCell(1, 0);
    const float angle = -170.0f * static_cast<float>(M_PI) / 180.0f;
    EXPECT_NEAR(c.matrix[0], 1000 * std::cos(angle), 0.05f);
    EXPECT_NEAR(c.matrix[8], 1000 * std::sin(angle), 0.05f);
    EXPECT_EQ(std::vector<float>(c.matrix + 12, c.matrix + 15), (std::vector<float>{0, 2 * 16 + 6 + 4, -32}));
    EXPECT_FLOAT_EQ(c.centre[1], 2 * 16 + 6 + 4 + 8);
    EXPECT_EQ(c.objectHeight, 31);  // 500 units tall
    EXPECT_EQ(field.IsWalkable(2, 0) + field.IsWalkable(0, 1) + field.IsWalkable(1, 1), 1);  // blocked, hole, open
    EXPECT_EQ(field.GetChip(1, 1), 4);
    field.LoadMap(103, fs, nullptr);  // missing: the old map is gone all the same
    EXPECT_EQ(field.width, 0);
    EXPECT_EQ(GetTextureList().count, textures + 1);
    field.Clear();
    EXPECT_EQ(GetTextureList().count, textures);
    FsMgr::Release(fs);
}

TEST_F(FieldMapLoad, SampleFieldLoadsAndCanBeCrossed) {
    FsMgr* sample = DirMgr(nullptr, (std::string(getenv("QM_BUILD_DIR")) + "/sample").c_str(), nullptr);
    LogCapture log;
    field.LoadMap(101, sample, nullptr);
    EXPECT_EQ(log.Count(), 0u) << log.Lines()[0];
    EXPECT_TRUE(field.GetCell(10, 5)->objectHeight >= 12 && field.GetCell(0, 9)->objectHeight < 12);  // one tree fades
    // Up the ramps from the west edge to the top terrace, not onto the plateau.
    field.FindRange(nullptr, 0, 4, 0, 12, 1, 0, kRangeMovement | kRangeNoPanels);
    EXPECT_EQ(std::make_pair(field.GetRouteCost(11, 4), field.GetRouteCost(10, 1)), std::make_pair(11, -1));
    field.Clear();
    FsMgr::Release(sample);
}

}  // namespace
