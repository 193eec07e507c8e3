// Units: the animation table and its stepping, placing on cells, the
// position update and the quads that the billboard and the unit layer draw.
#include "game/unit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/random.h"
#include "game/battle.h"
#include "game/field.h"
#include "platform/debug_log.h"

const UnitAnimRow kUnitAnimTable[kUnitAnimRows] = {
    {0, 0, 64, 96, 4, 9, 1, 0, 1},      {0, 96, 64, 96, 4, 9, 1, 0, 0},     {256, 0, 64, 96, 4, 12, 1, 0, 1},
    {256, 96, 64, 96, 4, 12, 1, 0, 0},  {0, 192, 96, 96, 5, 8, 0, 0, 0},    {0, 288, 96, 96, 5, 8, 0, 0, 0},
    {64, 384, 64, 96, 1, 60, 0, 1, 0},  {64, 448, 64, 96, 1, 60, 0, 1, 0},  {0, 386, 64, 62, 1, 60, 0, 0, 0},
    {0, 450, 64, 62, 1, 60, 0, 0, 0},   {160, 384, 64, 96, 1, 60, 0, 1, 0}, {160, 448, 64, 96, 1, 60, 0, 1, 0},
    {256, 384, 64, 96, 1, 60, 0, 1, 0}, {256, 448, 64, 96, 1, 60, 0, 1, 0}, {448, 416, 64, 96, 1, 60, 0, 0, 0},
    {448, 416, 64, 96, 1, 60, 0, 0, 0},
};

const uint16_t kUnitIndices[12] = {0, 1, 2, 3, 2, 1, 4, 5, 6, 7, 6, 5};

namespace {

// Height of the blink overlay above the body's lower edge, by (anim / 2) x 4 + frame.
const int8_t kOverlayLift[32] = {0, -1, 0, -1, 0, -1, -2, -1, 0, 0, 1, 0, 2, 0, 3, 0,
                                 2, 0,  1, 0,  4, 0,  5,  0,  6, 0, 7, 0, 6, 0, 5, 0};

constexpr int32_t kOverlayTileX = 480;
constexpr int32_t kOverlayTileSize = 32;

// Units made by Init and not yet destroyed: a dying battle clears their
// pointers to it, listed or removed.
std::vector<QmUnit*>& LiveUnits() {
    static std::vector<QmUnit*> units;
    return units;
}

int32_t FloorMod(int32_t value, int32_t modulus) {
    const int32_t r = value % modulus;
    return r < 0 ? r + modulus : r;
}

// Overlay tile row offset of the blink cycle: open, half, closed, half.
int32_t BlinkTile(int32_t blink) {
    switch (blink / 3) {
        case 1: return 1;
        case 2: return 2;
        case 3: return 1;
        default: return 0;
    }
}

}  // namespace

void QmUnit::Init(int32_t newSide, int32_t newType, FsMgr* fs) {
    side = newSide;
    type = newType;
    texture = UnitSpriteCache::Acquire(side, type, fs);
    const UnitAnimRow& idle = kUnitAnimTable[anim];
    ticksPerFrame = idle.ticks;
    loop = idle.loop;
    ResetAnimTiming();
    LiveUnits().push_back(this);
}

