#pragma once

/*
** Source generation: turns a WizardProject into the project source (.dpr)
** of an ISAPI extension library by expanding the placeholders of a template.
**
** The steps, each callable on its own:
**
**   templatePathFromRegistry()  where the template lies: the IDE's root
**                               directory (HKEY_LOCAL_MACHINE
**                               "SOFTWARE\Borland\Delphi\2.0", value "RootDir")
**                               followed by "/template.dpr";
**   currentGenerationMoment()   the date and time written into the trailer;
**   expandTemplate()            the whole text transformation, no files;
**   generateSourceFile()        reads the template, expands it and writes the
**                               output file atomically.
**
** Expansion replaces the first occurrence of each of the 24 placeholders
** "{*$Name}", in a fixed order, with a fragment of Object Pascal built from
** the project. Placeholders are looked for only in the template's own text,
** never inside text inserted for an earlier one, so a title that reads
** "{*$Author}" stays a title. A placeholder missing from the template gets
** its non-empty fragment at the very start of the text. Afterwards each run
** of blank lines shrinks to its last line and every line ends with CR LF.
**
** Every user value that lands inside a Pascal string literal has its single
** quotes doubled, so the literal holds exactly what the user typed. The
** values that land bare, as identifiers, must be usable names
** (checkBareNames()); generateSourceFile() refuses a project where one is not. Text is
** 8-bit: all other bytes pass through unchanged.
*/

#include "generator/editedsource.h"
#include "generator/generationerror.h"
#include "generator/generationmoment.h"
#include "platform/installkeys.h"
#include "project/wizardproject.h"

#include <string>
#include <string_view>

namespace quillon::platform {
class Registry;
}

namespace quillon::generator {

// Expands templateText (taken up to its first NUL byte) for the project.
// Never throws for any template or project contents, and does not check the
// bare names: source meant to be compiled goes through checkBareNames().
std::string expandTemplate(const WizardProject &project, std::string_view templateText,
                           const GenerationMoment &moment);

// Where the IDE's root directory, the folder of the template, is recorded:
// this key of HKEY_LOCAL_MACHINE, this value (named here too for the
// generator's callers).
using platform::kRootDirKey;
using platform::kRootDirValue;

// The template path: the root folder (platform/rootdir.h) followed directly
// by "/template.dpr"; "/template.dpr" alone outside an installation with
// nothing recorded. Throws GenerationError if the registry hive exists but
// cannot be read, or if it holds the value but is not trusted to choose
// code: the template decides the code of every extension generated from it.
std::string templatePathFromRegistry(const platform::Registry &registry);

// Refuses a project whose values that the source uses as bare identifiers
// are not all usable names (isUsableName()): the request value names, the
// value side of the insert mapping in insert mode, and the library name
// from OutputDLL. The GenerationError names the key and value at fault, such
// as Input0=..., and has no path.
void checkBareNames(const WizardProject &project);

// Checks the project (checkBareNames()), reads the template and expands
// it: the text generateSourceFile() would write. Throws GenerationError
// carrying the run-time library's text and the template's path.
std::string generateSourceText(const WizardProject &project, const std::string &templatePath,
                               const GenerationMoment &moment);

// generateSourceText(), then writes the result to outputPath following the
// rule of editedsource.h: a file the user edited since Quillon last wrote
// it, or one Quillon knows nothing of, is refused, replaced or merged as
// how says. The write is atomic: on failure an existing output file is
// untouched and no partial file is left. The template is read before the
// output is touched. Throws GenerationError (EditedSourceError for a
// refusal) carrying the run-time library's text and the path.
SourceWrite generateSourceFile(const WizardProject &project, const std::string &templatePath,
                               const std::string &outputPath, const GenerationMoment &moment,
                               EditedSource how = EditedSource::Refuse);

} // namespace quillon::generator
