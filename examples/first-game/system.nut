// My first game: a picture that walks with the arrow keys and can be dragged
// with the left mouse button, a line of text, and X to quit.
// Build and run it as docs/first-game.md says.

const kStep = 4;          // pixels a frame while an arrow key is held
const kQuitKey = 5;       // key index 5 is X
gHeld <- [false, false, false, false];  // key indexes 0-3: Left, Right, Up, Down
gHero <- null;
gLayer <- null;
gText <- null;
gMouse <- null;

function AppInitialize() {
    print("first game: the screen is " + Sys.ScreenWidth + " x " + Sys.ScreenHeight);
    gHero = ImageInterface("image/hero.png", false);   // loads in the background
    gLayer = LayerInterface();
    gLayer.SetImage(gHero);                            // shown at the picture's own size once loaded
    gLayer.SetPos(Sys.ScreenWidth / 2, Sys.ScreenHeight / 2);

    local font = FontInterface(24, "font/DejaVuSans.ttf");
    gText = TextBoxInterface(font, 64);
    gText.SetSize(Sys.ScreenWidth - 40, 40);           // a text box wraps at its width
    gText.SetPos(Sys.ScreenWidth / 2, 30);
    gText.SetFontRGBA(0xFFFFFFFF);
    gText.SetText("Arrows walk, drag with the mouse, X quits");

    gMouse = InputInterface(0);                        // 0 = the left button
}

function AppUpdate() {
    // Events come in pairs: a code and its argument.
    for (local code = App.DequeueEvent(); code != null; code = App.DequeueEvent()) {
        local key = App.DequeueEvent();
        if (code == 7 && key == kQuitKey) Sys.Exit();
        if (code == 7 && key < 4) gHeld[key] = true;   // 7 = key pushed
        if (code == 8 && key < 4) gHeld[key] = false;  // 8 = key released
    }
    local x = gLayer.GetPosX(), y = gLayer.GetPosY();
    if (gHeld[0]) x -= kStep;
    if (gHeld[1]) x += kStep;
    if (gHeld[2]) y -= kStep;
    if (gHeld[3]) y += kStep;
    // State 2 is pushed, 3 held: the picture follows the pointer while the button is down.
    if (gMouse.GetState() >= 2) {
        x = gMouse.GetX(0);                            // GetX(0) is the newest position
        y = gMouse.GetY(0);
    }
    gLayer.SetPos(x, y);
}

function AppFinalize() {
    print("first game: bye");
}
