#include "generator/libraryfragments.h"

#include "generator/pascalstring.h"

namespace quillon::generator {

std::string_view libraryName(std::string_view outputPath)
{
    const auto separator = outputPath.find_last_of("/\\:");
    const auto fileName =
        separator == std::string_view::npos ? outputPath : outputPath.substr(separator + 1);
    const auto dot = fileName.find('.');
    if (dot == std::string_view::npos)
        return {};
    return fileName.substr(0, dot);
}

std::string libNameFragment(const WizardProject &project)
{
    return std::string(libraryName(project.OutputDLL));
}

std::string libTitleFragment(const WizardProject &project)
{
    return literalText(project.ExtName);
}

} // namespace quillon::generator
