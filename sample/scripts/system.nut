// The sample game's first script: a state machine from the title to one
// battle, its result and the exit. Every frame it drains the App's event
// ring and hands the events to the screen that is showing.
//
// The title shows the script boundary at work, answering input on screen
// with pictures on layers and text boxes:
// Arrow keys or W/A/S/D walk the puppet (it looks the way it walks), the left
// button puts it under the pointer, a right click changes its colour, a right
// drag flicks it, the wheel scales it and Z turns it. The emblem can be
// dragged with the left button and grows while the pointer is over it. The
// welcome line is revealed a character at a time: C plays it again, V shows
// the rest at once. X ends the game. A tune plays throughout (it loops by the
// loop points written into the Ogg file) and a right click rings a chime.
// C also plays the title clip (colour bars and a tone) over the scene; any
// key skips it. Once the welcome line is shown, V starts the battle
// (battle.nut) after the title clip; after it the result screen waits for a key or a click and
// the game ends. With App.AutoBattle the title, the battle and the result
// go by themselves.

const kMoveStep = 6;
const kFlickStep = 96;
const kTurnKey = 4;    // Z
const kExitKey = 5;    // X
const kReplayKey = 6;  // C
const kSkipKey = 7;    // V
const kFrameSize = 96; // one facing of the puppet's sheet
const kCursorSize = 16;
const kRevealWait = 3; // updates between two characters of the welcome line

gFrames <- 0;
gHeld <- array(12, false);
gScene <- null;
gPanel <- null;
gMusic <- null;
gChime <- null;
gBattle <- null;
gState <- "title";  // "title", "intro" (the clip), "battle", "result"
gStateFrames <- 0;
gResult <- null;
const kAutoTitleFrames = 60;    // with App.AutoBattle: frames of title before the battle
const kAutoResultFrames = 90;   // and of result before the exit
const kResultWaitFrames = 30;   // input is taken on the result screen after this

// Sound categories the game's settings drive: 1 music, 2 effects.
const kMusicCategory = 1;
const kEffectCategory = 2;

function StartSounds() {
    gMusic = SoundPlayer();
    gMusic.SetCategory(kMusicCategory);
    gMusic.SetVolume(0.6);
    gMusic.StartFile("sound/theme.ogg");
    gChime = SoundPlayer();
    gChime.SetCategory(kEffectCategory);
}

// Colours are 0xRRGGBBAA.
gColours <- [0xE8B33AFF, 0x4FB3E8FF, 0xE85A4FFF, 0x7BD389FF, 0xB58CE8FF];
gWelcome <- "霧の谷へようこそ — Welcome to the Misty Vale";
gHelp <- ["Arrows or WASD walk", "click places", "drag the emblem", "right click recolours", "wheel scales",
          "Z turns", "C replays", "V skips, then starts the battle", "X leaves"];
const kHelpLetter = 10;  // pixels a letter of the help font takes at most, on average
const kHelpSpace = 12;   // and a space (half the font size)
const kHelpLine = 24;

// The phrases joined by " · " into lines no wider than `width` pixels: the text box
// breaks lines between letters, so words are kept whole here.
function HelpLines(phrases, width) {
    local lines = [""];
    foreach (phrase in phrases) {
        local line = lines.top();
        local joined = line == "" ? phrase : line + " · " + phrase;
        local spaces = std.split(joined, " ").len() - 1;
        if (line != "" && (joined.len() - spaces) * kHelpLetter + spaces * kHelpSpace > width) lines.append(phrase);
        else lines[lines.len() - 1] = joined;
    }
    return lines;
}

// Facings in the puppet's sheet, by the key index that walks that way.
gFacingOfKey <- {[0] = 0, [8] = 0, [1] = 1, [9] = 1, [2] = 2, [10] = 2, [3] = 3, [11] = 3};
const kFacingDown = 3;

