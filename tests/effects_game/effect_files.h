// Effect folders for the effect system's tests: flat one-colour sprites made
// by the effect writer, a shared dot texture and a list.txt given as text.
#pragma once

#include <string>

#include "tests/gfx/gfx_fixture.h"
#include "tests/support/temp_dir.h"

struct FsMgr;
class EffectSystem;

// Writes effect/red.skfe and effect/green.skfe (both using effect/tex/dot.png)
// and effect/list.txt with `list` (none when `list` is null).
bool WriteEffectFolder(const TempDir& dir, const char* list);

// A headless GL context, a pack folder and the effect system made over it.
class EffectSystemTest : public GfxTest {
protected:
    void TearDown() override;
    // Writes the folder with `list` and makes the system.
    EffectSystem* Make(const char* list);
    // Updates the effects `frames` times (stopped plays are freed after three).
    static void Run(int frames);
    // Pixels of [x0, x1) x [y0, y1) whose channel (0 red, 1 green) is above half.
    static int LitCount(int x0, int y0, int x1, int y1, int channel);

    TempDir dir_;
    FsMgr* pack_ = nullptr;
    EffectSystem* fx_ = nullptr;
};
