// Makes the sample game's battle field at build time: one small map of
// terraces, ramps, a pit and rocks, its terrain textures (a sheet of 80-texel
// chips for the tops, a wall texture for the sides) and two object models in
// the E3D2 format, a crate and a tree, with their textures. Everything is
// computed, so the output is the same on every machine.
//
//   sample_field OUTDIR   writes OUTDIR/field/01-01.txt, 01_tex_top.png,
//                         01_tex_side.png and OUTDIR/3do/{crate,tree}.{e3d,png}
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sample/tools/field_writers.h"
#include "sample/tools/sample_image.h"

namespace {

// A little value noise so that surfaces are not flat colour.
uint32_t Shade(uint32_t rgb, int x, int y, int amount) {
    const uint32_t hash = (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u);
    const int n = static_cast<int>(hash % 97) * amount / 97 - amount / 2;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int c = static_cast<int>(rgb >> shift & 0xFF) + n;
        out |= static_cast<uint32_t>(c < 0 ? 0 : c > 255 ? 255 : c) << shift;
    }
    return out;
}

// Chips 0..5 of the top sheet: grass, flowers, dirt, stone, sand, water's edge.
bool WriteTopSheet(const std::string& path) {
    const uint32_t base[6] = {0x5C9E3A, 0x6BA845, 0x8A6A44, 0x8C8C88, 0xD8C48A, 0x4C8EB8};
    RgbaCanvas sheet(512, 512);
    for (int chip = 0; chip < 6; ++chip) {
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 80; ++x) {
                uint32_t c = Shade(base[chip], x, y, 30);
                if (chip == 1 && (x * 7 + y * 13) % 29 == 0) c = 0xF0E060;
                if (chip == 3 && (x % 32 == 8 || y % 32 == 8)) c = 0x6C6C68;
                sheet.Set(chip * 80 + x, y, c);
            }
        }
    }
    return sheet.Write(path);
}

bool WriteSideTexture(const std::string& path) {
    RgbaCanvas side(256, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) side.Set(x, y, Shade(y % 16 == 0 ? 0x5A4028 : 0x7A5838, x, y, 24));
    }
    return side.Write(path);
}

bool WriteCrateTexture(const std::string& path) {
    RgbaCanvas wood(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool frame = x < 6 || x > 57 || y < 6 || y > 57 || std::abs(x - y) < 4;
            wood.Set(x, y, Shade(frame ? 0x6A4424 : 0xB08050, x, y, 20));
        }
    }
    return wood.Write(path);
}

// Left half bark, right half leaves with see-through gaps for the alpha test.
bool WriteTreeTexture(const std::string& path) {
    RgbaCanvas tree(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (x < 32) tree.Set(x, y, Shade(0x5A3A20, x, y, 30));
            else tree.Set(x, y, Shade(0x2E7A2A, x, y, 40), (x * 5 + y * 3) % 11 == 0 ? 0 : 255);
        }
    }
    return tree.Write(path);
}

// Vertices: position, normal, texture coordinate (32 bytes).
void Vertex(E3d2Model* m, float x, float y, float z, float nx, float ny, float nz, float u, float v) {
    PushFloats(&m->vertices, {x, y, z, nx, ny, nz, u, v});
}

E3d2Model Shell(float cx, float cy, float cz, float ex, float ey, float ez) {
    E3d2Model m;
    m.stride = 32;
    m.attribs = {{10, 3, 0, 0}, {10, 3, 12, 0}, {10, 2, 24, 0}};
    m.centre[0] = cx, m.centre[1] = cy, m.centre[2] = cz;
    m.extent[0] = ex, m.extent[1] = ey, m.extent[2] = ez;
    return m;
}

