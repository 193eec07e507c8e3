// The X11 handles of the program's main window, for the services that read
// the desktop's input through it. No X11 header is needed to hold them.
#pragma once

struct X11WindowHandles {
    void* display = nullptr;         // the window system's Display*
    unsigned long mainWindow = 0;    // the top-level window
    unsigned long renderWindow = 0;  // the drawing area (the main window, or its child in full screen)
};

// The handles of the X11 window system's main window while it exists; all
// zero before it is made and after it is destroyed. Defined with the window
// system (window_x11.cpp).
X11WindowHandles CurrentX11WindowHandles();
