// Focus lines: concentration lines bursting from the centre of the screen
// for 20 frames. Two sets of 54 random line quads are made at the start and
// shown in turn every 5 frames, which makes the lines flicker. Drawn in the
// 2D pass with the Std2d program.
#pragma once

#include <cstdint>

#include "effects/game/efc_base.h"

struct FsMgr;
struct QuadBatch;
struct Texture;

constexpr int32_t kFocusLineSectors = 9;
constexpr int32_t kFocusLinesPerSector = 6;
constexpr int32_t kFocusLineCount = kFocusLineSectors * kFocusLinesPerSector;
constexpr uint32_t kFocusLineFrames = 20;
constexpr uint32_t kFocusLineSwapFrames = 5;

class QmEfcFocusLines : public QmEfc {
public:
    explicit QmEfcFocusLines(FsMgr* pack);
    ~QmEfcFocusLines() override;

    // The points and the flag are unused; builds both sets for the current
    // screen size from the global random state and restarts the 20 frames.
    int32_t Start(const float from[3], const float to[3], int32_t flag) override;
    void Update() override;
    void DrawScreen() override;

    // The set shown on the current frame (the first one on frames 0-4, 10-14).
    const QuadBatch* GetShownBatch() const;
    const QuadBatch* GetBatch(int index) const { return batches_[index]; }
    uint32_t GetFrame() const { return frame_; }

private:
    Texture* texture_ = nullptr;
    QuadBatch* batches_[2] = {};
    uint32_t frame_ = 0;
    uint32_t frames_ = kFocusLineFrames;
};
