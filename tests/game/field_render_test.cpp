// Battle frames drawn by the field renderer on Mesa (strict ES 2.0), seen
// from straight above: the background only where no terrain is, the lit
// terrain's known colour, the static shadow map both ways (depth texture and
// depth renderbuffer) darkening only what lies in a pillar's shadow, a
// framebuffer that cannot be completed giving plain shading, markers and
// blob shadows, the faint cursor over a unit, and the program set's order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/color_util.h"
#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "game/field_markers.h"
#include "game/field_renderer.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/model.h"
#include "gfx/std2d.h"
#include "sample/tools/field_writers.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

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

TEST_F(FieldRender, BackgroundOnlyWhereNoTerrain) {
    const std::vector<uint8_t> f = Frame(plain);
    const uint32_t top = ScaleColorRgb(in.backgroundTop, 0.5f), bottom = ScaleColorRgb(in.backgroundBottom, 0.5f);
    auto near = [](Rgba got, uint32_t want, int tolerance) {
        return std::abs(got.r - int(want & 0xFF)) <= tolerance && std::abs(got.g - int(want >> 8 & 0xFF)) <= tolerance &&
               std::abs(got.b - int(want >> 16 & 0xFF)) <= tolerance;
    };
    EXPECT_TRUE(near(At(f, 5, 0), top, 3)) << At(f, 5, 0);
    EXPECT_TRUE(near(At(f, 250, 255), bottom, 3)) << At(f, 250, 255);
    const Rgba ground = At(f, Px(160), Px(-160));  // cell (5, 0)
    EXPECT_NEAR(ground.r, kLitTop, 2);
    EXPECT_EQ(ground.r, ground.g);
    for (int y = 0; y < kHeight; ++y) {  // nothing left uncovered
        for (int x = 0; x < kWidth; ++x) ASSERT_FALSE(At(f, x, y) == (Rgba{255, 0, 255, 255})) << x << "," << y;
    }
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

TEST_F(FieldRender, FramebufferFailureDrawsPlainShading) {
    const std::vector<uint8_t> off = Frame(plain);
    LogCapture log;
    EXPECT_EQ(CreateShadowMap(&field, 0, shadowCamera, &in.shadowMatrix, hq.programs[kFieldProgramShadowMap]), nullptr);
    EXPECT_TRUE(log.Contains("setup framebuffer object."));
    glViewport(0, 0, kWidth, kHeight);
    // A stale texture left on unit 1 must not be sampled.
    Texture* stale = SolidTexture(0, 0, 0);
    GlState::SetActiveTexture(1);
    GlState::SetTexture(stale, GL_CLAMP_TO_EDGE, GL_NEAREST);
    GlState::SetActiveTexture(0);
    const std::vector<uint8_t> on = Frame(hq);
    Texture::Destroy(stale);
    for (size_t i = 0; i < on.size(); ++i) ASSERT_NEAR(on[i], off[i], 2) << i / 4 % kWidth << "," << i / 4 / kWidth;
}

TEST_F(FieldRender, MarkersUnitsAndTheFaintCursor) {
    QmFieldMarkers markers;
    markers.Init(plain.programs[kFieldProgramPanel]);
    markers.Link(&field);
    markers.panelTexture = SolidTexture(255, 255, 255);
    markers.shadowTexture = SolidTexture(0, 0, 0);
    const float panelAt[3] = {4.5f, 1, 4.5f}, cursorAt[3] = {0.5f, 1, 0.5f};
    markers.AddPanel(panelAt, 0);
    markers.SetCursorPos(cursorAt);
    for (int i = 0; i < 40; ++i) markers.Update();  // the cursor has eased onto its cell
    const float units[1][3] = {{4.5f, 1, 1.5f}};
    in.markers = &markers;
    in.unitPositions = units;
    in.unitCount = 1;
    // A red billboard lying over the cursor's cell, above the ground.
    in.drawUnits = []() {
        struct UnitVertex {
            int16_t x, y, z, w;
            uint16_t u, v;
            uint8_t rgba[4];
        };
        const UnitVertex quad[4] = {{-200, 60, -200, 1, 0, 0, {255, 0, 0, 255}}, {-200, 60, -120, 1, 0, 0, {255, 0, 0, 255}},
                                    {-120, 60, -200, 1, 0, 0, {255, 0, 0, 255}}, {-120, 60, -120, 1, 0, 0, {255, 0, 0, 255}}};
        static const GlVertexAttrib rows[3] = {{"a_Position", GL_SHORT, 4, 0, 0},
                                               {"a_TexCoord", GL_UNSIGNED_SHORT, 2, 8, 1},
                                               {"a_Color", GL_UNSIGNED_BYTE, 4, 12, 1}};
        int32_t at[3];
        GlGetAttribLocations(-1, 3, rows, at);
        GlState::SetTexture(nullptr, GL_CLAMP_TO_EDGE, GL_LINEAR);
        MaterialShader::SetTexEnable();
        GlEnableAttribArrays(3, at);
        GlSetAttribPointers(3, at, rows, quad, sizeof(UnitVertex));
        const uint16_t indices[6] = {0, 1, 2, 3, 2, 1};
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, indices);
        GlDisableAttribArrays(3, at);
    };
    const std::vector<uint8_t> f = Frame(plain);
    const int panelShade = kLitTop + (255 - kLitTop) * 160 / 255;
    EXPECT_NEAR(At(f, Px(96), Px(96)).r, panelShade, 3);
    EXPECT_NEAR(At(f, Px(96), Px(-96)).r, kLitTop * (255 - 160) / 255, 3);  // the blob
    const Rgba overUnit = At(f, Px(-160), Px(-160));                        // cursor cell under the billboard
    EXPECT_EQ(overUnit.r, 255);
    EXPECT_NEAR(overUnit.g, 50, 2);
    markers.SetCursorVisible(false);
    EXPECT_EQ(At(Frame(plain), Px(-160), Px(-160)), (Rgba{255, 0, 0, 255}));
    markers.Destroy();
}

