#pragma once

/*
** The user's state folder, where the programs keep what they need to
** remember between runs but the user never edits (the texts Quillon last
** generated): $QUILLON_STATE_DIR when set (tests point it at a folder of
** their own), else $XDG_STATE_HOME/quillon, else ~/.local/state/quillon
** with ~ taken from $HOME, else from the password database. Empty if none
** of these is known.
*/

#include <string>

namespace quillon::platform {

std::string userStateFolder();

} // namespace quillon::platform
