#pragma once

/*
** The Lazarus project (.lpi) written beside a generated .dpr, so that
** Lazarus opens, builds and runs the extension with no set-up of its own.
**
** The project is a library whose main unit is the .dpr (named relative to
** the .lpi, which stands in the same folder), built with -Cg into
** libNAME.so beside it, with the Quillon units on the unit path. It has two
** build modes: Debug (-g -gl, no optimisation; the default) and Release
** (-O2, no debug information). Its run parameters start the ISAPI host
** program with the library (./libNAME.so, from the project's folder) and an
** empty query string the user edits in Run > Run Parameters; the library runs
** in the host's process, so a breakpoint in HttpExtensionProc stops there
** under the debugger.
**
** An existing .lpi is never replaced: the user's settings win.
*/

#include <string>

namespace quillon::generator {

struct LazarusProjectSettings
{
    std::string libraryName; // NAME of NAME.dpr: a Pascal identifier
    std::string unitPath;    // the folder of the Quillon units (absolute)
    std::string hostProgram; // the ISAPI host Run starts (absolute)
};

// The .lpi text. Throws GenerationError naming the value at fault when a
// path cannot stand in the file (not UTF-8, a control character, or a ';'
// in the unit path, which Lazarus reads as a separator).
std::string lazarusProjectText(const LazarusProjectSettings &settings);

// value as the text of an XML attribute ("&", "<", ">", quotes escaped).
// Throws GenerationError naming it as what when XML cannot carry it (not
// UTF-8, or a control character).
std::string xmlAttributeText(const std::string &value, const std::string &what);

// The .lpi path for a .dpr path: the same folder and name, ".lpi".
std::string lazarusProjectPath(const std::string &dprPath);

// Writes the .lpi for dprPath atomically unless a file stands there already.
// Returns true when it wrote one. Failures throw GenerationError naming
// the file.
bool writeLazarusProject(const std::string &dprPath, const std::string &unitPath, const std::string &hostProgram);

} // namespace quillon::generator
