// My first battle: a knight on a hand-made 8 x 6 map. The lit cells are where
// it can walk; the pointer over one shows the route. A click sends the knight
// along that route (up the ramp onto the stone, if you like), and where it
// stops it swings its sword: a spark burst from effect/list.txt and the
// built-in focus lines play. X quits. Build it as docs/first-battle.md says.

const kArea = 1;            // QmBattleInterface(1, 1) reads "field/01-01.txt"
const kMap = 1;
const kKnightSide = 0;      // side 0, type 1: the sheet "img/dot/R_1_0.png"
const kKnightType = 1;
const kAnimWalk = 0;        // animation numbers of a unit sheet
const kAnimStand = 2;
const kAnimAttack = 4;
const kRange = 4;           // cells the knight walks in one go
const kClimb = 1;           // levels it climbs or drops in one step
const kWalkFrames = 8;      // frames to cross one cell (60 frames are a second)
const kSparkBurst = 0;      // line 0 of effect/list.txt
const kFocusLines = 1025;   // a built-in effect
const kQuitKey = 5;         // key index 5 is X

battle <- null;
knight <- null;
route <- [];                // cell codes (z * 100 + x) still to walk
walked <- 0;                // frames spent on the current cell
burst <- -1;                // the spark burst's handle while it plays
hint <- null;               // the text line: kept, since a dropped text box leaves the screen

// Marks the cells the knight can reach from where it stands. The route arrows
// of the last walk would show again: a route to its own cell has none.
function FindRange() {
    battle.FieldFindRange(knight, 0, kRange, kClimb, 0, 2);
    battle.SetRoutePos(knight.GetPosX(), knight.GetPosZ());
    battle.SetRouteVisible(true);
}

function AppInitialize() {
    battle = QmBattleInterface(kArea, kMap);
    App.BeginBattle(battle);
    battle.SetBgColor(90, 140, 210, 200, 225, 245);  // sky: top colour, bottom colour
    knight = QmUnitInterface(kKnightSide, kKnightType);
    battle.AddUnit(knight);                          // first into the battle, then onto a cell
    knight.SetPos(1, 2);
    knight.SetDir(0);                                // facing +x
    knight.SetAnim(kAnimStand, 0, true);
    battle.CameraMovePos(0, 6, 2, 3);                // look at cell (6, 3), height 2, at once
    FindRange();

    local font = FontInterface(24, "font/DejaVuSans.ttf");  // size 24 draws 16-pixel letters
    hint = TextBoxInterface(font, 64);
    hint.SetSize(Sys.ScreenWidth - 40, 32);
    hint.SetPos(Sys.ScreenWidth / 2, 24);
    hint.SetText("Click a lit cell to walk there; X quits");
    print("first battle: the map is " + battle.FieldGetSizeX() + " x " + battle.FieldGetSizeZ());
}

// A click on a lit cell: the route from the search, without the knight's own cell.
function OnClick() {
    battle.UpdateCursor();
    local x = battle.GetCursorPosX(), z = battle.GetCursorPosZ();
    if (route.len() > 0 || !battle.FieldCheckRange(x, z)) return;
    route = knight.GetRoute(x, z) || [];
    if (route.len() == 0) return;                    // its own cell
    print("first battle: the knight walks " + route.len() + " cells to " + x + "," + z);
    battle.SetRouteVisible(false);
    battle.FieldResetRange();
    knight.SetAnim(kAnimWalk, 0, true);
}

// One frame of the walk: the knight is drawn between cells, then stands on the next.
function Walk() {
    local x0 = knight.GetPosX(), z0 = knight.GetPosZ(), x1 = route[0] % 100, z1 = route[0] / 100;
    knight.SetDirPos(x1, z1);
    walked++;
    local t = walked.tofloat() / kWalkFrames;
    local x = x0 + (x1 - x0) * t + 0.5, z = z0 + (z1 - z0) * t + 0.5;  // + 0.5: a cell's centre
    knight.Move(x, knight.FieldGetHeight(x, z), z);  // the ground's height there: up the ramp
    if (walked < kWalkFrames) return;
    walked = 0;
    knight.SetPos(x1, z1);
    route.remove(0);
    if (route.len() > 0) return;
    print("first battle: the knight stands on " + x1 + "," + z1 + " at height " + knight.GetPosY());
    knight.SetAnim(kAnimAttack, 0, false);
    burst = battle.EfcStart(kSparkBurst, knight, x1, z1);
    local lines = battle.EfcStart(kFocusLines, null, 0, 0);
    print("first battle: burst " + burst + ", focus lines " + lines);
}

function AppUpdate() {
    for (local code = App.DequeueEvent(); code != null; code = App.DequeueEvent()) {
        local arg = App.DequeueEvent();
        if (code == 1) OnClick();                        // 1: the left button pushed
        if (code == 7 && arg == kQuitKey) Sys.Exit(0);   // 7: a key pushed
    }
    if (route.len() > 0) {
        Walk();
    } else if (battle.FieldRangeEnable()) {
        battle.UpdateCursor();                           // the cursor follows the pointer
        local x = battle.GetCursorPosX(), z = battle.GetCursorPosZ();
        if (battle.FieldCheckRange(x, z)) battle.SetRoutePos(x, z);
    }
    if (knight.GetAnim() == kAnimAttack && knight.EndOfAnim()) knight.SetAnim(kAnimStand, 0, true);
    if (burst >= 0 && battle.EfcIsEnd(burst)) {
        print("first battle: the burst has ended");
        burst = -1;
        FindRange();                                     // a new search from where it stands
    }
}

function AppFinalize() {
    App.EndBattle();
    print("first battle: bye");
}
