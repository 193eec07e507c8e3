// The battle field: a grid of W x D square cells 64 world units wide, with
// heights in levels of 16 units, corner shapes (ramps), walkability, object
// models standing on cells, the top and side terrain textures, and the state
// of the last range search. The grid is centred on the world origin; cell
// (x, z) is element z * W + x. Main thread only.
//
// Directions are 0 = +x, 1 = -z, 2 = -x, 3 = +z, 4 = none (or the start of a
// route). Corners of a cell are 0 = (-x, -z), 1 = (-x, +z), 2 = (+x, -z),
// 3 = (+x, +z).
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/gl_program.h"

struct Allocator;
struct CameraParams;
struct FsMgr;
struct Model;
struct QmUnit;
struct Texture;

constexpr int32_t kFieldCellSize = 64;    // world units across a cell
constexpr int32_t kFieldLevelHeight = 16;  // world units per height level
constexpr int32_t kFieldTopLift = 6;       // drawn tops stand this far above their raw corners
constexpr int32_t kFieldMaxCells = 576;    // the terrain and marker buffers hold this many
constexpr int32_t kFieldMaxWidth = 99;     // cell codes z * 100 + x stay unique
constexpr int32_t kFieldMaxLevel = 19;     // picking covers levels 0..19
constexpr int32_t kFieldModelSlots = 20;
constexpr int32_t kFieldTextureCacheSize = 20;
constexpr int32_t kFieldNameSize = 64;

enum FieldDirection : int32_t { kDirPlusX = 0, kDirMinusZ = 1, kDirMinusX = 2, kDirPlusZ = 3, kDirNone = 4 };

// Search flags of FindRange and FindRangeArea.
enum FieldRangeFlags : int32_t { kRangeNoPanels = 1, kRangeMovement = 2 };

// A terrain vertex as drawn: position in world units (w = 1), texture
// coordinates in texels, and normalised ambient and diffuse terms.
struct FieldVertex {
    int16_t x, y, z, w;
    uint16_t u, v;
    int16_t ambient, diffuse;
};
static_assert(sizeof(FieldVertex) == 16, "terrain vertices are 16 bytes");

// A vertex of the markers laid on cell tops (range panels, route, cursor).
struct MarkerVertex {
    float position[3];
    float texCoord[2];
    uint32_t colour;  // RGBA8, red in the lowest byte
};
static_assert(sizeof(MarkerVertex) == 24, "marker vertices are 24 bytes");

struct QmFieldCell {
    int32_t x;
    int32_t height;  // levels; 0 = a hole: no ground, never walkable
    int32_t z;
    QmFieldCell* neighbour[4];  // by direction; null at the map edge
    FieldVertex top[4];         // the top face as drawn (inset, lifted, lit)
    FieldVertex corner[4];      // the raw corners
    int32_t cost;               // budget left by the last search; -1 = not reached
    int32_t cameFrom;           // direction of the move that entered; 4 = start; -1 = none
    int32_t step;               // cells covered by that move: 1, 2 for a jump, 0 at the start
    int32_t chip;               // picture of the top face in the top texture
    QmUnit* unit;
    int32_t shape;  // corner-table row shape % 20, rise shape / 20 + 1
    int32_t walkable;
    int32_t inRange;
    Model* model;  // borrowed from the field's slots
    float matrix[16];
    float centre[3];
    float extent[3];
    int32_t objectHeight;  // levels; objects of 12 and more fade before the camera
    float alpha;           // 0.4..1
    float radius;
};

// Corner-table row of a shape: which corners are raised and which diagonal
// splits the top. Rows outside the table read as row 0 (flat).
struct FieldCornerShape {
    uint8_t raised[4];
    uint8_t split;  // 0 = corners 1-2, 1 = corners 0-3
};
const FieldCornerShape& GetCornerShape(int32_t shape);
// The edge of direction k joins these two corners of a cell.
extern const int kFieldEdgeCorners[4][2];

// Where the range searches queue their panels; the battle's marker overlay.
class FieldPanelSink {
public:
    virtual void ClearPanels() = 0;
    // `position` is the fractional cell position of a cell centre.
    virtual void AddPanel(const float position[3], int32_t colour) = 0;

protected:
    ~FieldPanelSink() = default;
};

