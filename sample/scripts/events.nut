// Names for the App's event words, so the log reads as what happened.
// Loaded by system.nut through App.DoScript("events").

EventCode <- {
    Tick = 0, LeftPush = 1, LeftRelease = 2, RightClick = 3, Drag = 4,
    Wheel = 5, WheelStep = 6, KeyPush = 7, KeyRelease = 8
};

// The twelve keys of the keyboard block, by index.
KeyNames <- ["Left", "Right", "Up", "Down", "Z", "X", "C", "V", "A", "D", "W", "S"];
DragNames <- ["left", "right", "up", "down"];

function DescribeEvent(code, arg) {
    switch (code) {
        case EventCode.LeftPush: return "left button pushed";
        case EventCode.LeftRelease: return "left button released";
        case EventCode.RightClick: return "right click";
        case EventCode.Drag: return "drag " + (arg >= 0 && arg < 4 ? DragNames[arg] : arg.tostring());
        case EventCode.Wheel: return "wheel " + (arg == 1 ? "up" : "down");
        case EventCode.WheelStep: return "wheel step " + arg;
        case EventCode.KeyPush: return "key " + (arg >= 0 && arg < 12 ? KeyNames[arg] : arg.tostring()) + " pushed";
        case EventCode.KeyRelease: return "key " + (arg >= 0 && arg < 12 ? KeyNames[arg] : arg.tostring()) + " released";
    }
    return "event " + code + " " + arg;
}
