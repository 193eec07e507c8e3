// Map files (golden, damaged, with models) and field frames from above on strict ES 2.0: terrain, shadows, objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "game/field_map_text.h"
#include "game/field_renderer.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/model.h"
#include "gfx/std2d.h"
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
        const std::string text = WriteMapText({std::string(59, 'n')}, w, 3, Cells(w * 3));  // the longest name
        for (const std::string& variant : {text, Replace(text, "\r\n", "\n")}) {
            MapText map;
            ASSERT_TRUE(Read(variant, &map));
            EXPECT_EQ(map.modelNames[0] + std::to_string(map.width), std::string(59, 'n') + std::to_string(w));
            for (int32_t i = 0; i < w * 3; ++i) ASSERT_EQ(map.cells[i * kMapFields + kMapChip], i) << "W " << w;
        }
    }
}

TEST(FieldMapText, DamagedMapsLoadSafelyOrAreRefused) {
    const std::string good = WriteMapText({}, 4, 2, Cells(8));
    auto with = [&good](const std::string& from, const std::string& to) { return Replace(good, from, to); };
    const std::string row = "1,0,0,0,0,0,0,0\r\n", size = "4,2\r\n", shape = "2,1,0", names = "102\r\n\r\n";
    const struct { std::string text; bool loads; const char* line; } cases[] = {
        {"", false, "version is not match"}, {with("102\r\n", "101\r\n"), false, "version is not match"},
        {with(size, "0,2\r\n"), false, "out of range"}, {with(size, "-4,2\r\n"), false, "out of range"},
        {with(size, "100,1\r\n"), false, "out of range"}, {with(size, "24,25\r\n"), false, "out of range"},
        {with(size, "99999999999,99999999999\r\n"), false, "out of range"}, {with(size, "4\r\n"), false, "out of range"},
        {with("\r\n", "\r"), false, "out of range"}, {with(row, "1\r\n"), true, nullptr}, {with(row, "x,y,z\r\n"), true, nullptr},
        {with(row, "20,0,0\r\n"), true, "height out of 0..19"}, {with(shape, "2,13,0"), true, "shape outside"},
        {with(shape, "2,-3,0"), true, "shape outside"}, {with(shape, "2,400,0"), true, "shape outside"},
        {with(row, "19,0,0\r\n"), true, nullptr}, {with(shape, "2,392,0"), true, nullptr},  // the highest level and shape
        {with(size, "99,5\r\n"), true, "ends early"}, {with(size, "24,24\r\n"), true, "ends early"},  // widest, largest
        {with(names, "102\r\n" + std::string(60, 'm') + "\r\n"), true, "model name too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        LogCapture log;
        MapText map;
        EXPECT_EQ(Read(c.text, &map), c.loads);
        EXPECT_EQ(log.Count(), c.line ? 1u : 0u);
        EXPECT_TRUE(!c.line || log.Contains(c.line)) << (log.Count() ? log.Lines()[0] : "");
        EXPECT_TRUE(map.modelNames[0].empty());  // long names are refused
    }
    // Cut after every line: the cells that never came are holes.
    for (size_t at = good.find('\n'); at != std::string::npos; at = good.find('\n', at + 1)) {
        MapText map;
        EXPECT_TRUE(!Read(good.substr(0, at + 1), &map) || map.cells.size() == 8u * kMapFields);
    }
}

// An untextured triangle, 0.5 units tall, one material per texture name.
void WriteModel(TempDir* dir, const std::string& name, const std::vector<std::string>& textures) {
    E3d2Model model;
    model.stride = 12, model.centre[1] = 8, model.extent[1] = 0.5f;
    model.attribs = {{10, 3, 0, 0}};
    PushFloats(&model.vertices, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    model.indices = {0, 1, 2};
    for (const std::string& t : textures) model.materials.push_back(E3d2Material{{1, 1, 1, 1}, 0, 3, t});
    dir->Write("3do/" + name, WriteE3d2(model));
}

const float kLight[3] = {0.16f / 0.6462198f, 0.56f / 0.6462198f, -0.28f / 0.6462198f};

int32_t LoadSampleShader(const char* name) {
    const std::string base = std::string(QM_SAMPLE_SHADERS) + "/" + name;
    return BuildShaderProgramFromFiles(name, (base + ".vs").c_str(), (base + ".fs").c_str(), nullptr, nullptr);
}

Texture* SolidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 16; ++i) bytes.insert(bytes.end(), {r, g, b, a});
    Image* image = MakeImage(kPixelRgba8888, 4, 4, 32, bytes);
    Texture* texture = Texture::Create(nullptr);
    Texture::UploadImage(texture, 0, image, nullptr);
    Image::Free(image);
    return texture;
}

