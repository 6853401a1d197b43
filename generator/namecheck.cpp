/*
** The check that keeps project values from becoming code.
**
** A few values are written into the generated source bare, not inside a
** string literal: each request value name (a variable, assigned in GetVars),
** the value side of each insert mapping entry (the variable written to the
** field) and the library name taken from the output file. A hand-edited
** project file can hold anything there, such as
** "x: Integer; begin Halt(7) end; var y", which would turn into statements
** of the extension. Each such value must pass isUsableName(), the rule the
** wizard applies when the value is added, or nothing is generated.
*/

#include "generator/databasefragments.h"
#include "generator/libraryfragments.h"
#include "generator/sourcegenerator.h"
#include "project/identifier.h"
#include "project/mapping.h"

namespace quillon::generator {

namespace {

void require(std::string_view name, const std::string &key, const std::string &value,
             const std::string &what)
{
    const std::string_view reason = unusableNameReason(name);
    if (reason.empty())
        return;
    std::string message = key + " \"" + value + "\": " + what;
    if (name != value)
        message += " \"" + std::string(name) + "\"";
    throw GenerationError(message + " is " + std::string(reason));
}

std::string indexedKey(const char *key, std::size_t i)
{
    return key + std::to_string(i);
}

} // namespace

void checkBareNames(const WizardProject &project)
{
    for (std::size_t i = 0; i < project.Input.size(); ++i)
        require(project.Input[i], indexedKey("Input", i), project.Input[i], "the request value name");
    if (inserting(project)) {
        for (std::size_t i = 0; i < project.UpdFields.size(); ++i) {
            const std::string &entry = project.UpdFields[i];
            require(splitMapping(entry).input, indexedKey("UpdFields", i), entry,
                    "the request value name");
        }
    }
    // No library name at all (no "." in the file name) puts no text in the
    // source; the compiler reports it.
    if (const auto name = libraryName(project.OutputDLL); !name.empty())
        require(name, "OutputDLL", project.OutputDLL, "the library name");
}

} // namespace quillon::generator