class QmField {
public:
    // `light` is the normalised light direction that shades the terrain.
    explicit QmField(const float light[3]);
    ~QmField();
    QmField(const QmField&) = delete;
    QmField& operator=(const QmField&) = delete;

    // Loads map `mapId` (area * 100 + map): "field/AA-MM.txt", its object
    // models and the area's terrain textures. A missing or malformed map
    // leaves the field empty (W = D = 0) with one log line.
    void LoadMap(int32_t mapId, FsMgr* fs, Allocator* allocator);
    // Releases everything the map loaded; the field is empty afterwards.
    void Clear();
    // A fresh grid of zeroed cells (cost -1, cameFrom -1); false, and the
    // field empty, unless 1 <= width <= 99, depth >= 1 and width x depth <= 576.
    bool AllocCells(int32_t width, int32_t depth);
    // After the cells' heights, shapes, chips and walkable flags (1 = may be
    // entered) are set: links neighbours, clears walkable on holes, computes
    // raw corners and drawn tops, and resets the range state.
    void FinishCells();
    // Deletes the terrain buffers (a lost device); names become kNoBuffer.
    void ReleaseBuffers();
    // Builds the terrain mesh from the cells into GL buffers (after a load).
    void BuildMesh();
    // A new device: the buffers again, from the cells.
    void RestoreBuffers() { BuildMesh(); }

    // The terrain passes, with the caller's program current: tops and sides
    // (top then side texture), the outline lines facing a camera of `yaw`
    // degrees, the opaque object models, then the half-faded ones blended.
    void DrawBlocks();
    void DrawEdges(float yaw);
    void DrawObjects();
    void DrawFadingObjects();

    // The cell at (x, z), or null outside the grid.
    QmFieldCell* GetCell(int32_t x, int32_t z) const;
    bool Contains(int32_t x, int32_t z) const { return x >= 0 && z >= 0 && x < width && z < depth; }

    // Fractional cell position (x, h, z) to world space.
    void CellToWorld(float x, float h, float z, float out[3]) const;
    // (col + 0.5, GetHeightAt, row + 0.5) of the cell under a world point.
    void WorldToCell(const float point[3], float out[3]) const;
    // Levels at a fractional cell position from the shape alone; -1 outside.
    float GetHeightAt(float x, float z) const;
    // Levels of the drawn surface under a fractional position; -1 outside or no hit.
    float GetSurfaceHeight(float x, float z) const;

    QmUnit* GetUnit(int32_t x, int32_t z) const;
    // Outside the grid: "Invalid position." and no change.
    void SetUnit(QmUnit* unit, int32_t x, int32_t z);
    int32_t IsWalkable(int32_t x, int32_t z) const;
    int32_t IsInRange(int32_t x, int32_t z) const;
    int32_t GetChip(int32_t x, int32_t z) const;

    // Compares the edge a shares with neighbour b: 0 for a seamless join,
    // else 1 with `step` = a's edge height minus b's in levels. For cells
    // that are not neighbours, 1 with step = b.height - a.height.
    int RampStep(const QmFieldCell* a, const QmFieldCell* b, int32_t* step) const;
    // RampStep of two grid cells (0 = seamless); false when either lies outside.
    int CheckRamp(int32_t x0, int32_t z0, int32_t x1, int32_t z1) const;
    // The ray against the cell's top face (raw footprint at the drawn height).
    bool CellRayTest(const QmFieldCell* cell, const float origin[3], const float direction[3], float hit[3]) const;
    // The highest cell top the ray meets, level 19 down to 0; 1 with the hit point.
    int PickCell(const float origin[3], const float direction[3], float hit[3]) const;

    // The drawn top of the cell under a fractional position as a marker quad
    // (texture coordinates and colours untouched) and its six indices from
    // `base`, split as the top is; outside the grid the quad is zeroed and
    // the indices are left alone.
    void GetCellQuad(MarkerVertex quad[4], uint16_t indices[6], uint16_t base, const float position[3]) const;
    // Fades the tall objects that stand between the camera and its target.
    void Update(const CameraParams& camera);
    // The model loader's texture callback: png in place of the extension when
    // the pack has it, shared through a cache of 20 names.
    Texture* LoadModelTexture(const char* name, FsMgr* fs);

