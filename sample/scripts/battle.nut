// The sample's battle: three units a side on the sample map (area 1, map 1),
// played in rounds until one side is gone. The player's side (blue, side 0)
// is played with the mouse or the keyboard: pick a unit (click its figure,
// or Left/Right and Z), pick where it walks inside its range panels (point
// at a cell to see the route, click it; or the arrows and Z; X stays), then
// pick a neighbouring foe to strike (click it, or Left/Right and Z; X or a
// click on the striker passes). The red side plays itself: each unit goes for its nearest foe by
// GetDistUnit and walks by the field's routes. With App.AutoBattle both
// sides play themselves. A and D turn the view, W, S and the wheel zoom it.
//
// Hit points live here in the script and stand over every unit with its
// name. Every round the battle writes its checkpoints (units left per side,
// where each stands, the winner at the end) as text to "Save0000.dat" in
// the user's folder through File.
//
// Scripts are run as generators: each yields once per frame, and a longer
// step is run from a shorter one with `foreach (_ in Step()) yield;`.

const kWalkFrames = 8;      // frames to cross one cell
const kMoveRange = 4;       // cells a unit walks in a turn
const kJumpLevels = 1;      // levels it climbs in one step
const kRoundLimit = 30;     // a battle still going after this many rounds is a draw
const kAnimWaitLimit = 150; // frames an attack or defeat animation may take at most
const kDumpName = "Save0000.dat";
const kDumpSlot = 1;        // the user's folder
const kDumpFlags = 2;       // write a new file
const kAnimWalk = 0;
const kAnimStand = 2;
const kAnimAttack = 4;
const kAnimDefeat = 8;
const kEffectHit = 0;      // line 0 of effect/list.txt: the spark burst
const kEffectArrows = 1024;
const kEffectFocusLines = 1025;
const kEffectRain = 1026;
const kRainPerFrame = 6;   // drops started every frame
const kLabelZ = 860;
const kStatusZ = 880;
const kPortraitZ = 900;
const kPanelHeight = 104;  // the status panel along the bottom, 8 pixels above the edge
const kPanelMargin = 8;
const kOverviewFrames = 45; // the whole field is shown this long before the first turn
const kCameraFrames = 16;
const kTurnFrames = 20;
const kZoomNearest = -1;   // camera zoom levels: 1200 x 1.25^level away
const kZoomFarthest = 1;
const kFieldOfView = 20.0;
gSideColours <- [0x8CB8FFFF, 0xFF8C80FF];  // the label and headline colours of blue and red
gSideNames <- ["Blue", "Red"];

// Event words (events.nut) and the key indices the battle reads.
const kKeyLeft = 0;
const kKeyRight = 1;
const kKeyConfirm = 4;   // Z
const kKeyCancel = 5;    // X
const kKeyTurnLeft = 8;  // A
const kKeyTurnRight = 9; // D
const kKeyZoomIn = 10;   // W
const kKeyZoomOut = 11;  // S

class Fighter {
    unit = null;
    side = 0;
    name = "";
    hp = 0;
    maxHp = 0;
    power = 0;
    archer = false;   // type 2 shoots arrows
    label = null;     // name and hit points over its head

    constructor(sideIndex, type, label, hitPoints, strength) {
        unit = QmUnitInterface(sideIndex, type);
        side = sideIndex;
        archer = type == 2;
        name = label;
        hp = maxHp = hitPoints;
        power = strength;
    }
    function X() { return unit.GetPosX(); }
    function Z() { return unit.GetPosZ(); }
    function Describe() { return name + ", " + hp + "/" + maxHp + " HP"; }
}

