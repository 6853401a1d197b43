#include "cli/projectcommands.h"

#include "cli/arguments.h"
#include "project/projectfile.h"
#include "project/summary.h"

#include <filesystem>
#include <iostream>

namespace quillon::cli {

WizardProject loadProjectFile(const std::string &path)
{
    ProjectFile::requireExists(path);
    WizardProject project;
    ProjectFile::load(path, project);
    return project;
}

int runResave(const Args &args)
{
    const Arguments a("resave", args, {});
    a.expectPositionals({"the project file to read (IN.qnp)", "the project file to write (OUT.qnp)"});
    ProjectFile::save(loadProjectFile(a.positionals()[0]), a.positionals()[1]);
    return 0;
}

int runSummary(const Args &args)
{
    const Arguments a("summary", args, {});
    a.expectPositionals({"the project file (PROJECT.qnp)"});
    std::string out;
    for (const std::string &line : summaryLines(loadProjectFile(a.positionals()[0]))) {
        out += line;
        out += '\n';
    }
    std::cout << out << std::flush;
    if (!std::cout)
        throw std::runtime_error("Unable to write the summary to standard output");
    return 0;
}

} // namespace quillon::cli