void QmUnit::Destroy() {
    if (battle != nullptr) battle->RemoveUnit(this);
    LeaveCell();
    if (texture != nullptr) UnitSpriteCache::Release(side, type);
    texture = nullptr;
    field = nullptr;
    battle = nullptr;
    auto& live = LiveUnits();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void ForgetBattleInUnits(const QmBattle* dying) {
    for (QmUnit* unit : LiveUnits()) {
        if (unit->battle != dying) continue;
        unit->battle = nullptr;
        unit->field = nullptr;
    }
}

void QmUnit::LeaveCell() {
    if (field != nullptr && field->GetUnit(cellX, cellZ) == this) field->SetUnit(nullptr, cellX, cellZ);
}

void QmUnit::Step() {
    if (ended != 0) return;
    if (ticksPerFrame != kUnitFrozenTicks) {
        if (++tick >= ticksPerFrame) {
            ++frame;
            tick = 0;
        }
        const int32_t frames = kUnitAnimTable[anim].frames;
        if (frame >= frames) {
            if (loop != 0) {
                frame = 0;
            } else {
                frame = frames - 1;
                ended = 1;
            }
        }
    }
    if (++blink >= 12) blink = RandomRange(nullptr, -180, -120);
}

void QmUnit::SetAnim(int32_t newAnim, int32_t ticks, bool loopAnim) {
    if (newAnim < 0 || newAnim >= kUnitAnimCount) {
        LogWarning("unit: animation %d is not one of 0..%d; kept %d", newAnim, kUnitAnimCount - 1, anim);
        return;
    }
    const UnitAnimRow& row = kUnitAnimTable[newAnim];
    anim = newAnim;
    loop = (loopAnim || row.loop != 0) ? 1 : 0;
    ticksPerFrame = ticks > 0 ? ticks : row.ticks;
    tick = frame = ended = 0;
    if (newAnim == 2) ResetAnimTiming();
}

void QmUnit::ResetAnimTiming() {
    const UnitAnimRow& row = kUnitAnimTable[anim];
    if (row.ticks < 1) {
        tick = frame = 0;
    } else {
        tick = RandomRange(nullptr, 0, row.ticks);
        frame = RandomRange(nullptr, 0, row.frames);
    }
    blink = RandomRange(nullptr, -180, 0);
}

void QmUnit::SetPos(int32_t x, int32_t z) {
    if (field == nullptr) {
        LogWarning("unit: SetPos(%d, %d) before the unit is in a battle; ignored", x, z);
        return;
    }
    if (field->GetUnit(x, z) != nullptr) return;
    if (!field->Contains(x, z)) {
        field->SetUnit(this, x, z);  // reports the bad position
        return;
    }
    LeaveCell();
    field->SetUnit(this, x, z);
    gridX = static_cast<float>(x) + 0.5f;
    gridZ = static_cast<float>(z) + 0.5f;
    gridHeight = field->GetHeightAt(gridX, gridZ);
    cellX = x;
    cellZ = z;
}

void QmUnit::UpdatePosition(const QmBattleCamera& camera, const QmField& onField, int32_t screenHeight) {
    float world[3];
    onField.CellToWorld(gridX, gridHeight, gridZ, world);
    world[1] -= camera.pitch * 0.2f + 6.0f;
    worldX = world[0], worldY = world[1], worldZ = world[2];
    float screen[3] = {0, 0, 0};
    camera.WorldToScreen(world, screen);
    screenX = screen[0];
    screenY = static_cast<float>(screenHeight) - screen[1];
    depth = screen[2];
}

void UnitTexelQuad(UnitVertex quad[4], int32_t x, int32_t y, int32_t w, int32_t h, bool transposed, bool mirrored) {
    auto set = [quad](int corner, int32_t u, int32_t v) {
        quad[corner].u = static_cast<uint16_t>(u);
        quad[corner].v = static_cast<uint16_t>(v);
    };
    if (!transposed) {
        int32_t left = x * 16 + 4, right = (x + w) * 16 - 4;
        const int32_t top = y * 16 + 4, bottom = (y + h) * 16 - 4;
        if (mirrored) std::swap(left, right);
        set(0, left, top), set(1, left, bottom), set(2, right, top), set(3, right, bottom);
    } else {
        const int32_t a = x * 16 + 4, b = (x + h) * 16 - 4;
        int32_t c = y * 16 + 4, d = (y + w) * 16 - 4;
        if (mirrored) std::swap(c, d);
        set(0, a, c), set(1, b, c), set(2, a, d), set(3, b, d);
    }
}

int32_t UnitViewDirection(int32_t dir, float cameraYaw) {
    // The yaw's quarter, counted the same for any number of whole turns.
    const float turn = std::isfinite(cameraYaw) ? std::fmod(cameraYaw, 360.0f) : 0.0f;
    const int32_t quarter = FloorMod(static_cast<int32_t>(turn), 360) / 90;
    return FloorMod(dir - quarter, 4);
}

int32_t QmUnit::BuildQuads(UnitVertex out[8], int32_t view) const {
    const bool oddRow = view == 1 || view == 2;
    const bool mirrored = view == 1 || view == 3;
    const int32_t animIndex = std::min(std::max(anim, 0), kUnitAnimCount - 1);
    const UnitAnimRow& row = kUnitAnimTable[animIndex + (oddRow ? 1 : 0)];
    const int32_t halfW = row.w / 2, halfH = row.h / 2;
    const int16_t body[4][2] = {{static_cast<int16_t>(-halfW), static_cast<int16_t>(halfH)},
                                {static_cast<int16_t>(-halfW), static_cast<int16_t>(-halfH)},
                                {static_cast<int16_t>(halfW), static_cast<int16_t>(halfH)},
                                {static_cast<int16_t>(halfW), static_cast<int16_t>(-halfH)}};
    for (int i = 0; i < 4; ++i) out[i] = {body[i][0], body[i][1], 0, 1, 0, 0, colour};
    UnitTexelQuad(out, row.x + frame * row.w, row.y, row.w, row.h, row.transposed != 0, mirrored);
    if (row.overlay == 0) return 6;

    const int32_t lift = kOverlayLift[(animIndex / 2) * 4 + std::min(std::max(frame, 0), 3)];
    const int16_t top = static_cast<int16_t>(lift + kOverlayTileSize), bottom = static_cast<int16_t>(lift);
    const int16_t overlay[4][2] = {{-16, top}, {-16, bottom}, {16, top}, {16, bottom}};
    for (int i = 0; i < 4; ++i) out[4 + i] = {overlay[i][0], overlay[i][1], 1, 1, 0, 0, colour};
    UnitTexelQuad(out + 4, kOverlayTileX, (6 + BlinkTile(blink)) * kOverlayTileSize, kOverlayTileSize,
                  kOverlayTileSize, row.transposed != 0, mirrored);
    return 12;
}
