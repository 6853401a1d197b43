/*
** The file step of generation: where the template lies, reading it, and
** writing the output.
**
** Failures carry the run-time library's text for the error, so the wizard's
** error box reads as users of the original product expect, and the path of
** the file at fault for callers that name it. The output is replaced
** atomically: a failed write leaves an existing output file as it was and no
** half-written file behind.
*/

#include "generator/sourcegenerator.h"

#include "generator/fileerrors.h"

#include "platform/atomicfile.h"
#include "platform/registry.h"
#include "platform/rootdir.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace quillon::generator {

namespace {

constexpr std::string_view kTemplateName = "/template.dpr";

std::string fileErrorText(int code)
{
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return "File not found";
    case ENAMETOOLONG:
    case EILSEQ:
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(code);
    }
}

} // namespace

void rethrowFileError(const platform::FileError &e)
{
    if (e.code() == 0)
        throw GenerationError(e.what(), e.path());
    throw GenerationError(fileErrorText(e.code()), e.path());
}

std::string templatePathFromRegistry(const platform::Registry &registry)
{
    try {
        return platform::rootDirFromRegistry(registry, "the template") + std::string(kTemplateName);
    } catch (const platform::FileError &e) {
        rethrowFileError(e);
    }
}

std::string generateSourceText(const WizardProject &project, const std::string &templatePath,
                               const GenerationMoment &moment)
{
    checkBareNames(project);
    std::string templateText;
    try {
        templateText = platform::readFile(templatePath);
    } catch (const platform::FileError &e) {
        rethrowFileError(e);
    }
    return expandTemplate(project, templateText, moment);
}

SourceWrite generateSourceFile(const WizardProject &project, const std::string &templatePath,
                               const std::string &outputPath, const GenerationMoment &moment, EditedSource how)
{
    const std::string source = generateSourceText(project, templatePath, moment);
    if (outputPath.empty())
        throw GenerationError("Invalid filename", outputPath);
    return writeGeneratedSource(outputPath, source, how);
}

} // namespace quillon::generator