// Screen pixel of a world point on the ground of a flat height-1 cell.
int Px(float world) { return static_cast<int>(128.0f + world * 128.0f / (1978.0f * 0.17632698f)); }

class FieldRender : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        UnbindStd2dProgram();
        ASSERT_TRUE(plain.Load(LoadSampleShader, false));
        ASSERT_TRUE(hq.Load(LoadSampleShader, true));
        field.AllocCells(6, 6);
        for (int32_t i = 0; i < 36; ++i) field.cells[i].height = 1;
        field.GetCell(2, 2)->height = 9;  // a pillar casting its shadow towards -x, +z
        field.FinishCells();
        field.topTexture = SolidTexture(200, 200, 200);
        field.sideTexture = SolidTexture(150, 100, 50);
        field.BuildMesh();
        in.field = &field;
        const float eye[3] = {0, 2000, 0}, target[3] = {0, 0, 0}, up[3] = {0, 0, -1};
        Mat4::Perspective(&in.projection, 20, 1, 50, 50000);
        Mat4::LookAt(&in.view, eye, target, up);
        in.brightness = 0.5f;
        for (int i = 0; i < 3; ++i) in.lightDirection[i] = kLight[i];
        shadowCamera = MakeShadowCamera(kLight);
        for (int i = 0; i < 3; ++i) in.shadowEye[i] = shadowCamera.eye[i];
    }
    void TearDown() override {
        field.Clear();
        plain.Release();
        hq.Release();
        GfxTest::TearDown();
    }
    std::vector<uint8_t> Frame(const FieldShaderSet& set) {
        GlState::SetDepthMask(1);
        GlClearDepthBuffer(1.0f);
        ClearScreen(255, 0, 255);
        DrawField(in, set);
        EXPECT_TRUE(NoGlError());
        return ReadRect(0, 0, kWidth, kHeight);
    }
    static Rgba At(const std::vector<uint8_t>& f, int x, int y) {
        const uint8_t* p = &f[(static_cast<size_t>(y) * kWidth + x) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    }
    FieldShaderSet plain, hq;
    QmField field{kLight};
    FieldDrawInputs in;
    CameraParams shadowCamera;
};

// Level tops: 200 x (ambient + diffuse x half-Lambert) x brightness.
const int kLitTop = static_cast<int>(200 * (0.4 + 0.9 * static_cast<int>(0.5 * (kLight[1] + 1) * 32767) / 32767.0) * 0.5);

TEST_F(FieldRender, MapPlacesObjectsAndSharesTheirTextures) {
    TempDir dir;
    QmField loaded{kLight};
    PngLayout png;
    png.width = png.height = 1, png.colourType = 2, png.rows = {10, 20, 30};
    std::vector<std::string> many;  // 22 distinct textures: two past the cache
    for (int i = 0; i < 22; ++i) many.push_back("t" + std::to_string(i) + ".png");
    for (const std::string& name : many) dir.Write("3do/" + name, WritePng(png));
    for (const char* name : {"3do/bark.png", "field/01_tex_top.png"}) dir.Write(name, WritePng(png));
    WriteModel(&dir, "box.e3d", {"bark.bmp"});  // the png beside it is used instead
    WriteModel(&dir, "pair.e3d", {"", "bark.png"});
    WriteModel(&dir, "many.e3d", many);
    std::vector<MapCell> cells = Cells(6);
    cells[1].slot = 1, cells[1].yaw = 190, cells[1].scale = 100, cells[1].lift = 4;
    cells[4].slot = 2, cells[5].slot = 4, cells[0].slot = 3, cells[2].blocked = 1, cells[3].height = 0;
    dir.Write("field/01-02.txt", WriteMapText({"box.e3d", "pair.e3d", "many.e3d", "missing.e3d"}, 3, 2, cells));

    FsMgr* fs = DirMgr(nullptr, dir.path().c_str(), nullptr);
    const size_t textures = GetTextureList().count;
    LogCapture log;
    loaded.LoadMap(102, fs, nullptr);
    ASSERT_EQ(loaded.width, 3);
    EXPECT_EQ(loaded.sideTexture, nullptr);
    EXPECT_EQ(GetTextureList().count, textures + 24);  // the top texture, one shared bark, 22 more
    EXPECT_EQ(loaded.models[0]->materials[0].texture, loaded.models[1]->materials[1].texture);
    EXPECT_EQ(loaded.models[3], nullptr);
    EXPECT_EQ(loaded.GetCell(2, 1)->model, nullptr);
    EXPECT_TRUE(log.Contains("missing.e3d"));

    const QmFieldCell& c = *loaded.GetCell(1, 0);
    const float angle = -170.0f * static_cast<float>(M_PI) / 180.0f;
    EXPECT_NEAR(c.matrix[0], 1000 * std::cos(angle), 0.05f);
    EXPECT_NEAR(c.matrix[8], 1000 * std::sin(angle), 0.05f);
    EXPECT_EQ(std::vector<float>(c.matrix + 12, c.matrix + 15), (std::vector<float>{0, 2 * 16 + 6 + 4, -32}));
    EXPECT_FLOAT_EQ(c.centre[1], 2 * 16 + 6 + 4 + 8);
    EXPECT_EQ(c.objectHeight, 31);  // 500 units tall
    EXPECT_EQ(loaded.IsWalkable(2, 0) + loaded.IsWalkable(0, 1) + loaded.IsWalkable(1, 1), 1);  // blocked, hole, open
    loaded.LoadMap(103, fs, nullptr);  // missing: the old map is gone all the same
    EXPECT_EQ(loaded.width, 0);
    EXPECT_EQ(GetTextureList().count, textures + 1);
    loaded.Clear();
    EXPECT_EQ(GetTextureList().count, textures);
    FsMgr::Release(fs);
}

