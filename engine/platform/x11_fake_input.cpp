#include "platform/x11_fake_input.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

bool SendFakeKey(void* display, unsigned long keysym, bool down) {
    Display* connection = static_cast<Display*>(display);
    KeyCode code = XKeysymToKeycode(connection, keysym);
    if (code == 0) return false;
    bool ok = XTestFakeKeyEvent(connection, code, down ? True : False, CurrentTime);
    XSync(connection, False);
    return ok;
}

bool SendFakeButton(void* display, unsigned button, bool down) {
    Display* connection = static_cast<Display*>(display);
    bool ok = XTestFakeButtonEvent(connection, button, down ? True : False, CurrentTime);
    XSync(connection, False);
    return ok;
}
