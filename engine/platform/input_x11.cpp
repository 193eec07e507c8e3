// The desktop's pointer and keyboard on X11, sampled by query rather than by
// events: XQueryPointer for the cursor and buttons relative to the drawing
// area, XQueryKeymap for the keys, whose state is global like the keyboard's
// own. Virtual-key codes reach the key map through a table of key symbols.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstring>

#include "platform/input_devices.h"
#include "platform/press_latch.h"

namespace {

struct VirtualKeyRow {
    int virtualKey;
    unsigned long keysyms[2];
};

// Virtual-key codes that are not letters, digits, keypad digits or function keys.
constexpr VirtualKeyRow kVirtualKeyTable[] = {
    {0x08, {XK_BackSpace, 0}},
    {0x09, {XK_Tab, 0}},
    {0x0D, {XK_Return, XK_KP_Enter}},
    {0x10, {XK_Shift_L, XK_Shift_R}},
    {0x11, {XK_Control_L, XK_Control_R}},
    {0x12, {XK_Alt_L, XK_Alt_R}},
    {0x13, {XK_Pause, 0}},
    {0x1B, {XK_Escape, 0}},
    {0x20, {XK_space, 0}},
    {0x21, {XK_Prior, XK_KP_Prior}},
    {0x22, {XK_Next, XK_KP_Next}},
    {0x23, {XK_End, XK_KP_End}},
    {0x24, {XK_Home, XK_KP_Home}},
    {0x25, {XK_Left, XK_KP_Left}},
    {0x26, {XK_Up, XK_KP_Up}},
    {0x27, {XK_Right, XK_KP_Right}},
    {0x28, {XK_Down, XK_KP_Down}},
    {0x2D, {XK_Insert, XK_KP_Insert}},
    {0x2E, {XK_Delete, XK_KP_Delete}},
    {0xA0, {XK_Shift_L, 0}},
    {0xA1, {XK_Shift_R, 0}},
    {0xA2, {XK_Control_L, 0}},
    {0xA3, {XK_Control_R, 0}},
};

class X11DesktopInput final : public DesktopInput {
public:
    X11DesktopInput(Display* display, Window mainWindow, Window renderWindow)
        : display_(display), mainWindow_(mainWindow), renderWindow_(renderWindow) {
        Window root = 0;
        int x = 0, y = 0;
        unsigned width = 0, height = 0, border = 0, depth = 0;
        // The window's size is fixed, so it is read once.
        if (XGetGeometry(display_, renderWindow_, &root, &x, &y, &width, &height, &border, &depth)) {
            clientWidth_ = static_cast<int32_t>(width);
            clientHeight_ = static_cast<int32_t>(height);
        }
        memset(keymap_, 0, sizeof keymap_);
    }

    bool IsActive() override {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        if (focus == mainWindow_ || focus == renderWindow_) return true;
        if (focus != PointerRoot) return false;
        // Focus follows the pointer: active while the pointer is over our window.
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned mask = 0;
        if (!XQueryPointer(display_, mainWindow_, &root, &child, &rootX, &rootY, &x, &y, &mask)) return false;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, mainWindow_, &attributes)) return false;
        return x >= 0 && y >= 0 && x < attributes.width && y < attributes.height;
    }

    bool ReadPointer(PointerSample* sample) override {
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned mask = 0;
        if (!XQueryPointer(display_, renderWindow_, &root, &child, &rootX, &rootY, &x, &y, &mask)) return false;
        sample->x = x;
        sample->y = y;
        sample->clientWidth = clientWidth_;
        sample->clientHeight = clientHeight_;
        // A press seen since the last sample counts as down even when already released.
        sample->left = TakeLatchedButton(1) || (mask & Button1Mask) != 0;
        sample->middle = TakeLatchedButton(2) || (mask & Button2Mask) != 0;
        sample->right = TakeLatchedButton(3) || (mask & Button3Mask) != 0;
        return true;
    }

    void SampleKeyboard() override {
        XQueryKeymap(display_, keymap_);
        TakeLatchedKeys(keymap_);
    }

    bool IsVirtualKeyDown(int virtualKey) override {
        unsigned long keysyms[2];
        int count = KeysymsForVirtualKey(virtualKey, keysyms);
        for (int i = 0; i < count; ++i) {
            KeyCode code = XKeysymToKeycode(display_, keysyms[i]);
            if (code != 0 && (keymap_[code / 8] & (1 << (code % 8))) != 0) return true;
        }
        return false;
    }

private:
    Display* display_;
    Window mainWindow_;
    Window renderWindow_;
    int32_t clientWidth_ = 0;
    int32_t clientHeight_ = 0;
    char keymap_[32];
};

}  // namespace

int KeysymsForVirtualKey(int virtualKey, unsigned long keysyms[2]) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        keysyms[0] = XK_a + static_cast<unsigned long>(virtualKey - 'A');
        return 1;
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
        keysyms[0] = XK_0 + static_cast<unsigned long>(virtualKey - '0');
        return 1;
    }
    if (virtualKey >= 0x60 && virtualKey <= 0x69) {  // the keypad's digits
        keysyms[0] = XK_KP_0 + static_cast<unsigned long>(virtualKey - 0x60);
        return 1;
    }
    if (virtualKey >= 0x70 && virtualKey <= 0x7B) {  // F1 to F12
        keysyms[0] = XK_F1 + static_cast<unsigned long>(virtualKey - 0x70);
        return 1;
    }
    for (const VirtualKeyRow& row : kVirtualKeyTable) {
        if (row.virtualKey != virtualKey) continue;
        keysyms[0] = row.keysyms[0];
        keysyms[1] = row.keysyms[1];
        return row.keysyms[1] != 0 ? 2 : 1;
    }
    return 0;
}

std::unique_ptr<DesktopInput> OpenX11DesktopInput(const X11WindowHandles& handles) {
    if (handles.display == nullptr || handles.mainWindow == 0 || handles.renderWindow == 0) return nullptr;
    return std::make_unique<X11DesktopInput>(static_cast<Display*>(handles.display), handles.mainWindow,
                                             handles.renderWindow);
}
