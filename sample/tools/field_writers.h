// Writers of the battle field's files, for the sample generator and the
// tests: E3DO and E3D2 models and the map text (CR LF lines, as all our
// writers write).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct E3d2Attrib {
    uint8_t type;  // 10 float, 2 unsigned byte, ...; 0 absent
    uint8_t components;
    uint8_t offset;
    uint8_t normalized;
};

struct E3d2Material {
    float diffuse[4] = {1, 1, 1, 1};
    uint32_t firstIndex = 0;
    uint32_t indexCount = 0;
    std::string texture;  // relative to the model's folder; empty = none
};

struct E3d2Model {
    uint32_t stride = 0;
    float centre[3] = {0, 0, 0};
    float extent[3] = {0, 0, 0};
    std::vector<E3d2Attrib> attribs;  // rows: position, normal, texcoord, colour
    std::vector<E3d2Material> materials;
    std::vector<uint8_t> vertices;
    std::vector<uint16_t> indices;
};

std::string WriteE3d2(const E3d2Model& model);
// Vertices of 8 floats: position, normal, texture coordinate.
std::string WriteE3do(const std::vector<float>& vertices, const std::vector<uint16_t>& indices);

// Appends float values to a vertex byte array.
void PushFloats(std::vector<uint8_t>* bytes, std::initializer_list<float> values);

struct MapCell {
    int32_t height = 1, shape = 0, blocked = 0, slot = 0, yaw = 0, scale = 0, lift = 0, chip = 0;
};

// Version 102, the model names of slots 1..20 (fewer = empty slots), the
// size and the cells row by row, each row padded to 24 lines.
std::string WriteMapText(const std::vector<std::string>& models, int32_t width, int32_t depth,
                         const std::vector<MapCell>& cells);