class SampleBattle {
    battle = null;
    fighters = null;  // the units still standing
    auto = false;
    round = 0;
    winner = -1;      // 0 the player's side, 1 the other, 2 a draw; -1 while playing
    inputs = null;    // [code, argument] pairs not yet used by the player's turn
    dump = null;      // the checkpoint lines written so far
    runner = null;
    portrait = null;
    status = null;
    statusFrame = null;
    font = null;
    hitSound = null;
    voice = null;
    pointer = null;
    zoom = 0;         // the zoom level the player chose
    shownZoom = 0;    // the level the camera was last sent to
    lastPointerX = -1;
    lastPointerY = -1;
    watched = null;   // the fighters the camera keeps above the panel
    settle = 0;       // frames until the camera has reached what it was last sent to

    constructor(autoBattle) {
        auto = autoBattle;
        inputs = [];
        dump = [];
        battle = QmBattleInterface(1, 1);
        App.BeginBattle(battle);
        battle.SetBgColor(40, 64, 110, 150, 180, 210);
        battle.SetLighting(0.45, 0.9);
        font = FontInterface(20, "font/DejaVuSans.ttf");
        fighters = [];
        local names = [];
        // side, type, x, z, hit points, strength
        local roster = [[0, 1, 1, 4, 12, 4], [0, 2, 2, 5, 10, 5], [0, 1, 1, 7, 12, 4],
                        [1, 1, 10, 3, 12, 4], [1, 2, 8, 5, 10, 5], [1, 1, 10, 7, 12, 4]];
        foreach (r in roster) {
            local f = Fighter(r[0], r[1], UniqueName(names), r[4], r[5]);
            names.append(f.name);
            battle.AddUnit(f.unit);
            f.unit.SetPos(r[2], r[3]);
            f.unit.SetDirPos(r[0] == 0 ? 11 : 0, r[3]);
            f.unit.SetAnim(kAnimStand, 0, true);
            f.label = MakeLabel(f);
            fighters.append(f);
        }
        // A light rain over the field for the whole battle.
        battle.EfcSetParameter(battle.EfcStart(kEffectRain, null, 0, 0), 0, kRainPerFrame);
        // The whole field first, seen from above the panel: the camera's centre sits mid-way up the free part.
        battle.CameraMovePos(0, battle.FieldGetSizeX() / 2, 1, battle.FieldGetSizeZ() / 2);
        battle.CameraMoveCenter(0, 0.0, (kPanelHeight + kPanelMargin).tofloat() / Sys.ScreenHeight);
        SetZoom(kZoomFarthest, 0);
        local panelY = Sys.ScreenHeight - kPanelMargin - kPanelHeight / 2;
        statusFrame = TileInterface();
        statusFrame.SetMode(1);
        statusFrame.SetImage(ImageInterface("image/panel.png", false));
        statusFrame.SetSize(Sys.ScreenWidth - 2 * kPanelMargin, kPanelHeight);
        statusFrame.SetPos(Sys.ScreenWidth / 2, panelY);
        statusFrame.SetZ(kStatusZ);
        // The acting unit's portrait at the panel's left end, the text beside it.
        portrait = QmUnitLayer();
        portrait.SetZ(kPortraitZ);
        portrait.SetSize(80, 80);
        portrait.SetPos(kPanelMargin + 52, panelY);
        status = TextBoxInterface(font, 320);
        local textLeft = kPanelMargin + 120;
        local textWidth = Sys.ScreenWidth - kPanelMargin - 16 - textLeft;
        status.SetSize(textWidth, kPanelHeight - 16);
        status.SetPos(textLeft + textWidth / 2, panelY);
        status.SetVertAlign(1);
        status.SetZ(kStatusZ + 1);
        hitSound = SoundPlayer();
        hitSound.SetCategory(2);
        voice = SoundPlayer();
        voice.SetCategory(4);  // a voice: the music ducks under it
        pointer = InputInterface(0);
        print("battle: map " + battle.FieldGetSizeX() + " x " + battle.FieldGetSizeZ() + ", " +
              fighters.len() + " units" + (auto ? ", both sides play themselves" : ""));
        runner = Run();
    }

