// The sample's battle: three units a side on the sample map (area 1, map 1),
// played in rounds until one side is gone. The player's side (blue, side 0)
// is played with the mouse or the keyboard: pick a unit (click it, or
// Left/Right and Z), pick where it walks inside its range panels (click a
// cell, or the arrows and Z; X stays), then pick a neighbouring foe to
// strike (click it, or Left/Right and Z; X passes). The red side plays
// itself: each unit goes for its nearest foe by GetDistUnit and walks by the
// field's routes. With App.AutoBattle both sides play themselves.
//
// Hit points live here in the script. Every round the battle writes its
// checkpoints (units left per side, where each stands, the winner at the
// end) as text to "Save0000.dat" in the user's folder through File.
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
const kStatusZ = 880;
const kPortraitZ = 900;

class Fighter {
    unit = null;
    side = 0;
    name = "";
    hp = 0;
    power = 0;
    archer = false;   // type 2 shoots arrows

    constructor(sideIndex, type, label, hitPoints, strength) {
        unit = QmUnitInterface(sideIndex, type);
        side = sideIndex;
        archer = type == 2;
        name = label;
        hp = hitPoints;
        power = strength;
    }
    function X() { return unit.GetPosX(); }
    function Z() { return unit.GetPosZ(); }
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

    constructor(autoBattle) {
        auto = autoBattle;
        inputs = [];
        dump = [];
        battle = QmBattleInterface(1, 1);
        App.BeginBattle(battle);
        battle.SetBgColor(40, 64, 110, 150, 180, 210);
        battle.SetLighting(0.45, 0.9);
        fighters = [];
        // side, type, x, z, hit points, strength
        local roster = [[0, 1, 1, 4, 12, 4], [0, 2, 2, 5, 10, 5], [0, 1, 1, 7, 12, 4],
                        [1, 1, 10, 3, 12, 4], [1, 2, 8, 5, 10, 5], [1, 1, 10, 7, 12, 4]];
        foreach (r in roster) {
            local f = Fighter(r[0], r[1], App.GenCharaName(), r[4], r[5]);
            battle.AddUnit(f.unit);
            f.unit.SetPos(r[2], r[3]);
            f.unit.SetDirPos(r[0] == 0 ? 11 : 0, r[3]);
            f.unit.SetAnim(kAnimStand, 0, true);
            fighters.append(f);
        }
        // A light rain over the field for the whole battle.
        battle.EfcSetParameter(battle.EfcStart(kEffectRain, null, 0, 0), 0, kRainPerFrame);
        battle.CameraMovePos(0, 6, 2, 5);
        battle.CameraZoom(0, 2.0, -1);
        font = FontInterface(20, "font/DejaVuSans.ttf");
        statusFrame = TileInterface();
        statusFrame.SetMode(1);
        statusFrame.SetImage(ImageInterface("image/panel.png", false));
        statusFrame.SetSize(Sys.ScreenWidth - 40, 84);
        statusFrame.SetPos(Sys.ScreenWidth / 2, Sys.ScreenHeight - 50);
        statusFrame.SetZ(kStatusZ);
        status = TextBoxInterface(font, 256);
        status.SetSize(Sys.ScreenWidth - 80, 64);
        status.SetPos(Sys.ScreenWidth / 2, Sys.ScreenHeight - 50);
        status.SetFontRGBA(0xF4EBD0FF);
        status.SetZ(kStatusZ + 1);
        portrait = QmUnitLayer();
        portrait.SetZ(kPortraitZ);
        portrait.SetPos(Sys.ScreenWidth - 70, Sys.ScreenHeight - 170);
        hitSound = SoundPlayer();
        hitSound.SetCategory(2);
        voice = SoundPlayer();
        voice.SetCategory(4);  // a voice: the music ducks under it
        print("battle: map " + battle.FieldGetSizeX() + " x " + battle.FieldGetSizeZ() + ", " +
              fighters.len() + " units" + (auto ? ", both sides play themselves" : ""));
        runner = Run();
    }

    // One frame; false once the battle is over.
    function Frame() {
        if (runner == null) return false;
        resume runner;
        if (runner.getstatus() == "dead") runner = null;
        return runner != null;
    }

    function OnEvent(code, arg) { if (!auto) inputs.append([code, arg]); }

    function Run() {
        Checkpoint("start");
        voice.StartFile("sound/chime.adp");
        for (round = 1; round <= kRoundLimit && Winner() < 0; ++round) {
            foreach (side in [0, 1]) {
                if (Winner() >= 0) break;
                foreach (_ in (auto || side == 1 ? SideTurn(side) : PlayerTurn())) yield;
            }
            Checkpoint("round " + round);
        }
        winner = Winner() < 0 ? 2 : Winner();
        Checkpoint("winner " + winner);
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
        ShowStatus(label);
    }

    function ShowStatus(headline) {
        local text = "Round " + round + " - " + headline + "\n";
        foreach (f in fighters) text += (f.side == 0 ? "[B] " : "[R] ") + f.name + " " + f.hp + "  ";
        status.SetText(text);
    }

    function Say(text) { status.SetText("Round " + round + " - " + text); }

    function Focus(f) {
        portrait.SetUnit(f.unit);
        battle.CameraMoveUnit(12, f.unit);
        battle.SetCursorUnit(f.unit);
    }

