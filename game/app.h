// The game's one application object: it opens the game's pack, starts the
// script VM with the engine's API and the App table, turns each frame's input
// into event words for the scripts, and calls the scripts' AppInitialize,
// AppUpdate and AppFinalize. Main thread only.
#pragma once

#include <squirrel.h>

#include <cstdint>

#include "game/app_events.h"
#include "game/config_slots.h"
#include "game/puppet_names.h"

struct Allocator;
struct FsMgr;
class QmBattle;
struct VoicePool;

class App {
public:
    // Becomes what GetApp returns.
    App();
    // GetApp no longer returns it.
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Start-up. A missing or unreadable pack shows the start-up error box and
    // ends the run with status 1; the App then stays not initialised.
    void Initialize();
    // One update: the input events, then the scripts' AppUpdate while it works.
    void Update();
    void PollInput();
    void PushEvent(int32_t code, int32_t argument);
    // The 3D pass and the 2D pass of a frame.
    void Draw();
    void Draw2D();
    // Tears down exactly what Initialize made, in reverse.
    void Finalize();
    void OnLostDevice();
    void OnResetDevice();
    // A frame key (0 Esc, 1..12 F1..F12) went down or up.
    void OnNotify(int key, int down);

    void LoadPuppetNames();
    void StartScript();
    // The config slots are the player's settings (AppConfig): slots outside
    // 0..4 are ignored; values are kept as given.
    void SetConfigValue(int32_t slot, int32_t value);
    // 0 for slots outside 0..4.
    int32_t GetConfigValue(int32_t slot) const;

    uint32_t initialised = 0;
    FsMgr* pack = nullptr;
    FsMgr* scriptFolder = nullptr;  // "script" inside the pack
    HSQOBJECT appTable;             // the script table App; not referenced, the root table holds it
    QmBattle* battle = nullptr;     // not owned; set between App.BeginBattle and App.EndBattle
    PuppetNames names;
    EventRing events;
    uint32_t dragReported = 0;   // a drag was reported for the right button's current press
    uint32_t scriptStopped = 0;  // AppUpdate is no longer called
    Allocator* smallBlockPool = nullptr;
    Allocator* largeBlockPool = nullptr;
    VoicePool* oggVoices = nullptr;
    VoicePool* adpcmVoices = nullptr;

    // Seeding the scripts' random state from the clock, unless a test fixed the seed.
    bool fixedSeed = false;
    uint32_t seed = 0;
    // App.AutoBattle's value before AppInitialize runs (tests let both sides play themselves).
    bool autoBattle = false;

private:
    bool scriptStarted_ = false;  // the VM was made, so AppFinalize and the VM's close are due
};

// The App while one exists, else null.
App* GetApp();

// Builds the program "shader/<name>.vs" + "shader/<name>.fs" from the App's
// pack; the program id, or -1 when a file is missing or the build fails.
int32_t LoadShaderProgram(App* app, const char* name);