TEST_F(FieldRender, FrameCoversTheScreenAndPlainShadingWithoutAFramebuffer) {
    const std::vector<uint8_t> f = Frame(plain);  // the colours are the whole-battle pictures'
    for (int y = 0; y < kHeight; ++y) {  // nothing left uncovered
        for (int x = 0; x < kWidth; ++x) ASSERT_FALSE(At(f, x, y) == (Rgba{255, 0, 255, 255})) << x << "," << y;
    }
    // A framebuffer that cannot be completed gives plain shading; a stale texture left on unit 1 is not sampled.
    LogCapture log;
    EXPECT_EQ(CreateShadowMap(&field, 0, shadowCamera, &in.shadowMatrix, hq.programs[kFieldProgramShadowMap]), nullptr);
    EXPECT_TRUE(log.Contains("setup framebuffer object."));
    glViewport(0, 0, kWidth, kHeight);
    Texture* stale = SolidTexture(0, 0, 0);
    GlState::SetActiveTexture(1);
    GlState::SetTexture(stale, GL_CLAMP_TO_EDGE, GL_NEAREST);
    GlState::SetActiveTexture(0);
    const std::vector<uint8_t> hqFrame = Frame(hq);
    Texture::Destroy(stale);
    for (size_t i = 0; i < f.size(); ++i) ASSERT_NEAR(hqFrame[i], f[i], 2) << i / 4 % kWidth << "," << i / 4 / kWidth;
}

TEST_F(FieldRender, ShadowMapDarkensOnlyTheShadow) {
    const std::vector<uint8_t> off = Frame(plain);
    for (bool renderbuffer : {false, true}) {
        SCOPED_TRACE(renderbuffer ? "depth renderbuffer" : "depth texture");
        in.shadowTexture = CreateShadowMap(&field, 1024, shadowCamera, &in.shadowMatrix,
                                           hq.programs[kFieldProgramShadowMap], renderbuffer);
        ASSERT_NE(in.shadowTexture, nullptr);
        glViewport(0, 0, kWidth, kHeight);
        const std::vector<uint8_t> on = Frame(hq);
        Texture::Destroy(in.shadowTexture);
        in.shadowTexture = nullptr;
        int shadowed = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const int a = At(on, x, y).r, b = At(off, x, y).r;
                ASSERT_LE(a, b + 2) << x << "," << y;
                if (a < b - 20) {
                    ++shadowed;
                    // Towards -x and +z of the pillar, within its reach.
                    ASSERT_TRUE(x >= Px(-64 - 60) && x <= Px(0) && y >= Px(-64) && y <= Px(80)) << x << "," << y;
                }
            }
        }
        EXPECT_GT(shadowed, 200);
        EXPECT_LT(At(on, Px(-40), Px(32)).r, kLitTop - 40);
    }
}

}  // namespace
