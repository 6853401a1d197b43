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

} // namespace quillon::platform
