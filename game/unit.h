// One character on the battle field: a sprite sheet picked by side and type,
// a cell and a fractional grid position, a facing, and an animation driven by
// a fixed table with a blinking overlay. It is drawn as a camera-facing
// billboard by the field renderer and as a flat sprite by QmUnitLayer. The
// field reads a unit's side and animation in the movement search (a unit
// showing animation 8 lets others pass). Main thread only.
#pragma once

#include <cstdint>

class QmBattle;
class QmField;
struct FsMgr;
struct Mat4;
struct QmBattleCamera;
struct Texture;

// The animation in which a standing unit does not block the movement search.
constexpr int32_t kUnitAnimPassable = 8;
constexpr int32_t kUnitAnimRows = 16;
constexpr int32_t kUnitAnimCount = 15;  // scripts may set 0..14; the odd facings read row anim + 1
constexpr int32_t kUnitFrozenTicks = 0x7FFFFFFF;
constexpr int32_t kUnitSheetSize = 512;

// One row of the animation table: frame 0's rectangle in the sheet (texels),
// frame count, ticks per frame, and whether it loops, is stored turned by 90
// degrees, and carries the blink overlay.
struct UnitAnimRow {
    int16_t x, y, w, h;
    int32_t frames;
    int32_t ticks;
    uint8_t loop, transposed, overlay;
};
extern const UnitAnimRow kUnitAnimTable[kUnitAnimRows];

// A unit vertex: position (w = 1), texture coordinate (texels x 16 until the
// billboard normalises it), colour RGBA8 with red in the lowest byte.
struct UnitVertex {
    int16_t x, y, z, w;
    uint16_t u, v;
    uint32_t colour;
};
static_assert(sizeof(UnitVertex) == 16, "unit vertices are 16 bytes");
// Body quad, then overlay quad, each top-left, bottom-left, top-right, bottom-right.
extern const uint16_t kUnitIndices[12];

struct QmUnit {
    // A plain record (the field's tests use it so); Init makes it a unit.
    // side and type pick the sheet (through UnitSpriteCache from `fs`); the
    // idle animation starts at a random point.
    void Init(int32_t newSide, int32_t newType, FsMgr* fs);
    // Leaves its battle and its cell and gives the sheet back.
    void Destroy();

    // One animation tick and one blink tick.
    void Step();
    // Animations outside 0..14 are ignored. ticks <= 0 takes the table's;
    // loop is or-ed with the table's flag.
    void SetAnim(int32_t newAnim, int32_t ticks, bool loopAnim);
    int32_t GetAnim() const { return anim; }
    // Stands on cell (x, z) when no unit does; without a field, logs and stays.
    void SetPos(int32_t x, int32_t z);
    // World position from the grid position, then the screen position and depth.
    void UpdatePosition(const QmBattleCamera& camera, const QmField& onField, int32_t screenHeight);
    // The body quad and, when the row has one, the overlay quad for a view
    // direction 0..3 (texture coordinates in texels x 16); 6 or 12 indices.
    int32_t BuildQuads(UnitVertex out[8], int32_t view) const;
    // The billboard, with the unit program current and UnitAttribs enabled.
    void Draw(const QmBattleCamera& camera) const;
    // The billboard's model matrix for a view direction: placed toward the camera and turned to face it.
    void BillboardModel(const QmBattleCamera& camera, int32_t view, Mat4* model) const;
    // Whether the middle half of the body quad as drawn (where the figure stands) covers the window
    // point (x, y), y up from the bottom.
    bool CoversWindowPoint(const QmBattleCamera& camera, float x, float y) const;
    // Random tick, frame and blink, so idle units do not move in unison.
    void ResetAnimTiming();

    // Clears the field's cell when it names this unit.
    void LeaveCell();

    void* owner = nullptr;  // the script-side holder (its instance handle), not referenced
    // The battle whose field it was last given; kept after RemoveUnit (the
    // unit still stands on that field) and cleared when that battle dies.
    QmBattle* battle = nullptr;
    Texture* texture = nullptr;  // sprite sheet for (side, type)
    QmField* field = nullptr;    // set when a battle adds the unit
    int32_t cellX = 0, cellZ = 0;
    float gridX = 0, gridHeight = 0, gridZ = 0;
    float worldX = 0, worldY = 0, worldZ = 0;
    float screenX = 0, screenY = 0, depth = 0;
    int32_t side = 0;  // units of one side pass through each other's cells
    int32_t type = 0;
    int32_t dir = 0;  // 0 = +x, 1 = -z, 2 = -x, 3 = +z
    int32_t anim = 2;
    int32_t frame = 0;
    int32_t tick = 0;
    int32_t ticksPerFrame = 12;
    int32_t ended = 0;
    int32_t loop = 1;
    int32_t blink = 0;
    uint32_t colour = 0xFFFFFFFFu;
};

// Clears the battle and field pointers of every live unit (made by Init,
// not yet destroyed) that points at `battle`.
void ForgetBattleInUnits(const QmBattle* battle);

// The view direction of a unit facing `dir` under a camera yaw (degrees):
// which of the four drawings faces the camera. Any yaw gives 0..3.
int32_t UnitViewDirection(int32_t dir, float cameraYaw);
// Fills a quad's texture coordinates (texels x 16, a quarter texel inside)
// for the rectangle (x, y, w, h), stored turned when `transposed`, mirrored
// left to right when `mirrored`.
void UnitTexelQuad(UnitVertex quad[4], int32_t x, int32_t y, int32_t w, int32_t h, bool transposed, bool mirrored);

// The unit program's attribute locations, looked up when the field programs
// load; enabled around the unit pass.
struct UnitAttribs {
    int32_t position = -1, texCoord = -1, colour = -1;
    void Lookup(uint32_t program);
    void Enable() const;
    void Disable() const;
};
UnitAttribs& GetUnitAttribs();

// Sprite sheets shared by units of one side and type, by reference count.
namespace UnitSpriteCache {
constexpr int32_t kEntries = 20;
// The sheet's file name; false for types outside 0..33.
bool SheetName(int32_t side, int32_t type, char* out, int32_t size);
// The sheet, loaded on first use; null when it cannot be loaded, the type
// has no sheet or all 20 entries are taken.
Texture* Acquire(int32_t side, int32_t type, FsMgr* fs);
void Release(int32_t side, int32_t type);
// Entries in use (tests).
int32_t CountInUse();
}  // namespace UnitSpriteCache
