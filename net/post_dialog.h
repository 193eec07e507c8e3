// The in-game post dialog (F1): a text, optionally with a JPEG screenshot of
// the frame the player sees. Main thread; the game's frames wait while the
// dialog is open, not while the post is sent (on a thread of its own).
#pragma once

#include <ctime>
#include <string>

struct Image;

namespace PostDialog {

constexpr size_t kMaxTextBytes = 1023;

// F1: when the account is linked, asks the frame loop for a copy of the next
// frame and opens the dialog once that frame is on screen; otherwise nothing.
void Show();
// The dialog itself over `screenshot` (may be null); posts on the post button.
void ShowWith(const Image* screenshot);
// The post button: sends `text` (cut to kMaxTextBytes at a character
// boundary), with the screenshot as JPEG when `attach` is set. An empty text
// sends nothing; a screenshot that cannot be encoded is left out and the text
// is sent alone. True when the post is on its way: it is sent on a thread of
// its own, and its outcome is one log line.
bool Post(const std::string& text, bool attach, const Image* screenshot);

}  // namespace PostDialog

// "QM%y%m%d%H%M%S.jpg" of the local time `when`, e.g. QM130412093005.jpg.
std::string ScreenshotFileName(time_t when);
// A bottom-up RGBA8 frame (as ReadFramebufferImage gives it) as an upright
// quality-80 JPEG in memory; false (with a log line) when encoding failed.
bool EncodeScreenshotJpeg(const Image* frame, std::string* jpeg);
