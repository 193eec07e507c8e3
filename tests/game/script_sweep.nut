// Every root class and table function called with wrong, extreme and foreign arguments: a thrown error
// is right, a crash or sanitizer report a fault. The instances live a few frames, so their state is drawn.

local nan = 0.0 / 0.0, inf = 1.0 / 0.0;
// The extremes last: each method's last call leaves its instance most hostile for the frames drawn.
local numbers = [24, 0, 1, -1, 0.5, 0x7FFFFFFF, 2147483648, -2147483648, 0x7FFFFFFFFFFFFFFF,
                 -0x7FFFFFFFFFFFFFFF - 1, 9.3e18, nan, inf, -inf, 1e30, -1e30];
local long = "";
for (local i = 0; i < 2500; i++) long += "霧";
// The real files first: the first instances a constructor keeps are the useful ones.
local strings = ["font/sweep.ttf", "image/sweep.png", "", "sweep", "a\x00b", "%s%s%n%x", "\xFF\xC3\xE3\x81", long];
local classes = [], tables = [];
foreach (name, value in getroottable()) {
    if (typeof value == "class") classes.append(value);
    if (typeof value == "table" && name != "std") tables.append(value);
}

stats <- {calls = 0, refused = 0};
pool <- [];         // instances made, a few per class and round
local samples = []; // the instances of the first round, as arguments

function Call(f, self, args) {
    stats.calls++;
    local all = [self];
    all.extend(args);
    try { f.acall(all); return true; } catch (e) { stats.refused++; return false; }
}

// Nothing, every kind alone and repeated, objects and numbers mixed, pairs of numbers.
function ArgumentLists(objects, values, mixedFirst) {
    local plain = [[]], mixed = [];
    foreach (x in values) plain.extend([[x], [x, x], [x, x, x, x], [x, x, x, x, x, x, x, x]]);
    foreach (n in numbers) foreach (o in objects) mixed.extend([[o, n, n, n, n], [n, o], [n, o, n, n]]);
    foreach (n in numbers) foreach (m in numbers) mixed.extend([[n, m], [n, m, m, m, m]]);
    local first = mixedFirst ? mixed : plain;
    first.extend(mixedFirst ? plain : mixed);
    return first;
}

function Values(objects) {
    local values = [null, true, {}, [], Call, Call.weakref(), newthread(Call)];
    foreach (more in [numbers, objects, classes]) values.extend(more);
    return values;
}

function Construct(lists, keepSamples) {
    foreach (cls in classes) {
        local kept = 0;
        foreach (args in lists) {
            local instance = cls.instance();
            if (Call(cls.constructor, instance, args) && kept < 3) {
                pool.append(instance);
                if (keepSamples) samples.append(instance);
                kept++;
            }
        }
        // Constructors on every instance made so far, of any class.
        foreach (other in pool) Call(cls.constructor, other, [0]);
    }
}

function Strangers(cls) {
    local others = [null, {}, cls, 0];
    foreach (i in samples) if (!(i instanceof cls)) others.append(i);
    return others;
}

function SweepMembers(holder, selves, lists, strangers) {
    foreach (name, member in holder) {
        // Sys.Exit waits for the end: the first status posted is the one the game ends with.
        if (typeof member != "function" || name == "constructor" || member == Sys.Exit) continue;
        foreach (self in selves) foreach (args in lists) Call(member, self, args);
        foreach (self in strangers) { Call(member, self, []); Call(member, self, [0]); }
    }
}

function AppInitialize() {
    local objects = clone strings;
    objects.append(null);
    Construct(ArgumentLists(objects, Values(objects), true), true);
    objects.extend(samples);
    Construct(ArgumentLists(objects, Values(objects), true), false);  // now with instances to hand
    local lists = ArgumentLists(objects, Values(objects), false);
    foreach (cls in classes) {
        local selves = pool.filter(@(i, instance) instance instanceof cls);
        SweepMembers(cls, selves, lists, Strangers(cls));
    }
    foreach (table in tables) SweepMembers(table, [table], lists, []);
}

frames <- 0;
function AppUpdate() {
    if (++frames < 3) return;
    Sys.Exit(0);
    foreach (args in ArgumentLists([null], Values([]), false)) Call(Sys.Exit, Sys, args);
    print("sweep: " + classes.len() + " classes, " + tables.len() + " tables, " + stats.calls + " calls, " +
          stats.refused + " refused");
    pool.clear();
}
