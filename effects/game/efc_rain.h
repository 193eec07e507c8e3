// Rain over the battle field: up to 6400 drops fall as short lines from
// above the field; a drop that meets the ground (found by a vertical pick of
// the field's cells when it is spawned) turns into a growing, fading splash
// lying on the ground. It runs from its start until it is stopped, and only
// while a field is set as the context. Drawn in the 3D pass by the
// "efc_rain" program in two passes: textured splashes, then plain lines.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/game/efc_base.h"
#include "gfx/gl_program.h"

struct FsMgr;
struct Texture;

constexpr int32_t kRainDrops = 6400;
constexpr int32_t kRainDefaultSpawn = 20;
constexpr int32_t kRainFall = 20;            // units per update
constexpr int32_t kRainTop = 500;            // spawn height of a line's lower end
constexpr int32_t kRainLineLength = 70;
constexpr int32_t kRainFloor = -199;         // a drop without ground dies below this

// 12 bytes: position as four shorts, then four bytes (colour, or texture
// corner and alpha for splashes).
struct RainVertex {
    int16_t x, y, z, w;
    uint8_t r, g, b, a;
};
static_assert(sizeof(RainVertex) == 12, "rain vertices are 12 bytes");

struct RainDrop {
    uint8_t alive;
    uint8_t splashing;
    uint8_t splashFrame;
    uint8_t splashFrames;
    int16_t splashSize;
    int16_t groundX;
    int16_t groundY;  // -1 = no ground under the drop
    int16_t groundZ;
};

class QmEfcRain : public QmEfc {
public:
    explicit QmEfcRain(FsMgr* pack);
    ~QmEfcRain() override;

    // Clears every drop; the arguments are unused.
    int32_t Start(const float from[3], const float to[3], int32_t flag) override;
    void Stop() override;
    // Index 0: drops spawned per update, held to 0..6400 (NaN counts as 0).
    void SetParameter(int32_t index, float value) override;
    void Update() override;
    void Draw(const CameraParams* camera) override;

    int32_t GetSpawnCount() const { return spawnCount_; }
    const RainDrop& GetDrop(int32_t k) const { return drops_[k]; }
    const RainVertex* GetLine(int32_t k) const { return &lines_[2 * k]; }
    const RainVertex* GetSplash(int32_t k) const { return &splashes_[4 * k]; }

private:
    void Spawn(int32_t k);
    void StepFalling(int32_t k);
    void StepSplash(int32_t k);
    void Kill(int32_t k);

    int32_t program_ = -1;
    int32_t locations_[2] = {-1, -1};
    Texture* texture_ = nullptr;
    int32_t spawnCount_ = kRainDefaultSpawn;
    std::unique_ptr<RainDrop[]> drops_;
    std::unique_ptr<RainVertex[]> lines_;     // two per drop: lower, upper
    std::unique_ptr<RainVertex[]> splashes_;  // four per drop
    std::unique_ptr<uint16_t[]> indices_;     // six per splash
};
