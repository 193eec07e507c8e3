// Models: both formats, shared textures, damaged files, and a quad drawn through the camera.
#include "gfx/model.h"

#include <cstring>
#include <string>

#include "gfx/material_shader.h"
#include "sample/tools/field_writers.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

// The second program's attribute and uniform locations differ from the first's.
const char* const kVertex[2] = {
    "attribute vec3 a_Position; attribute vec2 a_TexCoord; uniform mat4 u_GeneralMatrix; varying vec2 v_uv;\n"
    "void main() { gl_Position = u_GeneralMatrix * vec4(a_Position, 1.0); v_uv = a_TexCoord; }\n",
    "uniform mediump int u_TexEnable; attribute vec4 a_Color; attribute vec2 a_TexCoord; attribute vec3 a_Position;\n"
    "uniform mat4 u_GeneralMatrix; varying vec2 v_uv; void main() {\n"
    "gl_Position = u_GeneralMatrix * vec4(a_Position, 1.0) + a_Color * 0.0; if (u_TexEnable > 5) gl_Position.x = 9.0;\n"
    "v_uv = a_TexCoord; }\n"};
const char* const kFragment =
    "precision mediump float; uniform sampler2D s; uniform int u_TexEnable; uniform int u_AlphaTest;\n"
    "uniform float u_AlphaRef; varying vec2 v_uv;\n"
    "void main() { vec4 c = vec4(0.0, 1.0, 0.0, 1.0); if (u_TexEnable != 0) c *= texture2D(s, v_uv);\n"
    "if (u_AlphaTest != 0 && c.a < u_AlphaRef) discard; gl_FragColor = c; }\n";

// A 5 x 5 quad at z = 0 with the first `attribs` of position, normal, texcoord, colour.
E3d2Model Quad(int attribs, std::vector<E3d2Material> materials) {
    E3d2Model m;
    m.stride = 36;
    m.centre[0] = 2.5f, m.extent[0] = 5.0f;
    const E3d2Attrib rows[4] = {{10, 3, 0, 0}, {10, 3, 12, 0}, {10, 2, 24, 0}, {2, 4, 32, 1}};
    m.attribs.assign(rows, rows + attribs);
    for (int v = 0; v < 4; ++v) {
        const float x = v >= 2 ? 5.0f : 0.0f, y = v % 2 ? 5.0f : 0.0f;
        PushFloats(&m.vertices, {x, y, 0, 0, 0, 1, x / 5, y / 5});
        m.vertices.insert(m.vertices.end(), {255, 255, 255, 255});
    }
    m.indices = {0, 1, 2, 3, 2, 1};
    m.materials = std::move(materials);
    return m;
}

E3d2Material Range(uint32_t first, uint32_t count, const char* texture = "") {
    return E3d2Material{{1, 1, 1, 1}, first, count, texture};
}

class ModelTest : public GfxTest {
protected:
    Model* Load(const std::string& bytes, const char* name = "m.e3d") {
        dir.Write(name, bytes);
        return Model::Load(dir.File(name).c_str(), nullptr, nullptr, nullptr, nullptr);
    }
    TempDir dir;
};

TEST_F(ModelTest, ReadsBothFormats) {
    for (int attribs = 1; attribs <= 4; ++attribs) {
        Model* m = Load(WriteE3d2(Quad(attribs, {Range(0, 6)})));
        ASSERT_NE(m, nullptr);
        for (int row = 0; row < 4; ++row) EXPECT_EQ(m->rows[row].name != nullptr, row < attribs);
        EXPECT_TRUE(m->stride == 36 && m->boundsCenter[0] == 2.5f);
        Model::Release(m);
    }
    Model* plain = Load(WriteE3do({0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 0, 1}, {0, 1, 2}));
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(plain->stride == 32 && plain->materials[0].indexCount == 3 && plain->materials[0].diffuse[3] == 1 &&
                plain->rows[2].offset == 24 && !plain->rows[3].name);
    Model::Release(plain);
}

TEST_F(ModelTest, DamagedFilesAreRefusedWithOneLine) {
    const std::string good = WriteE3d2(Quad(4, {Range(0, 6, "t.png")}));
    auto patched = [&](size_t at, uint32_t value) { std::string s = good; memcpy(&s[at], &value, 4); return s; };
    const size_t material = 48 + 16, data = material + 128;
    std::vector<std::string> bad = {
        patched(8, 5),                                 // five attribute records
        patched(16, 0xFFFFFFF0u),                      // VB + IB wraps in 32 bits
        patched(4, 0),                                 // stride 0
        patched(4, 20),                                // colour row past the stride
        patched(material + 60, 7),                     // range beyond the indices
        patched(material + 56, 0xFFFFFFFFu),           // first index wraps
        patched(data + 4 * 36, 0x00040000u),           // index 4 of 4 vertices
        patched(48, 0x0C),                             // type code 12
        good.substr(0, material + 64) + std::string(64, 'x') + good.substr(data),  // name without NUL
        WriteE3do({}, {0}),                            // an index without vertices
        "E3DO\xff\xff\xff\xff\x01\0\0\0",              // 4G vertices
        "E3DX" + good.substr(4),
    };
    for (size_t cut = 0; cut < good.size(); cut += 7) bad.push_back(good.substr(0, cut));
    for (const std::string& bytes : bad) {
        LogCapture log;
        EXPECT_EQ(Load(bytes), nullptr) << bytes.size();
        ASSERT_EQ(log.Count(), 1u);
        EXPECT_TRUE(log.Contains("m.e3d is invalid data format.")) << log.Lines()[0];
    }
    LogCapture log;
    EXPECT_EQ(Model::Load(dir.File("missing.e3d").c_str(), nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(log.Contains("open \"")) << log.Lines()[0];
}

TEST_F(ModelTest, DrawsThroughTheCameraWithEitherProgram) {
    const std::vector<uint8_t> half = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 255, 255, 255, 0};
    dir.Write("half.png", WritePng(PngLayout{4, 1, 6, 8, false, half, {}, {}}));
    Model* m = Load(WriteE3d2(Quad(4, {Range(0, 6, "half.png")})));
    ASSERT_NE(m, nullptr);
    for (const char* vertex : kVertex) {
        const int32_t program = BuildShaderProgram("model", vertex, kFragment, nullptr);
        ASSERT_GT(program, 0);
        ClearScreen(0, 0, 0);
        MaterialShader::SetModel(nullptr);  // stored before any program is current
        MaterialShader::Begin(program);
        MaterialShader::SetCamera({90, 1, 1, 100, {0, 0, 0}, {0, 0, 10}, {0, 1, 0}});
        Model::Draw(m);
        Mat4 left = Mat4::Identity();
        left.m[12] = left.m[13] = -5;
        MaterialShader::SetModel(&left);
        Model::Draw(m);
        MaterialShader::End();
        ASSERT_TRUE(NoGlError());
        EXPECT_EQ(m->cachedProgram, program);
        const Rgba green{0, 255, 0, 255}, black{0, 0, 0, 255};
        // The opaque half, and moved by the model matrix; the transparent half discarded.
        EXPECT_TRUE(ReadPixel(136, 120) == green && ReadPixel(72, 184) == green);
        for (auto [x, y] : {std::pair<int, int>{180, 120}, {136, 184}, {120, 120}, {136, 60}})
            EXPECT_EQ(ReadPixel(x, y), black) << x << "," << y;
        DeleteShaderProgram(program);
    }
    Model::Release(m);
}

}  // namespace
