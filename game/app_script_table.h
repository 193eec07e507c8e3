// The script table App: battle hand-over, the event ring, names, loading
// further scripts, the config slots and four option flags. Its natives find
// the App through the VM's foreign pointer.
#pragma once

#include <squirrel.h>

#include <string>

class App;

// Creates the table App in the root table, its natives and flag slots in
// their order; `app` becomes the VM's foreign pointer. Needs the VM.
int RegisterAppScriptTable(App* app);

// Script names longer than this are refused.
constexpr size_t kMaxScriptNameLength = 254;

// The file LoadScript and DoScript open for `name`: ".cnut" is appended when
// the name has no extension. False (with a log line) for a name over 254
// characters.
bool MakeScriptFileName(const char* name, std::string* file);

// The type tag the battle's script class carries; App.BeginBattle takes only
// instances of a class with it.
SQUserPointer QmBattleTypeTag();
