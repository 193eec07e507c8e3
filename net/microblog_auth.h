// Linking the player's account, from the launcher's micro-blog button: the
// PIN flow with the browser and the PIN dialog. Main thread; blocks while the
// requests run.
#pragma once

#include <functional>

namespace MicroblogAuth {

constexpr char kStatusRunning[] = "認証中";
constexpr char kStatusLinked[] = "認証完了";
constexpr char kStatusFailed[] = "認証失敗";

// The launcher button's action. Shows kStatusRunning through `setStatus`,
// runs the PIN flow on the process's credential block, then shows
// kStatusLinked or kStatusFailed; true when the account is now linked (the
// new pair is then in the block, for the settings file to keep). Without a
// built-in consumer pair it says so in one message and does nothing else.
bool Run(const std::function<void(const char* status)>& setStatus);

// The PIN callback: opens the authorise URL in the browser, then asks for
// the PIN; 1 with the PIN (at most 62 bytes, cut at a character boundary)
// in `pin` (256 bytes), 0 when cancelled.
int AskPin(void* user, const char* authorizeUrl, char* pin);

}  // namespace MicroblogAuth
