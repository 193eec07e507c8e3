// Building the terrain mesh from the cells, and lighting its quads.
#include "game/field_mesh.h"

#include <cmath>
#include <cstring>

#include "core/fast_math.h"
#include "gfx/quad.h"
#include "platform/debug_log.h"

namespace {

// Texel rectangles of the side texture: bevel strips, and the u range of walls.
constexpr uint16_t kBevelLeft = 88, kBevelRight = 152, kBevelTop = 16, kBevelBottom = 32;
constexpr uint16_t kWallLeft = 8, kWallRight = 72;

bool SamePosition(const FieldVertex& a, const FieldVertex& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

FieldVertex Unlit(FieldVertex v) {
    v.u = v.v = 0;
    v.ambient = v.diffuse = 0;
    return v;
}

FieldVertex WithTexel(FieldVertex v, uint16_t u, uint16_t t) {
    v.u = u;
    v.v = t;
    return v;
}

class MeshBuilder {
public:
    MeshBuilder(const QmField& field, FieldMesh* mesh) : field_(field), mesh_(mesh) {}

    bool Build() {
        mesh_->vertices.clear();
        mesh_->indices.clear();
        mesh_->edges.clear();
        const int32_t cellCount = field_.width * field_.depth;
        for (int32_t i = 0; i < cellCount; ++i) {
            const QmFieldCell& cell = field_.cells[i];
            if (cell.height != 0) AddQuad(cell.top, GetCornerShape(cell.shape).split != 0);
        }
        mesh_->topVertexCount = static_cast<int32_t>(mesh_->vertices.size());
        for (int32_t i = 0; i < cellCount; ++i) {
            if (field_.cells[i].height != 0) AddBevels(field_.cells[i]);
        }
        for (int32_t i = 0; i < cellCount; ++i) {
            if (field_.cells[i].height != 0) AddWalls(field_.cells[i]);
        }
        mesh_->sideVertexCount = static_cast<int32_t>(mesh_->vertices.size()) - mesh_->topVertexCount;
        int32_t first = 0;
        for (int k = 0; k < 4; ++k) {
            mesh_->edgeFirst[k] = first;
            mesh_->edgeCount[k] = static_cast<int32_t>(lines_[k].size());
            mesh_->edges.insert(mesh_->edges.end(), lines_[k].begin(), lines_[k].end());
            first += mesh_->edgeCount[k];
        }
        if (overflow_) LogError("Terrain mesh exceeds its buffers (%d cells).", cellCount);
        return !overflow_;
    }

private:
    // The plain pattern, or for a split top the one across corners 0-3.
    void AddQuad(const FieldVertex quad[4], bool split) {
        const int32_t q = static_cast<int32_t>(mesh_->vertices.size() / 4);
        if (q >= kFieldMeshMaxQuads || (q + 1) * 4 > kFieldMeshMaxVertices) {
            overflow_ = true;
            return;
        }
        mesh_->vertices.insert(mesh_->vertices.end(), quad, quad + 4);
        static const uint16_t kPlain[6] = {0, 1, 2, 3, 2, 1}, kSplit[6] = {0, 3, 2, 3, 0, 1};
        for (uint16_t offset : split ? kSplit : kPlain) mesh_->indices.push_back(static_cast<uint16_t>(q * 4 + offset));
    }

    void AddShadedQuad(FieldVertex quad[4]) {
        ShadeFieldQuad(field_.light, quad);
        AddQuad(quad, false);
    }

    void AddLine(int k, const FieldVertex& a, const FieldVertex& b) {
        if (static_cast<int32_t>(lines_[k].size()) >= 2 * kFieldMeshMaxLines) {
            overflow_ = true;
            return;
        }
        for (const FieldVertex* v : {&a, &b}) lines_[k].push_back(FieldEdgeVertex{v->x, v->y, v->z, v->w, v->u, v->v});
    }

    // The corners of direction k's edge (a, b) and those of the neighbour's
    // facing edge that meet them (nb meets a, na meets b).
    static void EdgeCorners(int k, int* a, int* b, int* na, int* nb) {
        *a = kFieldEdgeCorners[k][0];
        *b = kFieldEdgeCorners[k][1];
        *na = kFieldEdgeCorners[(k + 2) % 4][0];
        *nb = kFieldEdgeCorners[(k + 2) % 4][1];
    }

    void AddBevels(const QmFieldCell& cell) {
        for (int k = 0; k < 4; ++k) {
            int a, b, na, nb;
            EdgeCorners(k, &a, &b, &na, &nb);
            const QmFieldCell* n = cell.neighbour[k];
            if (!n) {
                FieldVertex quad[4] = {Unlit(cell.top[a]), Unlit(cell.corner[a]), Unlit(cell.top[b]),
                                       Unlit(cell.corner[b])};
                AddQuad(quad, false);
                continue;
            }
            const bool lower = n->top[nb].y <= cell.top[a].y || n->top[na].y <= cell.top[b].y;
            const bool seamless = SamePosition(cell.top[a], n->top[nb]) && SamePosition(cell.top[b], n->top[na]);
            if (!lower || seamless) continue;
            FieldVertex quad[4] = {WithTexel(cell.top[a], kBevelLeft, kBevelTop),
                                   WithTexel(cell.corner[a], kBevelLeft, kBevelBottom),
                                   WithTexel(cell.top[b], kBevelRight, kBevelTop),
                                   WithTexel(cell.corner[b], kBevelRight, kBevelBottom)};
            AddShadedQuad(quad);
        }
    }

    void AddWalls(const QmFieldCell& cell) {
        for (int k = 0; k < 4; ++k) {
            int a, b, na, nb;
            EdgeCorners(k, &a, &b, &na, &nb);
            const QmFieldCell* n = cell.neighbour[k];
            if (!n) {
                FieldVertex quad[4] = {Unlit(cell.corner[a]), Unlit(cell.corner[a]), Unlit(cell.corner[b]),
                                       Unlit(cell.corner[b])};
                quad[1].y = quad[3].y = 0;
                AddQuad(quad, false);
                continue;
            }
            if (!(n->corner[nb].y < cell.corner[a].y || n->corner[na].y < cell.corner[b].y)) continue;
            const FieldVertex* sources[4] = {&cell.corner[a], &n->corner[nb], &cell.corner[b], &n->corner[na]};
            FieldVertex quad[4];
            for (int i = 0; i < 4; ++i) {
                // v follows the height so the wall texture lines up across cells.
                quad[i] = WithTexel(*sources[i], i < 2 ? kWallLeft : kWallRight, static_cast<uint16_t>(sources[i]->y));
            }
            AddShadedQuad(quad);
            AddLine(k, cell.top[a], cell.top[b]);
        }
    }

    const QmField& field_;
    FieldMesh* mesh_;
    std::vector<FieldEdgeVertex> lines_[4];
    bool overflow_ = false;
};

}  // namespace

void ShadeFieldQuad(const float light[3], FieldVertex quad[4]) {
    static const int kCycle[4] = {0, 1, 3, 2};
    float p[4][3];
    for (int i = 0; i < 4; ++i) {
        const FieldVertex& v = quad[kCycle[i]];
        p[i][0] = v.x, p[i][1] = v.y, p[i][2] = v.z;
    }
    int16_t diffuse[4];
    for (int i = 0; i < 4; ++i) {
        float e1[3], e2[3];
        for (int c = 0; c < 3; ++c) {
            e1[c] = p[(i + 1) % 4][c] - p[i][c];
            e2[c] = p[(i + 3) % 4][c] - p[i][c];
        }
        for (float* e : {e1, e2}) {
            if (e[0] == 0 && e[1] == 0 && e[2] == 0) {
                for (int c = 0; c < 3; ++c) e[c] = p[(i + 2) % 4][c] - p[i][c];
            }
        }
        const float cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                e1[0] * e2[1] - e1[1] * e2[0]};
        float lit = 0.0f;  // a corner without a normal is lit side-on
        if (cross[0] != 0 || cross[1] != 0 || cross[2] != 0) {
            float n[3];
            Vec3Normalize(cross, n);
            lit = n[0] * light[0] + n[1] * light[1] + n[2] * light[2];
            if (!std::isfinite(lit)) lit = 0.0f;
            lit = lit < -1.0f ? -1.0f : lit > 1.0f ? 1.0f : lit;
        }
        diffuse[i] = static_cast<int16_t>(TruncateToInt32(0.5 * (lit + 1.0f) * 32767));
    }
    for (int i = 0; i < 4; ++i) {
        quad[kCycle[i]].ambient = 32767;
        quad[kCycle[i]].diffuse = diffuse[i];
    }
}

bool BuildFieldMesh(const QmField& field, FieldMesh* mesh) { return MeshBuilder(field, mesh).Build(); }

void FieldEdgeDirections(float yaw, int32_t out[2]) {
    const double whole = std::isfinite(yaw) ? std::trunc(static_cast<double>(yaw)) : 0.0;
    // The quarter the camera looks from, floor-wrapped so any turn count works.
    double q = std::fmod(std::floor((whole + 360.0) / 90.0), 4.0);
    if (q < 0) q += 4.0;
    const int32_t wrapped = static_cast<int32_t>(q) % 4;
    out[0] = (wrapped + 1) % 4;
    out[1] = (wrapped + 2) % 4;
}