    // Each unit of the side goes for its nearest foe and strikes it when it stands beside it.
    function SideTurn(side) {
        foreach (f in Living(side)) {
            if (f.hp <= 0) continue;
            local target = Nearest(f);
            if (target == null) return;
            Focus(f);
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

    // Walks cell by cell with the walking animation, drawn between the cells on the way.
    function Walk(f, route) {
        if (route.len() == 0) return;
        f.unit.SetAnim(kAnimWalk, 0, true);
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
    }

    function WaitForAnim(unit) {
        for (local i = 0; i < kAnimWaitLimit && !unit.EndOfAnim(); ++i) yield;
    }

    // Strikes with the attack animation; a foe out of hit points plays its defeat and leaves the field.
    function Attack(f, target) {
        f.unit.SetDirPos(target.X(), target.Z());
        f.unit.SetAnim(kAnimAttack, 0, false);
        battle.EfcStart(kEffectHit, f.unit, target.X(), target.Z());  // -1 without effects built in
        if (f.archer) battle.EfcStart(kEffectArrows, f.unit, target.X(), target.Z());
        foreach (_ in WaitForAnim(f.unit)) yield;
        f.unit.SetAnim(kAnimStand, 0, true);
        local damage = f.power + Utl.RandRange(0, 3);
        target.hp = target.hp > damage ? target.hp - damage : 0;
        hitSound.StartFile("sound/chime.adp");
        Say(f.name + " strikes " + target.name + " for " + damage + (target.hp == 0 ? ": defeated" : ""));
        print("battle: " + f.side + " hits " + target.side + " at " + target.X() + "," + target.Z() + " for " + damage);
        if (target.hp > 0) return;
        target.unit.SetAnim(kAnimDefeat, 0, false);
        battle.EfcStart(kEffectFocusLines, null, 0, 0);
        foreach (_ in WaitForAnim(target.unit)) yield;
        portrait.SetUnit(f.unit);
        battle.RemoveUnit(target.unit);
        fighters = fighters.filter(@(i, o) o != target);
        target.unit = null;  // its last reference: the unit leaves its cell
    }

    // The player's side: each unit in turn, picked, walked and set on a foe by mouse or keyboard.
    function PlayerTurn() {
        local waiting = Living(0);
        inputs.clear();  // keys pushed during the other side's turn are not orders
        while (waiting.len() > 0 && Winner() < 0) {
            local f = null;
            foreach (_ in Choose(waiting, "choose a unit: click it, or Left/Right and Z")) yield;
            f = chosen;
            waiting = waiting.filter(@(i, w) w != f && w.hp > 0);
            battle.FieldFindRange(f.unit, 0, kMoveRange, kJumpLevels, 0, 2);
            battle.SetRouteVisible(true);
            foreach (_ in ChooseCell(f)) yield;
            local route = f.unit.GetRoute(chosenCell % 100, chosenCell / 100) || [];
            battle.SetRouteVisible(false);
            battle.FieldResetRange();
            foreach (_ in Walk(f, route)) yield;
            local foes = fighters.filter(@(i, o) o.side != f.side && f.unit.GetDistUnit(o.unit) == 1);
            if (foes.len() == 0) continue;
            battle.FieldFindRange(f.unit, 1, 1, 1, 1, 0);
            chosen = null;
            foreach (_ in Choose(foes, "strike whom? click a foe, or Left/Right and Z; X passes")) yield;
            battle.FieldResetRange();
            if (chosen != null) foreach (_ in Attack(f, chosen)) yield;
        }
    }

    chosen = null;
    chosenCell = 0;

    function NextInput() { return inputs.len() > 0 ? inputs.remove(0) : null; }

    // Sets `chosen` to one of `list` (null when X passes and the list is of foes).
    function Choose(list, prompt) {
        local index = 0;
        chosen = null;
        Say(prompt);
        Focus(list[0]);
        while (true) {
            local e = NextInput();
            if (e == null) { yield; continue; }
            if (e[0] == 7 && (e[1] == 0 || e[1] == 1)) {
                index = (index + (e[1] == 0 ? list.len() - 1 : 1)) % list.len();
                Focus(list[index]);
            } else if (e[0] == 7 && e[1] == 4) {
                chosen = list[index];
                return;
            } else if (e[0] == 7 && e[1] == 5 && list[0].side == 1) {
                return;
            } else if (e[0] == 1) {
                battle.UpdateCursor();
                local u = battle.GetCursorUnit();
                foreach (f in list) if (f.unit == u) { chosen = f; Focus(f); return; }
            }
        }
    }

    // Sets `chosenCell` to a cell in range, or the unit's own when X stays.
    function ChooseCell(f) {
        local x = f.X(), z = f.Z();
        Say("walk where? click a lit cell, or the arrows and Z; X stays");
        while (true) {
            battle.SetCursorPos(x, battle.FieldGetHeight(x, z), z);
            if (battle.FieldCheckRange(x, z)) battle.SetRoutePos(x, z);
            local e = NextInput();
            if (e == null) { yield; continue; }
            local steps = [[-1, 0], [1, 0], [0, -1], [0, 1]];
            if (e[0] == 7 && e[1] >= 0 && e[1] < 4) {
                local nx = x + steps[e[1]][0], nz = z + steps[e[1]][1];
                if (battle.FieldCheckPos(nx, nz)) x = nx, z = nz;
            } else if (e[0] == 1) {
                battle.UpdateCursor();
                local cx = battle.GetCursorPosX(), cz = battle.GetCursorPosZ();
                if (!battle.FieldCheckPos(cx, cz)) continue;  // a click beside the field
                x = cx, z = cz;
            } else if (e[0] == 7 && e[1] == 5) {
                x = f.X(), z = f.Z();
            } else if (!(e[0] == 7 && e[1] == 4)) {
                continue;
            }
            local other = battle.FieldGetUnit(x, z);
            local free = other == null || other == f.unit;
            if ((e[0] == 1 || e[1] == 4 || e[1] == 5) && free && (battle.FieldCheckRange(x, z) || other == f.unit)) {
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
