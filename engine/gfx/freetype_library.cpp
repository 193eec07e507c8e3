// Reference-counted FreeType library shared by every font.
#include "gfx/freetype_library.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/debug_log.h"

namespace {

std::mutex gLibraryMutex;
FT_Library gLibrary = nullptr;
int gUsers = 0;

}  // namespace

FT_Library AcquireFreeTypeLibrary() {
    std::lock_guard<std::mutex> hold(gLibraryMutex);
    if (gUsers == 0) {
        if (FT_Init_FreeType(&gLibrary) != 0) {
            gLibrary = nullptr;
            LogError("FreeType2 initialization failed.");
            return nullptr;
        }
    }
    ++gUsers;
    return gLibrary;
}

void ReleaseFreeTypeLibrary() {
    std::lock_guard<std::mutex> hold(gLibraryMutex);
    if (gUsers == 0) return;
    if (--gUsers == 0) {
        FT_Done_FreeType(gLibrary);
        gLibrary = nullptr;
    }
}

std::mutex& FreeTypeFaceLock() {
    static std::mutex faceLock;
    return faceLock;
}
