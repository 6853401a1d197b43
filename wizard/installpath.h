#pragma once

/*
** Where the set-up records the wizard's install folder, the folder that
** holds its help file: HKEY_CURRENT_USER "Software\Tarvik\Quillon", value
** "InstallPath". The wizard reads it, "quillon install" writes it.
*/

namespace quillon::wizard {

inline constexpr char kInstallPathKey[] = "Software\\Tarvik\\Quillon";
inline constexpr char kInstallPathValue[] = "InstallPath";
inline constexpr char kHelpFileName[] = "QUILLON.HLP";

} // namespace quillon::wizard
