// The one FreeType library the fonts share. It is opened with the first user
// and closed with the last. FreeType lets threads share a library as long as
// faces are not opened or closed concurrently, so both go through
// FreeTypeFaceLock.
#pragma once

#include <mutex>

typedef struct FT_LibraryRec_* FT_Library;

// The shared library, opening it for the first user; null (with a log line)
// when FreeType cannot start. Every non-null result needs one release.
FT_Library AcquireFreeTypeLibrary();
void ReleaseFreeTypeLibrary();

// Held while a face is opened or closed.
std::mutex& FreeTypeFaceLock();