    // A name from the game's list that no other unit bears (numbered should the list run short).
    function UniqueName(taken) {
        local name = App.GenCharaName();
        for (local i = 0; i < 20 && taken.find(name) != null; ++i) name = App.GenCharaName();
        for (local n = 2; taken.find(name) != null; ++n) name = name + " " + n;
        return name;
    }

    function MakeLabel(f) {
        local label = TextBoxInterface(font, 32);
        label.SetSize(160, 24);
        label.SetAlign(1);
        label.SetFontRGBA(gSideColours[f.side]);
        label.SetEdgeSize(1);
        label.SetEdgeRGBA(0x101820FF);
        label.SetZ(kLabelZ);
        label.SetText(f.name + " " + f.hp);
        return label;
    }

    // One frame; false once the battle is over.
    function Frame() {
        if (runner == null) return false;
        resume runner;
        if (runner != null && runner.getstatus() == "dead") runner = null;
        if (fighters != null) {
            foreach (f in fighters) f.label.SetPos(f.unit.GetScreenX(), f.unit.GetScreenY() - Pixels(70) - 12);
            KeepInView();
        }
        return runner != null;
    }

    // Pixels on screen for a length in world units at the camera's distance (a figure is 96 tall), through a 20 degree lens.
    function Pixels(units) {
        local distance = 1200.0 * std.pow(1.25, shownZoom);
        return (units * Sys.ScreenHeight / (2.0 * distance * std.tan(kFieldOfView * std.PI / 360.0))).tointeger();
    }

    // Once the camera has settled: zooms out a level while a watched figure stands off the screen or under the panel.
    function KeepInView() {
        if (settle > 0) {
            --settle;
            return;
        }
        if (watched == null || shownZoom >= kZoomFarthest || battle.CameraIsMoving()) return;
        local bottom = Sys.ScreenHeight - kPanelMargin - kPanelHeight - 8;
        foreach (f in watched) {
            if (f.unit == null) continue;
            local x = f.unit.GetScreenX(), y = f.unit.GetScreenY();
            if (x < 40 || x > Sys.ScreenWidth - 40 || y < Pixels(100) || y > bottom) {
                SetZoom(shownZoom + 1, kCameraFrames);
                settle = kCameraFrames;
                return;
            }
        }
    }

    function OnEvent(code, arg) {
        if (auto) return;
        if (code == 7 && (arg == kKeyTurnLeft || arg == kKeyTurnRight)) {
            battle.CameraRotate(kTurnFrames, 2.0, arg == kKeyTurnLeft ? -90 : 90, 0);
        } else if ((code == 7 && (arg == kKeyZoomIn || arg == kKeyZoomOut)) || code == 5) {
            local closer = code == 5 ? arg == 1 : arg == kKeyZoomIn;
            zoom = Clamp(zoom + (closer ? -1 : 1), kZoomNearest, kZoomFarthest);
            SetZoom(zoom, kCameraFrames);
            watched = null;  // the player's zoom stands until the camera is sent elsewhere
        } else {
            inputs.append([code, arg]);
        }
    }

    function Clamp(value, low, high) { return value < low ? low : value > high ? high : value; }

    function SetZoom(level, frames) {
        shownZoom = level;
        battle.CameraZoom(frames, 2.0, level);
    }

    function Run() {
        Checkpoint("start");
        voice.StartFile("sound/chime.adp");
        SayTurn(null, "Blue, your three against Red's three: the whole field");
        for (local i = 0; i < kOverviewFrames; ++i) yield;
        for (round = 1; round <= kRoundLimit && Winner() < 0; ++round) {
            foreach (side in [0, 1]) {
                if (Winner() >= 0) break;
                foreach (_ in (auto || side == 1 ? SideTurn(side) : PlayerTurn())) yield;
            }
            Checkpoint("round " + round);
        }
        winner = Winner() < 0 ? 2 : Winner();
        Checkpoint("winner " + winner);
        SayTurn(null, winner == 2 ? "A draw" : gSideNames[winner] + " wins");
        print("battle: over after " + (round - 1) + " rounds, winner " + winner);
    }

