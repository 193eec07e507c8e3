// Opening a file or folder the way the desktop does (the user's browser for a
// page, the file manager for a folder), through GIO's default-application
// lookup: no shell ever sees the path.
#pragma once

#include <string>

// `path` is absolute or relative to the working folder. False (with a log
// line, and GIO's reason in `why` when given) when no application could be
// started for it.
bool OpenWithDefaultApplication(const char* path, std::string* why = nullptr);
