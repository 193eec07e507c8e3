// The dialog toolkit (GTK 3, in the qm_dialogs library) shared by every
// dialog of the program: started once, before the first dialog, and pumped
// where a blocking step follows a change on screen.
#pragma once

// Starts GTK once without touching the process's locale; false without a display.
bool StartGtk();
// Handles what waits in GTK's queue (repaints a label before a blocking request).
void PumpDialogEvents();
