// Starts GTK once for the whole process (the dialogs share it). Used only by
// the toolkit's own files in this folder.
#pragma once

// False when there is no display to show dialogs on.
bool StartGtk();