    function Living(side) { return fighters.filter(@(i, f) f.side == side); }
    function Winner() {
        local blue = Living(0).len(), red = Living(1).len();
        return blue == 0 ? 1 : red == 0 ? 0 : -1;
    }

    // Writes the lines so far plus this checkpoint; the file is replaced whole when closed.
    function Checkpoint(label) {
        dump.append(label + ": units " + Living(0).len() + " " + Living(1).len());
        foreach (f in fighters) dump.append("  side " + f.side + " at " + f.X() + "," + f.Z() + " hp " + f.hp);
        local file = File(kDumpName, kDumpFlags, kDumpSlot);
        foreach (line in dump) file.WriteLine(line);
        file.Close();
    }

    // The panel: the round, the side and the unit acting in its side's colour, then what is going on
    // and how the player does what can be done now, then the camera's keys.
    function SayTurn(f, prompt, controls = "") {
        local headline = "Round " + (round > 0 ? round : 1);
        if (f != null) headline += " · " + gSideNames[f.side] + (f.side == 0 ? " (you)" : " (enemy)") + " · " + f.Describe();
        status.SetFontRGBA(f != null ? gSideColours[f.side] : 0xF4EBD0FF);
        status.SetText(headline + "\n");
        status.SetFontRGBA(0xF4EBD0FF);
        status.Print(prompt + "\n");
        status.SetFontRGBA(0xA9B4C8FF);
        status.Print(controls + "\n" + (auto ? "both sides play themselves" : "A / D turn the view · W / S or the wheel zoom"));
        if (f != null) portrait.SetUnit(f.unit);
    }

    // Looks at the cells (x, z) in `cells`, far enough out to hold them all and no nearer than the player's
    // zoom, turned a quarter or two when something tall stands between the camera and the first of them.
    function Look(cells) {
        local turns = ClearQuarter(cells[0][0], cells[0][1]);
        if (turns != 0) battle.CameraRotate(kTurnFrames, 2.0, turns * 90, 0);
        local x0 = cells[0][0];
        local x1 = x0;
        local z0 = cells[0][1];
        local z1 = z0;
        foreach (c in cells) {
            if (c[0] < x0) x0 = c[0];
            if (c[0] > x1) x1 = c[0];
            if (c[1] < z0) z0 = c[1];
            if (c[1] > z1) z1 = c[1];
        }
        local x = (x0 + x1) / 2, z = (z0 + z1) / 2, span = (x1 - x0) + (z1 - z0);
        battle.CameraMovePos(kCameraFrames, x, battle.FieldGetHeight(x, z).tointeger(), z);
        settle = kCameraFrames + 50;  // a long move takes a frame more per 20 units
        local fit = span <= 4 ? kZoomNearest : span <= 8 ? 0 : kZoomFarthest;
        SetZoom(fit > zoom ? fit : zoom, kCameraFrames);
    }
    // Quarters to turn (0, 1, -1 or 2) so that nothing blocked stands just before (x, z) on the camera's side.
    function ClearQuarter(x, z) {
        foreach (turns in [0, 1, -1, 2]) {
            local quarter = (battle.CameraGetAngleY() + turns + 4) % 4;
            local sx = quarter < 2 ? 1 : -1;  // toward the eye
            local sz = quarter == 0 || quarter == 3 ? 1 : -1;
            local blocked = false;
            foreach (d in [[1, 0], [0, 1], [1, 1]]) {
                local cx = x + d[0] * sx, cz = z + d[1] * sz;
                // Rocks, crates and trees; a pit (height 0) hides nothing.
                blocked = blocked || (battle.FieldCheckPos(cx, cz) && !battle.FieldCheckEntryPos(cx, cz) &&
                                      battle.FieldGetHeight(cx, cz) > 0);
            }
            if (!blocked) return turns;
        }
        return 0;
    }

