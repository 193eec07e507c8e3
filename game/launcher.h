// The launcher: what runs before the game window exists. It makes sure only
// one copy of the game runs, loads config.dat, shows the launcher dialog,
// saves config.dat (also when the player quits; a box says when it could not)
// and turns the settings into the descriptor. The exit step saves them once more at the end of the game.
#pragma once

#include <functional>

#include "app/app_descriptor.h"
#include "platform/dialog_form.h"

// The name of the single-instance lock.
constexpr char kSingleInstanceName[] = "Kilnwk_Quillmoor";
// The banner picture, from the working folder (beside the game's pack).
constexpr char kLauncherBannerFile[] = "banner.png";

struct LauncherActions;

// Shows a dialog and returns its end code (kFormNoDisplay without a display).
using DialogRunner = std::function<int(const FormSpec& spec, FormLogic* logic)>;

namespace Launcher {
// True when the player pressed start. False for a second copy of the game
// (nothing is shown then; one log line says why) and when the player quit.
bool Run(AppDescriptor* descriptor);
// The same with another way of showing the dialog and other button actions.
// Without a display the dialog counts as started with the saved settings, so
// the game reports its own start-up error.
bool RunWith(AppDescriptor* descriptor, const DialogRunner& showDialog, const LauncherActions& actions);
// The launcher's button actions: the desktop opener, the save folder,
// deleting the save files, the micro-blog link.
LauncherActions DesktopActions();
// At the end of the game: the save folder is made again if it went, and
// config.dat is saved. Needs the file layer.
void ExitStep();
}  // namespace Launcher
