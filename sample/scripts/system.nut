// The sample game's first script. It shows the script boundary at work: every
// frame it drains the App's event ring, logs what arrived and answers it on
// screen with coloured layers. Arrow keys or W/A/S/D move the square, the
// left button puts it under the pointer, a right click changes its colour, a
// right drag flicks it, the wheel scales it, Z turns it, and X ends the game.

const kMoveStep = 6;
const kFlickStep = 96;
const kExitKey = 5;  // X
const kTurnKey = 4;  // Z

gFrames <- 0;
gHeld <- array(12, false);
gScene <- null;

// Colours are 0xRRGGBBAA.
gColours <- [0xE8B33AFF, 0x4FB3E8FF, 0xE85A4FFF, 0x7BD389FF, 0xB58CE8FF];

class Scene {
    ground = null;
    puppet = null;
    cursor = null;
    keyLamps = null;
    colourIndex = 0;
    scale = 1.0;
    angle = 0.0;
    pointer = null;

    constructor() {
        local w = Sys.ScreenWidth, h = Sys.ScreenHeight;
        ground = MakeBox(w / 2, h / 2, w - 32, h - 32, 0x1C2433FF, 0);
        puppet = MakeBox(w / 2, h / 2, 96, 96, gColours[0], 10);
        cursor = MakeBox(0, 0, 10, 10, 0xFFFFFFFF, 20);
        keyLamps = [];
        for (local i = 0; i < 12; i++) {
            keyLamps.append(MakeBox(w / 2 - 12 * 22 / 2 + i * 22 + 11, h - 40, 16, 16, 0x3A4560FF, 5));
        }
        pointer = InputInterface(0);
    }

    function MakeBox(x, y, width, height, colour, z) {
        local layer = LayerInterface();
        layer.SetSize(width, height);
        layer.SetPos(x, y);
        layer.SetColor(colour);
        layer.SetZ(z);
        return layer;
    }

    function MoveBy(dx, dy) {
        local w = Sys.ScreenWidth, h = Sys.ScreenHeight;
        local x = Clamp(puppet.GetPosX() + dx, 0, w), y = Clamp(puppet.GetPosY() + dy, 0, h);
        puppet.SetPos(x, y);
    }

    function Clamp(value, low, high) { return value < low ? low : value > high ? high : value; }

    function NextColour() {
        colourIndex = (colourIndex + 1) % gColours.len();
        puppet.SetColor(gColours[colourIndex]);
    }

    function Turn() {
        angle = (angle + 45.0) % 360.0;
        puppet.SetAngle(angle);
    }

    function Zoom(step) {
        scale = Clamp(scale + 0.25 * step, 0.5, 3.0);
        puppet.SetScale(scale);
    }

    function Flick(direction) {
        local steps = [[-kFlickStep, 0], [kFlickStep, 0], [0, -kFlickStep], [0, kFlickStep]];
        if (direction >= 0 && direction < 4) MoveBy(steps[direction][0], steps[direction][1]);
    }

    function Frame() {
        cursor.SetPos(pointer.GetX(0), pointer.GetY(0));
        for (local i = 0; i < 12; i++) keyLamps[i].SetColor(gHeld[i] ? 0xF2F2F2FF : 0x3A4560FF);
        local dx = 0, dy = 0;
        if (gHeld[0] || gHeld[8]) dx -= kMoveStep;
        if (gHeld[1] || gHeld[9]) dx += kMoveStep;
        if (gHeld[2] || gHeld[10]) dy -= kMoveStep;
        if (gHeld[3] || gHeld[11]) dy += kMoveStep;
        if (dx != 0 || dy != 0) MoveBy(dx, dy);
    }
}

function HandleEvent(code, arg) {
    if (code == EventCode.Tick) return;
    print("event: " + DescribeEvent(code, arg));
    switch (code) {
        case EventCode.KeyPush:
            if (arg >= 0 && arg < 12) gHeld[arg] = true;
            if (arg == kExitKey) {
                print("X pushed: leaving");
                Sys.Exit();
            }
            if (arg == kTurnKey && gScene) gScene.Turn();
            break;
        case EventCode.KeyRelease:
            if (arg >= 0 && arg < 12) gHeld[arg] = false;
            break;
        case EventCode.LeftPush:
            if (gScene) gScene.puppet.SetPos(gScene.pointer.GetX(0), gScene.pointer.GetY(0));
            break;
        case EventCode.RightClick:
            if (gScene) gScene.NextColour();
            break;
        case EventCode.Drag:
            if (gScene) gScene.Flick(arg);
            break;
        case EventCode.WheelStep:
            if (gScene) gScene.Zoom(arg);
            break;
    }
}

function AppInitialize() {
    if (!App.DoScript("events")) {
        print("events script missing; the sample cannot name events");
        return;
    }
    print("Quillmoor sample: " + Sys.ScreenWidth + "x" + Sys.ScreenHeight + ", " + Sys.GetDate());
    print("Today's puppet is called \"" + App.GenCharaName() + "\"");
    print("Arrows or W/A/S/D move, left click places, right click recolours, right drag flicks,");
    print("the wheel scales, Z turns, X leaves.");
    if ("LayerInterface" in getroottable()) gScene = Scene();
}

function AppUpdate() {
    ++gFrames;
    // Events come in pairs: a code and its argument.
    for (local code = App.DequeueEvent(); code != null; code = App.DequeueEvent()) {
        HandleEvent(code, App.DequeueEvent());
    }
    if (gScene) gScene.Frame();
}

function AppFinalize() {
    print("Quillmoor sample: finished after " + gFrames + " frames");
    gScene = null;
}