    function LookAt(list) {
        watched = list;
        local cells = [];
        foreach (f in list) cells.append([f.X(), f.Z()]);
        Look(cells);
    }

    // Each unit of the side goes for its nearest foe and strikes it when it stands beside it.
    function SideTurn(side) {
        foreach (f in Living(side)) {
            if (f.hp <= 0) continue;
            local target = Nearest(f);
            if (target == null) return;
            local doing = side == 1 ? "enemy turn" : "plays itself";
            SayTurn(f, doing + ": " + f.name + " goes for " + target.name + " (" + target.hp + " HP)");
            LookAt([f, target]);
            battle.SetCursorUnit(f.unit);
            battle.FieldFindRange(f.unit, 0, kMoveRange, kJumpLevels, side, 2);
            for (local i = 0; i < 10; ++i) yield;
            local route = RouteTowards(f, target);
            battle.FieldResetRange();
            foreach (_ in Walk(f, route)) yield;
            if (f.unit.GetDistUnit(target.unit) == 1) foreach (_ in Attack(f, target)) yield;
        }
    }

    function Nearest(f) {
        local best = null, bestDist = 0;
        foreach (o in fighters) {
            if (o.side == f.side) continue;
            local d = f.unit.GetDistUnit(o.unit);
            if (best == null || d < bestDist) best = o, bestDist = d;
        }
        return best;
    }

    // After a range search: the route to the free cell in range nearest the target, the cheaper on a tie.
    function RouteTowards(f, target) {
        local bestCell = null, bestDist = 0, bestCost = 0;
        foreach (cell in battle.FieldGetRange()) {
            local x = cell % 100, z = cell / 100;
            local other = battle.FieldGetUnit(x, z);
            if (other != null && other != f.unit) continue;
            local d = std.abs(x - target.X()) + std.abs(z - target.Z()), cost = battle.FieldGetRouteCost(x, z);
            if (d == 0 || cost < 0) continue;
            if (bestCell == null || d < bestDist || (d == bestDist && cost < bestCost))
                bestCell = cell, bestDist = d, bestCost = cost;
        }
        return bestCell == null ? [] : (f.unit.GetRoute(bestCell % 100, bestCell / 100) || []);
    }

    // Walks cell by cell with the walking animation, drawn between the cells on the way; the camera goes along.
    function Walk(f, route) {
        if (route.len() == 0) return;
        f.unit.SetAnim(kAnimWalk, 0, true);
        battle.SetCursorVisible(false);
        local last = route[route.len() - 1];
        Look([[f.X(), f.Z()], [last % 100, last / 100]]);
        foreach (next in route) {
            local x0 = f.X(), z0 = f.Z(), x1 = next % 100, z1 = next / 100;
            f.unit.SetDirPos(x1, z1);
            for (local i = 1; i <= kWalkFrames; ++i) {
                local t = i.tofloat() / kWalkFrames;
                local x = x0 + (x1 - x0) * t + 0.5, z = z0 + (z1 - z0) * t + 0.5;
                f.unit.Move(x, f.unit.FieldGetHeight(x, z), z);
                yield;
            }
            f.unit.SetPos(x1, z1);
        }
        f.unit.SetAnim(kAnimStand, 0, true);
        battle.SetCursorVisible(true);
        battle.SetCursorUnit(f.unit);
    }

    function WaitForAnim(unit) {
        for (local i = 0; i < kAnimWaitLimit && !unit.EndOfAnim(); ++i) yield;
    }

