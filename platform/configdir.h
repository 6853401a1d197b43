#pragma once

/*
** The user's configuration folder, where the registry hives and the engine's
** alias file live by default: $XDG_CONFIG_HOME, else ~/.config with ~ taken
** from $HOME, else from the user's entry in the password database, so that a
** program started with an empty environment still finds the user's settings.
** Empty if none of these is known.
*/

#include <string>

namespace quillon::platform {

std::string userConfigHome();

// The user's home folder: $HOME, else the password database's entry; empty
// if neither is known.
std::string userHome();

} // namespace quillon::platform
