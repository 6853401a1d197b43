#pragma once

/*
** Generating an extension project from a WizardProject with the real
** generator and template, and compiling it with Free Pascal.
*/

#include "fpcbuild.h"

#include "project/wizardproject.h"

#include <filesystem>
#include <string>

namespace quillon::testing {

// The template shipped in the pascal folder.
std::string shippedTemplate();

// Expands the shipped template for project into dir/name.dpr (OutputDLL is
// set to that path first, so the library is called name) and returns the path.
std::filesystem::path writeGeneratedSource(WizardProject project, const std::filesystem::path &dir,
                                           const std::string &name);

class ExtensionBuilder
{
public:
    explicit ExtensionBuilder(const std::filesystem::path &workDir);

    // Generates and compiles; returns the library. Throws std::runtime_error
    // with fpc's output and the generated source when it does not compile.
    std::filesystem::path build(const WizardProject &project, const std::string &name) const;

private:
    std::filesystem::path m_workDir;
    FpcBuild m_fpc;
};

} // namespace quillon::testing