// Untextured flat squares standing 100 units above two cells: one opaque,
// one faded half-way before the camera, blended over the ground last.
TEST_F(FieldRender, OpaqueAndFadingObjects) {
    E3d2Model square;
    square.stride = 12;
    square.attribs = {{10, 3, 0, 0}};
    PushFloats(&square.vertices, {-0.05f, 0.2f, -0.05f, -0.05f, 0.2f, 0.05f, 0.05f, 0.2f, -0.05f, 0.05f, 0.2f, 0.05f});
    square.indices = {0, 1, 2, 3, 2, 1};
    square.materials = {E3d2Material{{1, 1, 1, 1}, 0, 6, ""}};
    TempDir dir;
    dir.Write("square.e3d", WriteE3d2(square));
    FsMgr* fs = DirMgr(nullptr, dir.path().c_str(), nullptr);
    Model* model = Model::Load("square.e3d", fs, nullptr, nullptr, nullptr);
    ASSERT_NE(model, nullptr);
    for (QmFieldCell* cell : {field.GetCell(4, 4), field.GetCell(4, 1)}) {
        Mat4 m = Mat4::Identity();
        const float at[3] = {(cell->x + 0.5f) * 64 - 192, 22, (cell->z + 0.5f) * 64 - 192};
        Mat4::Translate(&m, m, at);
        Mat4::ScaleUniform(&m, m, 500);
        memcpy(cell->matrix, m.m, sizeof m.m);
        cell->model = model;
        cell->alpha = cell->z == 1 ? 0.5f : 1.0f;
    }
    const std::vector<uint8_t> f = Frame(plain);
    const int lit = static_cast<int>(255 * (0.4 + 0.9 * 0.5) * 0.5);  // no normal: lit side-on
    EXPECT_NEAR(At(f, Px(96), Px(96)).r, lit, 2);
    EXPECT_NEAR(At(f, Px(96), Px(-96)).r, (lit + kLitTop) / 2, 2);
    field.GetCell(4, 4)->model = field.GetCell(4, 1)->model = nullptr;
    Model::Release(model);
    FsMgr::Release(fs);
}

TEST_F(FieldRender, ShaderSetLoadsInOrderAndReleasesOnce) {
    for (bool shadows : {true, false}) {
        std::vector<std::string> names;
        FieldShaderSet set;
        EXPECT_FALSE(set.Load([&](const char* name) { return names.push_back(name), -1; }, shadows));
        const std::vector<std::string> expected =
            shadows ? std::vector<std::string>{"field_smap", "field_block_hq", "field_obj_hq", "field_edge", "bg_fill",
                                               "panel", "unit"}
                    : std::vector<std::string>{"field_block", "field_obj", "field_edge", "bg_fill", "panel", "unit"};
        EXPECT_EQ(names, expected);
        set.Release();
        set.Release();
        for (int32_t program : set.programs) EXPECT_EQ(program, -1);
    }
}

}  // namespace
