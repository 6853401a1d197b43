#pragma once

/*
** Where the set-up records the wizard's install folder, the folder that
** holds its help file: HKEY_CURRENT_USER "Software\Tarvik\Quillon", value
** "InstallPath". The wizard reads it, "quillon install" writes it.
*/

#include <string>

namespace quillon::platform {
class Registry;
}

namespace quillon::wizard {

inline constexpr char kInstallPathKey[] = "Software\\Tarvik\\Quillon";
inline constexpr char kInstallPathValue[] = "InstallPath";
inline constexpr char kHelpFileName[] = "QUILLON.HLP";

// The help file: QUILLON.HLP in the recorded install folder; with nothing
// recorded, in an installed program's data folder (platform/installlayout.h),
// else the bare file name. An unreadable registry counts as nothing
// recorded: opening the file then names the file that is missing.
std::string helpFilePath(const platform::Registry &registry);

} // namespace quillon::wizard
