// The screen effects' files. Everything is computed, so the output is the
// same on every machine.
#include "sample/tools/efc_assets.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "sample/tools/field_writers.h"
#include "sample/tools/sample_image.h"

namespace {

// The rain program: splashes (mode 0) take the texture's corner from the
// first two bytes and fade by the fourth; lines (mode 1) keep their blue and
// thin out with distance from the camera.
const char* const kRainVertexShader =
    "attribute vec4 a_Position;\n"
    "attribute vec4 a_TexAndColor;\n"
    "uniform mat4 u_GeneralMatrix;\n"
    "uniform int u_Mode;\n"
    "uniform vec3 u_CameraPosition;\n"
    "varying vec2 v_TexCoord;\n"
    "varying vec4 v_Color;\n"
    "varying float v_Textured;\n"
    "void main() {\n"
    "    vec4 p = vec4(a_Position.xyz, 1.0);\n"
    "    gl_Position = u_GeneralMatrix * p;\n"
    "    if (u_Mode == 0) {\n"
    "        v_TexCoord = a_TexAndColor.xy;\n"
    "        v_Color = vec4(0.8, 0.88, 1.0, a_TexAndColor.a);\n"
    "        v_Textured = 1.0;\n"
    "    } else {\n"
    "        float fade = clamp(1.5 - distance(p.xyz, u_CameraPosition) / 4000.0, 0.4, 1.0);\n"
    "        v_TexCoord = vec2(0.0);\n"
    "        v_Color = vec4(a_TexAndColor.rgb, a_TexAndColor.a * fade);\n"
    "        v_Textured = 0.0;\n"
    "    }\n"
    "}\n";

const char* const kRainFragmentShader =
    "precision mediump float;\n"
    "uniform sampler2D u_Texture0;\n"
    "varying vec2 v_TexCoord;\n"
    "varying vec4 v_Color;\n"
    "varying float v_Textured;\n"
    "void main() {\n"
    "    vec4 texel = texture2D(u_Texture0, v_TexCoord);\n"
    "    gl_FragColor = v_Color * mix(vec4(1.0), texel, v_Textured);\n"
    "}\n";

// 128 x 16 texels: a white streak, solid along its middle rows and soft at
// its top and bottom edges.
bool WriteFocusLineTexture(const std::string& path) {
    std::vector<uint8_t> rgba(128 * 16 * 4, 255);
    for (int y = 0; y < 16; ++y) {
        const float edge = std::fabs(y - 7.5f) / 8.0f;
        const uint8_t alpha = static_cast<uint8_t>(edge < 0.6f ? 255 : 255 * (1.0f - edge) / 0.4f);
        for (int x = 0; x < 128; ++x) rgba[(y * 128 + x) * 4 + 3] = alpha;
    }
    return WriteRgbaPng(path, 128, 16, rgba);
}

// 32 x 32 texels: a white ring on transparent, the splash seen from above.
bool WriteSplashTexture(const std::string& path) {
    std::vector<uint8_t> rgba(32 * 32 * 4, 255);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const float r = std::hypot(x - 15.5f, y - 15.5f);
            const float ring = 1.0f - std::fabs(r - 11.0f) / 4.0f;
            rgba[(y * 32 + x) * 4 + 3] = static_cast<uint8_t>(ring > 0 ? 255 * ring : r < 11.0f ? 60 : 0);
        }
    }
    return WriteRgbaPng(path, 32, 32, rgba);
}

void PushVertex(E3d2Model* m, const float p[3], const float n[3]) {
    PushFloats(&m->vertices, {p[0], p[1], p[2], n[0], n[1], n[2], 0, 0});
}

// One flat triangle with its face normal.
void AddTriangle(E3d2Model* m, const float a[3], const float b[3], const float c[3]) {
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (float& e : n) e /= length;
    const uint16_t base = static_cast<uint16_t>(m->vertices.size() / 32);
    PushVertex(m, a, n), PushVertex(m, b, n), PushVertex(m, c, n);
    m->indices.insert(m->indices.end(), {base, uint16_t(base + 1), uint16_t(base + 2)});
}

// A square-sectioned prism along X from x0 to x1 of half-width h0 at x0 and
// h1 at x1 (h1 = 0 makes a pyramid point), with its end caps.
void AddTaperedBar(E3d2Model* m, float x0, float x1, float h0, float h1) {
    const float ring[4][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        const auto& p = ring[i];
        const auto& q = ring[(i + 1) % 4];
        const float a[3] = {x0, p[0] * h0, p[1] * h0}, b[3] = {x0, q[0] * h0, q[1] * h0};
        const float c[3] = {x1, q[0] * h1, q[1] * h1}, d[3] = {x1, p[0] * h1, p[1] * h1};
        AddTriangle(m, a, b, c);
        if (h1 > 0) AddTriangle(m, a, c, d);
    }
    const float c0[4][3] = {{x0, h0, h0}, {x0, -h0, h0}, {x0, -h0, -h0}, {x0, h0, -h0}};
    AddTriangle(m, c0[0], c0[1], c0[2]), AddTriangle(m, c0[0], c0[2], c0[3]);
}

}  // namespace

// Length 2 along X from -1 to 1: shaft, fletching block, head.
std::string ArrowModelFile() {
    E3d2Model m;
    m.stride = 32;
    m.attribs = {{10, 3, 0, 0}, {10, 3, 12, 0}, {10, 2, 24, 0}};
    m.extent[0] = 1.0f, m.extent[1] = m.extent[2] = 0.2f;
    E3d2Material wood;
    wood.diffuse[0] = 0.55f, wood.diffuse[1] = 0.38f, wood.diffuse[2] = 0.2f;
    AddTaperedBar(&m, -0.95f, 0.7f, 0.05f, 0.05f);
    wood.indexCount = static_cast<uint32_t>(m.indices.size());
    E3d2Material feathers;
    feathers.diffuse[0] = 0.95f, feathers.diffuse[1] = 0.95f, feathers.diffuse[2] = 0.9f;
    feathers.firstIndex = wood.indexCount;
    AddTaperedBar(&m, -1.0f, -0.6f, 0.16f, 0.06f);
    E3d2Material head;
    head.diffuse[0] = head.diffuse[1] = head.diffuse[2] = 0.7f;
    head.firstIndex = static_cast<uint32_t>(m.indices.size());
    feathers.indexCount = head.firstIndex - feathers.firstIndex;
    AddTaperedBar(&m, 0.7f, 1.0f, 0.15f, 0.0f);
    head.indexCount = static_cast<uint32_t>(m.indices.size()) - head.firstIndex;
    m.materials = {wood, feathers, head};
    return WriteE3d2(m);
}

bool WriteEfcAssets(const std::string& outDir) {
    std::error_code error;
    for (const char* folder : {"/3do", "/effect/Texture", "/img", "/shader"}) {
        std::filesystem::create_directories(outDir + folder, error);
    }
    return WriteWholeFile(outDir + "/3do/arrow.3do", ArrowModelFile()) &&
           WriteFocusLineTexture(outDir + "/effect/Texture/shiirare.png") &&
           WriteSplashTexture(outDir + "/img/rain.png") &&
           WriteWholeFile(outDir + "/shader/efc_rain.vs", kRainVertexShader) &&
           WriteWholeFile(outDir + "/shader/efc_rain.fs", kRainFragmentShader);
}