    // Strikes with the attack animation; a foe out of hit points plays its defeat and leaves the field.
    function Attack(f, target) {
        LookAt([f, target]);
        f.unit.SetDirPos(target.X(), target.Z());
        f.unit.SetAnim(kAnimAttack, 0, false);
        battle.EfcStart(kEffectHit, f.unit, target.X(), target.Z());  // -1 without effects built in
        if (f.archer) battle.EfcStart(kEffectArrows, f.unit, target.X(), target.Z());
        foreach (_ in WaitForAnim(f.unit)) yield;
        f.unit.SetAnim(kAnimStand, 0, true);
        local damage = f.power + Utl.RandRange(0, 3);
        target.hp = target.hp > damage ? target.hp - damage : 0;
        target.label.SetText(target.name + " " + target.hp);
        hitSound.StartFile("sound/chime.adp");
        SayTurn(f, f.name + " strikes " + target.name + " for " + damage + (target.hp == 0 ? ": defeated" : ""));
        print("battle: " + f.side + " hits " + target.side + " at " + target.X() + "," + target.Z() + " for " + damage);
        if (target.hp > 0) {
            for (local i = 0; i < 20; ++i) yield;  // time to read the blow
            return;
        }
        target.unit.SetAnim(kAnimDefeat, 0, false);
        battle.EfcStart(kEffectFocusLines, null, 0, 0);
        foreach (_ in WaitForAnim(target.unit)) yield;
        battle.RemoveUnit(target.unit);
        fighters = fighters.filter(@(i, o) o != target);
        target.label = null;
        target.unit = null;  // its last reference: the unit leaves its cell
    }

    // The player's side: each unit in turn, picked, walked and set on a foe by mouse or keyboard.
    function PlayerTurn() {
        local waiting = Living(0);
        inputs.clear();  // keys pushed during the other side's turn are not orders
        LookAt(waiting);
        while (waiting.len() > 0 && Winner() < 0) {
            foreach (_ in Choose(waiting, "your turn: choose a unit", "click it, or Left/Right and Z")) yield;
            local f = chosen;
            waiting = waiting.filter(@(i, w) w != f && w.hp > 0);
            local target = Nearest(f);
            LookAt(target != null ? [f, target] : [f]);
            battle.FieldFindRange(f.unit, 0, kMoveRange, kJumpLevels, 0, 2);
            foreach (_ in ChooseCell(f)) yield;
            local route = f.unit.GetRoute(chosenCell % 100, chosenCell / 100) || [];
            battle.SetRouteVisible(false);
            battle.FieldResetRange();
            foreach (_ in Walk(f, route)) yield;
            local foes = fighters.filter(@(i, o) o.side != f.side && f.unit.GetDistUnit(o.unit) == 1);
            if (foes.len() == 0) continue;
            battle.FieldFindRange(f.unit, 1, 1, 1, 1, 0);
            local involved = [f];
            involved.extend(foes);
            LookAt(involved);
            chosen = null;
            local controls = "click a foe, or Left/Right and Z · X or a click on " + f.name + " passes";
            foreach (_ in Choose(foes, "strike whom?", controls, f)) yield;
            battle.FieldResetRange();
            if (chosen != null) foreach (_ in Attack(f, chosen)) yield;
        }
    }

    chosen = null;
    chosenCell = 0;

    function NextInput() { return inputs.len() > 0 ? inputs.remove(0) : null; }

    // True once per move of the pointer over the field (not over the panel).
    function PointerMoved() {
        local x = pointer.GetX(0), y = pointer.GetY(0);
        if (x == lastPointerX && y == lastPointerY) return false;
        lastPointerX = x, lastPointerY = y;
        return OverField();
    }
    function OverField() { return pointer.GetY(0) < Sys.ScreenHeight - kPanelMargin - kPanelHeight; }

    // The unit whose figure is under the pointer, or else the one on the cell under it.
    function PointedUnit() {
        local u = battle.GetPointerUnit();
        if (u != null) return u;
        battle.UpdateCursor();
        return battle.GetCursorUnit();
    }

    // The cell (x, z) the pointer shows: that of the figure under it, else the cell under it; null beside the field.
    function PointedCell() {
        local u = battle.GetPointerUnit();
        if (u != null) return [u.GetPosX(), u.GetPosZ()];
        battle.UpdateCursor();
        local x = battle.GetCursorPosX(), z = battle.GetCursorPosZ();
        return battle.FieldCheckPos(x, z) ? [x, z] : null;
    }