class Scene {
    ground = null;
    puppet = null;
    emblem = null;
    halo = null;
    cursor = null;
    keyLamps = null;
    welcome = null;
    help = null;
    // The script keeps its pictures and fonts; the layers and boxes hold their own references too.
    puppetSheet = null;
    cursorSheet = null;
    titleFont = null;
    helpFont = null;
    pointer = null;
    colourIndex = 0;
    facing = kFacingDown;
    scale = 1.0;
    angle = 0.0;
    dragging = false;
    dragFromX = 0;
    dragFromY = 0;
    welcomeShown = false;

    constructor() {
        local w = Sys.ScreenWidth, h = Sys.ScreenHeight;
        ground = MakeBox(w / 2, h / 2, w - 32, h - 32, 0x1C2433FF, 0);

        puppetSheet = ImageInterface("image/puppet.png", true);
        puppet = LayerInterface();
        puppet.SetPos(w / 2, h / 2);
        puppet.SetColor(gColours[0]);
        puppet.SetZ(10);
        ShowFacing(kFacingDown);

        emblem = LayerInterface();
        emblem.SetImage(ImageInterface("image/emblem.png", false));
        emblem.SetPos(w - 180, 170);
        emblem.SetZ(4);
        // The sample's expanding ring (line 1 of effect/list.txt), started again as it ends.
        if ("QmEfkLayer" in getroottable()) {
            halo = QmEfkLayer();
            halo.SetPos(200, h / 2 + 60);
            halo.SetZ(5);
        }

        cursorSheet = ImageInterface("image/cursor.png", true);
        cursor = LayerInterface();
        cursor.SetImageRect(cursorSheet, 0, 0, kCursorSize, kCursorSize);
        cursor.SetZ(30);

        keyLamps = [];
        for (local i = 0; i < 12; i++) {
            keyLamps.append(MakeBox(w / 2 - 12 * 22 / 2 + i * 22 + 11, h - 40, 16, 16, 0x3A4560FF, 5));
        }

        titleFont = FontInterface(40, "font/ipag.ttf");
        welcome = TextBoxInterface(titleFont, 64);
        welcome.SetPos(w / 2, h - 130);
        welcome.SetSize(w < 848 ? w - 48 : 800, 56);  // inside the ground at 800 x 480
        welcome.SetFontRGBA(0xF4EBD0FF);
        welcome.SetEdgeSize(1);
        welcome.SetEdgeRGBA(0x101820FF);
        welcome.SetWaitTime(kRevealWait);
        welcome.SetZ(20);
        welcome.Print(gWelcome);

        helpFont = FontInterface(24, "font/DejaVuSans.ttf");
        help = TextBoxInterface(helpFont, 192);
        local lines = HelpLines(gHelp, w - 80);
        help.SetPos(w / 2, 20 + lines.len() * kHelpLine / 2);
        help.SetSize(w - 80, lines.len() * kHelpLine);
        help.SetAlign(1);
        help.SetFontRGBA(0xA9B4C8FF);
        help.SetZ(20);
        help.Print(lines.reduce(@(text, line) text + "\n" + line));

        pointer = InputInterface(0);
    }

    // Leaves only the pointer's cursor on screen, for the battle and the result.
    function HideTitle() {
        foreach (layer in [ground, puppet, emblem, welcome, help]) layer.SetVisible(false);
        foreach (lamp in keyLamps) lamp.SetVisible(false);
        halo = null;  // dropping the layer stops the ring, which Frame would start again
        emblem.SetPos(-1000, -1000);  // out of the pointer's reach
        cursor.SetZ(1000);
    }

    function MakeBox(x, y, width, height, colour, z) {
        local layer = LayerInterface();
        layer.SetSize(width, height);
        layer.SetPos(x, y);
        layer.SetColor(colour);
        layer.SetZ(z);
        return layer;
    }

