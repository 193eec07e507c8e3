// Linking the player's account, from the launcher's micro-blog button: the
// PIN flow with the browser and the PIN dialog. The dialog never waits for
// the service: the two token requests run on a thread of their own and their
// replies come back through the dialogs' event loop, so the launcher keeps
// answering and the player can cancel while a request is out.
#pragma once

#include <functional>
#include <string>

namespace MicroblogAuth {

constexpr char kStatusRunning[] = "認証中";
constexpr char kStatusLinked[] = "認証完了";
constexpr char kStatusFailed[] = "認証失敗";

using StatusSink = std::function<void(const std::string& status)>;
// Stops a running link. `tell`: the player's cancel (kStatusFailed shows,
// then `ended` runs); otherwise the link is dropped without a word, as its
// dialog goes. A request still out is abandoned: its socket is closed and
// its reply reaches nobody.
using LinkStop = std::function<void(bool tell)>;

// The launcher button's action, on the dialog's thread. Shows kStatusRunning,
// then runs the PIN flow on the process's credential block and shows
// kStatusLinked (the new pair is then in the block, for the settings file to
// keep) or kStatusFailed, then calls `ended`: later, on the dialog's thread,
// never from inside this call. Returns null when nothing is left running:
// without a built-in consumer pair (one message box says so and the status
// stays as it was) or when no request thread could start (kStatusFailed).
LinkStop Run(StatusSink setStatus, std::function<void()> ended);

// The PIN callback: opens the authorise URL in the browser, then asks for
// the PIN; 1 with the PIN (at most 62 bytes, cut at a character boundary)
// in `pin` (256 bytes), 0 when cancelled.
int AskPin(void* user, const char* authorizeUrl, char* pin);

}  // namespace MicroblogAuth
