#pragma once

/*
** The changes "quillon lazarus install|uninstall" makes to a Lazarus
** configuration folder, as plain text functions (the folder's files are
** Lazarus's own XML; the changes are local, so the rest of each file stays
** byte for byte as Lazarus wrote it).
**
** The first-start dialogs a fresh folder gets on Debian 12, and what
** prevents them:
**   - "Downgrade configuration": lazbuild records its version without
**     Debian's suffix ("2.2.6") and the IDE, seeing "2.2.6+dfsg2-2", takes
**     the folder for a newer one. The recorded version of the same release
**     is completed (withIdeVersion); a genuinely other version is left, so
**     Lazarus still asks about it.
**   - "Fppkg reports that the RTL is not installed": Debian's Free Pascal
**     ships no rtl.fpm and its fppkg configuration points at /usr/local. A
**     fppkg configuration of our own in the folder names Free Pascal's
**     real folder and holds the one missing entry (fppkgFiles), and the
**     environment options point at it unless they name one already
**     (withFppkgConfig).
** The package is taken out of the IDE's list of packages to build in
** (withoutStaticPackage), since lazbuild can only add one.
**
** A rebuild builds in only the packages the folder lists, but Debian's IDE
** carries many more (it is Lazarus's "big IDE"), the FpDebug debugger
** among them: while the user still runs that IDE, its packages are added
** to the list (bigIdeUnits, withStaticPackages), so the rebuilt IDE loses
** nothing. In a folder this run sets up, the GDB debugger is made the
** active one (withActiveDebugger): Lazarus 2.2's FpDebug does not stop at
** breakpoints in a library the host loads at run time, GDB does.
*/

#include <string>
#include <vector>

namespace quillon::cli {

// envXml with the recorded Lazarus version set to ideVersion where the
// record is the same release ("2.2.6" for "2.2.6+dfsg2-2"); otherwise as it is.
std::string withIdeVersion(const std::string &envXml, const std::string &ideVersion);

// envXml naming fppkgConfig as the fppkg configuration, unless it names one.
std::string withFppkgConfig(const std::string &envXml, const std::string &fppkgConfig);

// miscXml without the package name (any letter case) in the IDE's list of
// packages to build in; removed tells whether it was there.
std::string withoutStaticPackage(const std::string &miscXml, const std::string &name, bool &removed);

// miscXml with each of names (any letter case) in the IDE's list of
// packages to build in, in order after the ones there.
std::string withStaticPackages(const std::string &miscXml, const std::vector<std::string> &names);

// The units the distribution's IDE builds in beyond a plain one: the
// "{$IFDEF BigIDE}" part of the uses list of Lazarus's ide/lazarus.pp.
// Most are the main units of packages of the same name, which a rebuild
// must list to keep them (the debugger FpDebug, TAChart, SQLdb...).
std::vector<std::string> bigIdeUnits(const std::string &lazarusPp);

// envXml with the debugger configuration of class debuggerClass the
// active one; as it is when there is no such configuration.
std::string withActiveDebugger(const std::string &envXml, const std::string &debuggerClass);

// The build settings of a folder that has none: Lazarus's "Normal IDE"
// profile, building the IDE into targetDir (never into Lazarus's own
// folder, which root could write to).
std::string startingMiscOptions(const std::string &targetDir);

struct ConfigFile
{
    std::string path; // relative to the fppkg folder
    std::string text;
};

// The fppkg configuration in folder (absolute, ending in "/"): fppkg.cfg,
// config/default, and the RTL's entry in its own repository.
// fpcDir: Free Pascal's unit folder of version fpcVersion ("/usr/lib/x86_64-linux-gnu/fpc/3.2.2/").
std::vector<ConfigFile> fppkgFiles(const std::string &folder, const std::string &fpcDir,
                                   const std::string &fpcVersion, const std::string &cpu, const std::string &os);

} // namespace quillon::cli