    function ShowFacing(index) {
        facing = index;
        puppet.SetImageRect(puppetSheet, index * kFrameSize, 0, kFrameSize, kFrameSize);
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

    function IsOverEmblem() { return emblem.HitTest(pointer.GetX(0), pointer.GetY(0)); }

    function ReplayWelcome() {
        welcome.SetText(gWelcome);
        welcomeShown = false;
    }

    // The left button, seen through the pointer record: a push on the
    // emblem starts a drag, and while the button is held the emblem follows
    // the pointer's way from where it was pushed.
    function DragEmblem() {
        local state = pointer.GetState();
        if (state == 2 && emblem.HitTest(pointer.GetPushX(), pointer.GetPushY())) {
            dragging = true;
            dragFromX = emblem.GetPosX();
            dragFromY = emblem.GetPosY();
        }
        if (!dragging) return;
        if (state < 2) {
            dragging = false;
            return;
        }
        emblem.SetPos(dragFromX - pointer.GetDragCountX(), dragFromY - pointer.GetDragCountY());
    }

    function Frame() {
        DragEmblem();
        local grabbing = dragging || IsOverEmblem();
        emblem.SetScale(grabbing ? 1.15 : 1.0);
        if (halo && halo.IsEnd()) halo.Start(1);
        // The arrow's tip, or the ring's middle, is where the pointer is.
        local shape = grabbing ? 1 : 0;
        cursor.SetImageRect(cursorSheet, shape * kCursorSize, 0, kCursorSize, kCursorSize);
        local tip = grabbing ? 0 : kCursorSize / 2;
        cursor.SetPos(pointer.GetX(0) + tip, pointer.GetY(0) + tip);

        for (local i = 0; i < 12; i++) keyLamps[i].SetColor(gHeld[i] ? 0xF2F2F2FF : 0x3A4560FF);
        local dx = 0, dy = 0;
        if (gHeld[0] || gHeld[8]) dx -= kMoveStep;
        if (gHeld[1] || gHeld[9]) dx += kMoveStep;
        if (gHeld[2] || gHeld[10]) dy -= kMoveStep;
        if (gHeld[3] || gHeld[11]) dy += kMoveStep;
        if (dx != 0 || dy != 0) MoveBy(dx, dy);

        if (!welcomeShown && welcome.CheckAnim()) {
            welcomeShown = true;
            print("welcome line shown, " + welcome.GetCursorX() + " px wide");
        }
    }
}

// Result text and the portrait of a unit left standing.
class ResultScreen {
    frame = null;
    text = null;
    portrait = null;

