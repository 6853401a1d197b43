#pragma once

/*
** Where an installation is recorded in the registry, so that the programs
** that read a place and the command that records it name the same key:
**
**   HKEY_LOCAL_MACHINE "SOFTWARE\Borland\Delphi\2.0", value "RootDir": the
**   IDE's root folder, which holds the template of generated source;
**   HKEY_CURRENT_USER "Software\Tarvik\Quillon", value "InstallPath": the
**   wizard's install folder, which holds its help file "QUILLON.HLP".
*/

#include <string_view>

namespace quillon::platform {

inline constexpr std::string_view kRootDirKey = "SOFTWARE\\Borland\\Delphi\\2.0";
inline constexpr std::string_view kRootDirValue = "RootDir";

inline constexpr char kInstallPathKey[] = "Software\\Tarvik\\Quillon";
inline constexpr char kInstallPathValue[] = "InstallPath";
inline constexpr char kHelpFileName[] = "QUILLON.HLP";

} // namespace quillon::platform
