// Picks the EGL configuration the engine draws with: colour exactly 8-8-8, no
// alpha, 16-bit depth, OpenGL ES 2 renderable. EGL sorts deeper colour first, so
// the first match of eglChooseConfig may be 10-10-10; this takes the first whose
// sizes are exact.
#pragma once

#include <EGL/egl.h>

bool ChooseEngineEglConfig(EGLDisplay display, EGLint surfaceType, EGLConfig* config);