    // --- range and route search ------------------------------------------------------
    // Marks the cells reachable from (x, z) having spent min..max steps; with
    // kRangeMovement the unit's movement rules (walkability, units, ramps,
    // jumps of `jump` levels) apply, else a plain flood limited by `jump`.
    void FindRange(QmUnit* unit, int32_t x, int32_t z, int32_t min, int32_t max, int32_t jump, int32_t colour,
                   int32_t flags);
    // Marks (x + dx, z + dz) for each offset triple (dx, unused, dz) whose
    // height differs from the origin's by at most `limit`.
    void FindRangeArea(int32_t x, int32_t z, const int32_t* offsets, int32_t count, int32_t limit, int32_t colour,
                       int32_t flags);
    void ResetRange();
    bool IsRangeSet() const { return rangeX != -1 || rangeZ != -1; }
    // (x, height, z) of the in-range cells in index order, at most `maximum`; the count.
    int32_t GetRangeCells(int32_t* out, int32_t maximum) const;
    // The route to (x, z) as (x, height, z) triples, target first, origin
    // last; -1 without a path or when it has more than `maximum` cells.
    int32_t GetRoute(int32_t x, int32_t z, int32_t* out, int32_t maximum) const;
    // Whole steps spent to reach (x, z); -1 outside or without a path.
    int32_t GetRouteCost(int32_t x, int32_t z) const;
    // The main direction from (x0, z0) towards (x1, z1).
    static int32_t DirectionTo(int32_t x0, int32_t z0, int32_t x1, int32_t z1);
    // The diagonal (0 = (1, 1), 1 = (1, -1), 2 = (-1, -1), 3 = (-1, 1)) whose
    // cells and objects rise least; 0 outside the grid.
    int32_t FindClearDir(int32_t x, int32_t z) const;

    // --- state, read by the battle, its renderer and its markers ---------------------
    FieldPanelSink* markers = nullptr;  // not owned
    float light[3];
    Model* models[kFieldModelSlots] = {};
    Texture* textureCache[kFieldTextureCacheSize] = {};
    char textureNames[kFieldTextureCacheSize][kFieldNameSize] = {};
    QmFieldCell* cells = nullptr;
    int32_t width = 0;  // W
    int32_t depth = 0;  // D
    Texture* topTexture = nullptr;
    Texture* sideTexture = nullptr;
    int32_t blockAttribs[4] = {-1, -1, -1, -1};
    int32_t topVertexCount = 0;
    int32_t sideVertexCount = 0;
    uint32_t vertexBuffer = kNoBuffer;
    uint32_t indexBuffer = kNoBuffer;
    int32_t edgeFirst[4] = {};
    int32_t edgeCount[4] = {};
    uint32_t edgeBuffer = kNoBuffer;
    int32_t edgeAttribs[2] = {-1, -1};
    int32_t rangeX = -1;
    int32_t rangeZ = -1;
    int32_t rangeMin = 0;
    int32_t rangeMax = 0;
    int32_t rangeColour = 0;
    int32_t rangeFlags = 0;

private:
    void ComputeCellCorners(QmFieldCell* cell) const;
    void ComputeCellTop(QmFieldCell* cell) const;
    void FloodRange(const QmFieldCell* previous, int32_t direction, int32_t x, int32_t z, int32_t budget,
                    int32_t jump);
    QmFieldCell* FindMoveRange(const QmFieldCell* previous, const QmUnit* unit, int32_t direction, int32_t step,
                               int32_t x, int32_t z, int32_t budget, int32_t jump);
    // The cost of a move of `step` cells from `previous` into `cell`, or
    // kMoveBlocked (a unit bars it) or kMoveRefused (it cannot be entered).
    int32_t MoveCost(const QmFieldCell* previous, const QmFieldCell* cell, int32_t step, const QmUnit* unit,
                     int32_t jump) const;
    void FindBestBudgets(int32_t x, int32_t z, int32_t budget, const QmUnit* unit, int32_t jump);
    void QueuePanels();

    std::vector<int32_t> bestBudget_;  // per cell, of the running movement search
    // Textures past the cache's 20 entries, released by Clear.
    Texture** extraTextures_ = nullptr;
    int32_t extraTextureCount_ = 0;
};
