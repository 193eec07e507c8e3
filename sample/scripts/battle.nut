// The sample's battle: it opens a battle on the sample map (area 1, map 1)
// with two units of each side, shows the range of the first one, walks it
// one cell along its route, turns the camera now and then and shows the
// walking unit's portrait in the corner. Once there, it strikes the nearest
// enemy now and then with the sample's spark burst.

const kPortraitZ = 900;
const kWalkFrames = 16;  // frames to cross one cell
const kStrikeFrames = 150;  // frames between two strikes after the walk
const kBurstEffect = 0;  // line 0 of effect/list.txt

class SampleBattle {
    battle = null;
    units = null;
    portrait = null;
    route = null;   // cell codes still to walk
    from = null;    // cell the walk step started on
    walkFrame = 0;
    frames = 0;

    constructor() {
        battle = QmBattleInterface(1, 1);
        App.BeginBattle(battle);
        // A night sky: the sample's 2D scene lies over the battle, and its border stays dark.
        battle.SetBgColor(0, 0, 0, 0, 0, 0);
        units = [];
        local places = [[1, 1, 0, 1], [2, 2, 0, 2], [6, 5, 1, 1], [5, 6, 1, 2]];
        foreach (p in places) {
            local unit = QmUnitInterface(p[2], p[3]);
            battle.AddUnit(unit);
            unit.SetPos(p[0], p[1]);
            unit.SetDirPos(4, 4);
            units.append(unit);
        }
        battle.CameraMoveUnit(0, units[0]);
        battle.CameraMovePos(40, 4, 1, 4);
        battle.FieldFindRange(units[0], 0, 4, 1, 2, 2);
        portrait = QmUnitLayer();
        portrait.SetUnit(units[0]);
        portrait.SetZ(kPortraitZ);
        portrait.SetPos(Sys.ScreenWidth - 80, Sys.ScreenHeight - 80);
        print("battle: map " + battle.FieldGetSizeX() + " x " + battle.FieldGetSizeZ() + ", " + units.len() +
              " units, " + battle.FieldGetRange().len() + " cells in range");
        local target = battle.FieldGetRange().top();
        route = units[0].GetRoute(target % 100, target / 100) || [];
    }

    // One frame: walk the first unit along its route, cell by cell, with the walking animation.
    function Frame() {
        ++frames;
        if (frames % 300 == 0) battle.CameraRotate(30, 2.0, 90, 0);
        if (route.len() == 0) {
            if (frames % kStrikeFrames == 0) Strike(units[0], units[2]);
            return;
        }
        local unit = units[0];
        local next = route[0];
        if (walkFrame == 0) {
            from = [unit.GetPosX(), unit.GetPosZ()];
            unit.SetDirPos(next % 100, next / 100);
            unit.SetAnim(0, 0, true);
        }
        ++walkFrame;
        local t = walkFrame.tofloat() / kWalkFrames;
        local x = from[0] + (next % 100 - from[0]) * t + 0.5, z = from[1] + (next / 100 - from[1]) * t + 0.5;
        unit.Move(x, unit.FieldGetHeight(x, z), z);
        if (walkFrame == kWalkFrames) {
            walkFrame = 0;
            route.remove(0);
            unit.SetPos(next % 100, next / 100);
            if (route.len() == 0) {
                unit.SetAnim(2, 0, true);
                battle.FieldResetRange();
                print("battle: the unit arrived at " + unit.GetPosX() + ", " + unit.GetPosZ());
            }
        }
    }

    // The burst plays on the target's cell, lifted because a unit stands there.
    function Strike(unit, target) {
        unit.SetDirPos(target.GetPosX(), target.GetPosZ());
        battle.EfcStart(kBurstEffect, unit, target.GetPosX(), target.GetPosZ());
    }

    function End() {
        App.EndBattle();
        portrait = null;
        foreach (u in units) battle.RemoveUnit(u);
        units = null;
        battle = null;
    }
}
