// The dialog toolkit (GTK 3, in the qm_dialogs library) shared by every
// dialog of the program: started once, before the first dialog, and pumped
// where a blocking step follows a change on screen. Work done on other
// threads comes back to the dialogs through their event loop.
#pragma once

#include <functional>

// Starts GTK once without touching the process's locale; false without a display.
bool StartGtk();
// Handles what waits in GTK's queue without waiting for more (a closed dialog
// leaves the screen at once).
void PumpDialogEvents();
// Runs `task` on the thread that runs the dialogs, from inside their event
// loop (whichever dialog loop runs next); callable from any thread.
void RunInDialogLoop(std::function<void()> task);
