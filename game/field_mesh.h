// The terrain mesh of a field, built on the CPU from the cells: the drawn
// tops, bevel strips along raised edges, walls down to lower neighbours or
// to y = 0 at the border, and the outline lines along wall tops grouped by
// the direction they face. QmField::BuildMesh uploads it; tests read it.
#pragma once

#include <cstdint>
#include <vector>

#include "game/field.h"

// An outline-line vertex: the first 12 bytes of a drawn top vertex.
struct FieldEdgeVertex {
    int16_t x, y, z, w;
    uint16_t u, v;
};
static_assert(sizeof(FieldEdgeVertex) == 12, "edge vertices are 12 bytes");

// Fixed capacities of the buffers: a map of 576 cells (one top, four bevels
// and four walls per cell, one line per direction) stays within them.
constexpr int32_t kFieldMeshMaxVertices = 32000;
constexpr int32_t kFieldMeshMaxQuads = 8000;
constexpr int32_t kFieldMeshMaxLines = 576;

struct FieldMesh {
    std::vector<FieldVertex> vertices;  // tops first, then bevels and walls
    std::vector<uint16_t> indices;      // six per quad
    std::vector<FieldEdgeVertex> edges; // direction 0's lines first, then 1, 2, 3
    int32_t topVertexCount = 0;
    int32_t sideVertexCount = 0;
    int32_t edgeFirst[4] = {};
    int32_t edgeCount[4] = {};
};

// Lights a quad laid out as cell corners: per corner, the normal of the two
// edges of the cycle 0, 1, 3, 2 that meet there (a zero edge replaced by the
// diagonal), ambient 32767 and diffuse 0.5 (n.L + 1) x 32767. A corner with
// no normal at all (every edge zero) gets n.L = 0: diffuse 16383.
void ShadeFieldQuad(const float light[3], FieldVertex quad[4]);

// The mesh of the field's cells (raw corners and drawn tops already made by
// FinishCells). False, with one log line, should it outgrow the capacities.
bool BuildFieldMesh(const QmField& field, FieldMesh* mesh);

// The two line directions drawn for a camera at `yaw` degrees, the pair
// facing the camera; any yaw, wrapped with a floor modulo.
void FieldEdgeDirections(float yaw, int32_t out[2]);