// Four side faces and a top of a box from y0 to y1, half width h, texture u range.
void AddBox(E3d2Model* m, float h, float y0, float y1, float u0, float u1, bool top) {
    const float sides[4][4] = {{h, -h, h, h}, {h, h, -h, h}, {-h, h, -h, -h}, {-h, -h, h, -h}};
    for (const auto& s : sides) {
        const uint16_t base = static_cast<uint16_t>(m->vertices.size() / 32);
        const float nx = s[0] == s[2] ? (s[0] > 0 ? 1.0f : -1.0f) : 0.0f;
        const float nz = s[1] == s[3] ? (s[1] > 0 ? 1.0f : -1.0f) : 0.0f;
        Vertex(m, s[0], y1, s[1], nx, 0, nz, u0, 0);
        Vertex(m, s[0], y0, s[1], nx, 0, nz, u0, 1);
        Vertex(m, s[2], y1, s[3], nx, 0, nz, u1, 0);
        Vertex(m, s[2], y0, s[3], nx, 0, nz, u1, 1);
        m->indices.insert(m->indices.end(), {base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2),
                                             static_cast<uint16_t>(base + 3), static_cast<uint16_t>(base + 2),
                                             static_cast<uint16_t>(base + 1)});
    }
    if (!top) return;
    const uint16_t base = static_cast<uint16_t>(m->vertices.size() / 32);
    Vertex(m, -h, y1, -h, 0, 1, 0, u0, 0);
    Vertex(m, -h, y1, h, 0, 1, 0, u0, 1);
    Vertex(m, h, y1, -h, 0, 1, 0, u1, 0);
    Vertex(m, h, y1, h, 0, 1, 0, u1, 1);
    m->indices.insert(m->indices.end(), {base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2),
                                         static_cast<uint16_t>(base + 3), static_cast<uint16_t>(base + 2),
                                         static_cast<uint16_t>(base + 1)});
}

// Model units are scaled by 500 on the map: a crate 50 units wide.
std::string Crate() {
    E3d2Model m = Shell(0, 0.05f, 0, 0.1f, 0.1f, 0.1f);
    AddBox(&m, 0.05f, 0.0f, 0.1f, 0.0f, 1.0f, true);
    E3d2Material wood;
    wood.indexCount = static_cast<uint32_t>(m.indices.size());
    wood.texture = "crate.png";
    m.materials = {wood};
    return WriteE3d2(m);
}

// A trunk and a crown of stacked, narrowing boxes: two materials, the second
// (the leaves) alpha tested by the field.
std::string Tree() {
    E3d2Model m = Shell(0, 0.25f, 0, 0.24f, 0.5f, 0.24f);
    AddBox(&m, 0.02f, 0.0f, 0.2f, 0.0f, 0.5f, false);
    E3d2Material bark, leaves;
    bark.indexCount = static_cast<uint32_t>(m.indices.size());
    bark.texture = leaves.texture = "tree.png";
    leaves.firstIndex = bark.indexCount;
    for (int layer = 0; layer < 3; ++layer) {
        AddBox(&m, 0.12f - 0.03f * layer, 0.2f + 0.1f * layer, 0.32f + 0.1f * layer, 0.5f, 1.0f, true);
    }
    leaves.indexCount = static_cast<uint32_t>(m.indices.size()) - bark.indexCount;
    m.materials = {bark, leaves};
    return WriteE3d2(m);
}

// 12 x 10: grass terraces rising to the east by ramps, a raised stone plateau
// in the north-east, a pit, rocks that cannot be entered, crates and trees.
std::string Map() {
    constexpr int kW = 12, kD = 10;
    std::vector<MapCell> cells(kW * kD);
    for (int z = 0; z < kD; ++z) {
        for (int x = 0; x < kW; ++x) {
            MapCell& c = cells[z * kW + x];
            c.height = 1 + (x >= 5) + (x >= 9);
            c.chip = (x + z) % 5 == 0 ? 1 : 0;
            if (x == 5 || x == 9) c.shape = 3, c.chip = 2;  // ramps up towards +x
            if (x >= 8 && z <= 2) c.height = 5, c.shape = 0, c.chip = 3;
            if (z == 6 && x >= 2 && x <= 3) c.height = 0;  // a pit
            if ((x == 1 && z == 2) || (x == 7 && z == 7)) c.blocked = 1, c.slot = 1, c.yaw = 20 * x, c.chip = 3;
            if ((x == 0 && z == 9) || (x == 11 && z == 8) || (x == 6 && z == 1)) c.blocked = 1, c.slot = 2, c.yaw = 45 * z, c.scale = -100;
            if (x == 10 && z == 5) c.blocked = 1, c.slot = 2;  // full size: tall enough to fade
            if (z == 9 && x >= 4 && x <= 6) c.chip = 4;
        }
    }
    return WriteMapText({"crate.e3d", "tree.e3d"}, kW, kD, cells);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: sample_field OUTDIR\n");
        return 2;
    }
    const std::string out = argv[1];
    const bool written = WriteWholeFile(out + "/field/01-01.txt", Map()) && WriteTopSheet(out + "/field/01_tex_top.png") &&
                         WriteSideTexture(out + "/field/01_tex_side.png") && WriteWholeFile(out + "/3do/crate.e3d", Crate()) &&
                         WriteCrateTexture(out + "/3do/crate.png") && WriteWholeFile(out + "/3do/tree.e3d", Tree()) &&
                         WriteTreeTexture(out + "/3do/tree.png");
    return written ? 0 : 1;
}
