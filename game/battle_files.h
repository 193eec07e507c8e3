// The files a battle reads from the pack besides its map: terrain textures,
// unit sheets, marker pictures and the field's programs. A battle runs
// without any of them; each one missing is named once a run, in one warning
// that says what goes undrawn without it.
#pragma once

struct FsMgr;

// True when `fs` holds `name`. Otherwise false, with the warning
// "NAME" is not in the pack: UNDRAWN the first time `name` is missed.
bool BattleFileThere(FsMgr* fs, const char* name, const char* undrawn);

// Starts a new run: every missing file is named again.
void ForgetMissingBattleFiles();
