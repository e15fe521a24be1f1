// The window's two commands: starting the game and the About box.
#pragma once

#include "platform/platform.h"

namespace vx::mods {

// Shows the About box (title "About...", information icon, one OK button).
void showAbout(Platform& platform);

// Starts the game's program file, gamePath + "Vexmoor.exe", and returns
// without waiting for it. When it cannot be started, the user is told why and
// the program goes on.
void launchGame(Platform& platform, const NativeString& gamePath);

}  // namespace vx::mods
