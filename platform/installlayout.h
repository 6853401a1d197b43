#pragma once

/*
** Where an installed Quillon keeps its files, below one prefix (/usr for
** the Debian package):
**
**   PREFIX/bin              the programs
**   PREFIX/lib/quillon      libKestrel.so and the engine library, found by
**                           the programs through their run path
**   PREFIX/share/quillon    the help file QUILLON.HLP; pascal/ holds
**                           template.dpr and the Pascal units, examples/ the
**                           sample projects and data
**
** A program finds its installation from its own file: the prefix is the
** folder above the program's bin/ (or lib/quillon/) folder, and counts as
** an installation only when the template is there. A program run from a
** build folder has none, so build-folder runs and tests never pick up the
** files of an installed copy.
**
** These are the defaults for an empty registry: callers use them only where
** the user's registry holds no value of its own.
*/

#include <optional>
#include <string>

namespace quillon::platform {

struct InstallLayout
{
    std::string prefix; // absolute, without a trailing slash

    std::string dataDir() const;       // PREFIX/share/quillon: QUILLON.HLP
    std::string rootDir() const;       // PREFIX/share/quillon/pascal: template.dpr and the units
    std::string libraryDir() const;    // PREFIX/lib/quillon
    std::string expertLibrary() const; // PREFIX/lib/quillon/libKestrel.so
};

// The name under which the packaged expert is listed ("Kestrel").
inline constexpr char kPackagedExpertName[] = "Kestrel";

// The installation that the program file programPath belongs to, if any.
std::optional<InstallLayout> layoutOfProgram(const std::string &programPath);

// The installation of the running program (/proc/self/exe), found once.
const std::optional<InstallLayout> &installedLayout();

} // namespace quillon::platform
