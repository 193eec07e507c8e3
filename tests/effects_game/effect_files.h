// A pack folder for the effect system's tests: effect/red.skfe and
// effect/green.skfe (flat one-colour sprites made by the effect writer that
// share effect/tex/dot.png) and a list.txt given as text.
#pragma once

#include <string>

#include "tests/gfx/gfx_fixture.h"
#include "tests/support/temp_dir.h"

struct FsMgr;
class EffectSystem;

class EffectSystemTest : public GfxTest {
protected:
    void TearDown() override;
    // Writes the folder with `list` (no list.txt when null) and makes a new system.
    EffectSystem* Make(const char* list);
    static void Run(int updates);
    // Pixels of [x0, x1) x [y0, y1) whose channel (0 red, 1 green) is above half.
    static int LitCount(int x0, int y0, int x1, int y1, int channel);

    TempDir dir_;
    FsMgr* pack_ = nullptr;
};