    // Sets `chosen` to one of `list` (null when X passes and the list is of foes); `actor` strikes them.
    function Choose(list, prompt, controls, actor = null) {
        chosen = null;
        local index = ShowChoice(list, 0, prompt, controls, actor);
        while (true) {
            if (PointerMoved()) {
                local u = PointedUnit();
                foreach (i, f in list) if (f.unit == u && i != index) index = ShowChoice(list, i, prompt, controls, actor);
                battle.SetCursorUnit(list[index].unit);  // the pointer's cell took it
            }
            local e = NextInput();
            if (e == null) { yield; continue; }
            if (e[0] == 7 && (e[1] == kKeyLeft || e[1] == kKeyRight)) {
                index = ShowChoice(list, (index + (e[1] == kKeyLeft ? list.len() - 1 : 1)) % list.len(), prompt, controls, actor);
            } else if (e[0] == 7 && e[1] == kKeyConfirm) {
                chosen = list[index];
                return;
            } else if (e[0] == 7 && e[1] == kKeyCancel && actor != null) {
                return;
            } else if (e[0] == 1 && OverField()) {
                local u = PointedUnit();
                if (actor != null && u == actor.unit) return;  // a click on the striker passes
                foreach (f in list) if (f.unit == u) { chosen = f; return; }
            }
        }
    }

    // The cursor on the unit in question; the panel names it (or the actor, and it as the target).
    function ShowChoice(list, index, prompt, controls, actor) {
        SayTurn(actor != null ? actor : list[index], prompt + (actor != null ? " " + list[index].Describe() : ""), controls);
        battle.SetCursorUnit(list[index].unit);
        return index;
    }

    // A grid step for an arrow key, turned with the camera so that each key keeps its way on screen.
    function GridStep(key) {
        local step = [[-1, 0], [1, 0], [0, -1], [0, 1]][key];
        for (local i = 0; i < battle.CameraGetAngleY(); ++i) step = [step[1], -step[0]];
        return step;
    }

    // Sets `chosenCell` to a cell in range, or the unit's own when X stays. The cursor and the route
    // follow the pointer or the arrows.
    function ChooseCell(f) {
        local x = f.X(), z = f.Z();
        SayTurn(f, "walk where?", "point at a lit cell and click, or the arrows and Z · X or a click on " + f.name + " stays");
        while (true) {
            if (PointerMoved()) {
                local cell = PointedCell();
                if (cell != null) x = cell[0], z = cell[1];
            }
            battle.SetCursorPos(x, battle.FieldGetHeight(x, z), z);
            local reachable = battle.FieldCheckRange(x, z);
            battle.SetRouteVisible(reachable);
            if (reachable) battle.SetRoutePos(x, z);
            local e = NextInput();
            if (e == null) { yield; continue; }
            local confirm = false;
            if (e[0] == 7 && e[1] >= 0 && e[1] < 4) {
                local step = GridStep(e[1]);
                if (battle.FieldCheckPos(x + step[0], z + step[1])) x += step[0], z += step[1];
            } else if (e[0] == 1 && OverField()) {
                local cell = PointedCell();
                if (cell == null) continue;  // a click beside the field
                x = cell[0], z = cell[1], confirm = true;
            } else if (e[0] == 7 && e[1] == kKeyCancel) {
                x = f.X(), z = f.Z(), confirm = true;
            } else if (e[0] == 7 && e[1] == kKeyConfirm) {
                confirm = true;
            }
            local other = battle.FieldGetUnit(x, z);
            if (confirm && (other == f.unit || (other == null && battle.FieldCheckRange(x, z)))) {
                chosenCell = z * 100 + x;
                return;
            }
        }
    }

    function End() {
        App.EndBattle();
        runner = null;
        portrait = null;
        status = null;
        statusFrame = null;
        foreach (f in fighters) battle.RemoveUnit(f.unit);
        fighters = null;
        battle = null;
    }
}
