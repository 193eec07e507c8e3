// Arrows: up to ten arrow models flying on a shallow arc from a start point
// to a target, turned along their flight, drawn in the field's object-model
// pass. The model's nose points along +X.
#pragma once

#include <cstdint>

#include "core/mat4.h"
#include "effects/game/efc_base.h"

struct FsMgr;
struct Model;

constexpr int32_t kArrowSlots = 10;
constexpr float kArrowLift = 32.0f;  // added to the target's height by a start with a flag

struct ArrowFlight {
    float start[3];
    float position[3];
    float previous[3];  // before the last step
    float delta[3];     // target (with the lift) minus start
    uint32_t frame;
    uint32_t frames;
    int32_t active;
};

// The model matrix of an arrow that moved from `previous` to `position`:
// translate, turn +X onto the motion, scale 20. False (and no matrix) when it
// did not move, since it has no direction then.
bool ArrowModelMatrix(const float position[3], const float previous[3], Mat4* out);

class QmEfcArrow : public QmEfc {
public:
    explicit QmEfcArrow(FsMgr* pack);
    ~QmEfcArrow() override;

    // 1 when an arrow was started, 0 when all ten fly.
    int32_t Start(const float from[3], const float to[3], int32_t flag) override;
    void Update() override;
    void DrawModels(const CameraParams* camera) override;

    const ArrowFlight& GetFlight(int32_t index) const { return arrows_[index]; }

private:
    Model* model_ = nullptr;
    ArrowFlight arrows_[kArrowSlots] = {};
};