    constructor(battle, font) {
        local w = Sys.ScreenWidth, h = Sys.ScreenHeight;
        frame = TileInterface();
        frame.SetMode(1);
        frame.SetImage(ImageInterface("image/panel.png", false));
        frame.SetSize(560, 220);
        frame.SetPos(w / 2, h / 2);
        frame.SetZ(950);
        text = TextBoxInterface(font, 160);
        text.SetSize(500, 160);
        text.SetPos(w / 2 + 50, h / 2);
        text.SetAlign(1);
        text.SetVertAlign(1);
        text.SetFontRGBA(0xF4EBD0FF);
        text.SetZ(951);
        local headline = ["Victory!", "Defeat...", "A draw"][battle.winner];
        text.Print(headline + "\n\nafter " + (battle.round - 1) + " rounds\n" + "press a key or click to leave");
        local standing = battle.fighters.len() > 0 ? battle.fighters[0] : null;
        if (standing) {
            portrait = QmUnitLayer();
            portrait.SetUnit(standing.unit);
            portrait.SetPos(w / 2 - 200, h / 2);
            portrait.SetZ(952);
        }
    }
}

function StartBattle() {
    if (!("QmBattleInterface" in getroottable()) || !App.DoScript("battle")) {
        print("no battle in this build: leaving");
        Sys.Exit(1);
        return;
    }
    if (gScene) gScene.HideTitle();
    gPanel = null;
    // The battle is set up once the clip is over (a key skips it): its units
    // draw from the random sequence every frame, so a clip of any length
    // leaves a seeded battle the same.
    Utl.MoviePlay("movie/title.avi", 0);
    gState = "intro";
}

function ShowResult() {
    print("result: winner " + gBattle.winner + " after " + (gBattle.round - 1) + " rounds");
    gResult = ResultScreen(gBattle, gScene ? gScene.helpFont : FontInterface(24, "font/DejaVuSans.ttf"));
    gBattle.End();
    gBattle = null;
    gState = "result";
    gStateFrames = 0;
}

function HandleEvent(code, arg) {
    if (code == EventCode.Tick) return;
    print("event: " + DescribeEvent(code, arg));
    if (code == EventCode.KeyPush && Utl.MovieIsPlaying()) {
        Utl.MovieStop(20);  // a short fade, and the key does nothing else
        return;
    }
    if (gState == "intro") return;
    if (gState == "battle") {
        if (gBattle) gBattle.OnEvent(code, arg);
        return;
    }
    if (gState == "result") {
        if ((code == EventCode.KeyPush || code == EventCode.LeftPush) && gStateFrames > kResultWaitFrames) Sys.Exit();
        return;
    }
    switch (code) {
        case EventCode.KeyPush:
            if (arg >= 0 && arg < 12) gHeld[arg] = true;
            if (arg == kExitKey) {
                print("X pushed: leaving");
                Sys.Exit();
            }
            if (!gScene) break;
            if (arg in gFacingOfKey) gScene.ShowFacing(gFacingOfKey[arg]);
            if (arg == kTurnKey) gScene.Turn();
            if (arg == kReplayKey) {
                gScene.ReplayWelcome();
                Utl.MoviePlay("movie/title.avi", 0);
            }
            if (arg == kSkipKey && gScene.welcomeShown) StartBattle();
            else if (arg == kSkipKey) gScene.welcome.SkipAnim();
            break;
        case EventCode.KeyRelease:
            if (arg >= 0 && arg < 12) gHeld[arg] = false;
            break;
        case EventCode.LeftPush:
            // A push on the emblem grabs it instead (see Scene.DragEmblem).
            if (gScene && !gScene.IsOverEmblem()) gScene.puppet.SetPos(gScene.pointer.GetX(0), gScene.pointer.GetY(0));
            break;
        case EventCode.RightClick:
            if (gScene) gScene.NextColour();
            if (gChime) gChime.StartFile("sound/chime.adp");
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
    print("Arrows or W/A/S/D walk, left click places, right click recolours, right drag flicks,");
    print("the wheel scales, Z turns, the emblem can be dragged, C replays the welcome and the clip, V skips it, X leaves.");
    if ("TextBoxInterface" in getroottable()) gScene = Scene();
    if (gScene && App.DoScript("panel")) gPanel = CounterPanel(150, 130, gScene.helpFont);
    if ("SoundPlayer" in getroottable()) StartSounds();
}

function AppUpdate() {
    ++gFrames;
    // Events come in pairs: a code and its argument.
    for (local code = App.DequeueEvent(); code != null; code = App.DequeueEvent()) {
        HandleEvent(code, App.DequeueEvent());
    }
    ++gStateFrames;
    if (gScene) gScene.Frame();
    if (gPanel) gPanel.Show(gFrames);
    if (gState == "title" && App.AutoBattle && gStateFrames == kAutoTitleFrames) StartBattle();
    if (gState == "intro" && !Utl.MovieIsPlaying()) {
        gBattle = SampleBattle(App.AutoBattle);
        gState = "battle";
        gStateFrames = 0;
    }
    if (gState == "battle" && !gBattle.Frame()) ShowResult();
    if (gState == "result" && App.AutoBattle && gStateFrames == kAutoResultFrames) Sys.Exit();
}

function AppFinalize() {
    print("Quillmoor sample: finished after " + gFrames + " frames");
    if (gBattle) gBattle.End();
    gBattle = null;
    gResult = null;
    gPanel = null;
    gScene = null;
    gMusic = null;
    gChime = null;
}
