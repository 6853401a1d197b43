#include "cli/generatecommand.h"

#include "cli/arguments.h"
#include "cli/lpifile.h"
#include "cli/projectcommands.h"
#include "generator/projectsource.h"
#include "generator/sourcegenerator.h"
#include "platform/registry.h"
#include "project/outputname.h"

#include <filesystem>
#include <iostream>

namespace quillon::cli {

int runGenerate(const Args &args)
{
    const Arguments a("generate", args, {"--template", "--output"}, {"--force", "--merge", "--lpi"});
    a.expectPositionals({"the project file (PROJECT.qnp)"});
    if (a.flag("--force") && a.flag("--merge"))
        throw UsageError("generate: --force and --merge exclude each other");
    // A source edited since Quillon wrote it is replaced or merged only when asked.
    const generator::EditedSource how = a.flag("--force")   ? generator::EditedSource::Replace
                                         : a.flag("--merge") ? generator::EditedSource::Merge
                                                             : generator::EditedSource::Refuse;
    const std::string &projectPath = a.positionals()[0];
    WizardProject project = loadProjectFile(projectPath);

    // --output stands for the output page's answer: the library is named
    // after the file it is written to, as the compiler requires. Without
    // it the project file, which may come from anyone, names the file: the
    // name is completed as the output page completes it (a ".dpr" file),
    // and an existing file there is replaced only when it is a Pascal
    // project source.
    const auto explicitOutput = a.option("--output");
    if (explicitOutput)
        project.OutputDLL = *explicitOutput;
    if (project.OutputDLL.empty())
        throw std::runtime_error(projectPath +
                                 ": the project names no output file (OutputDLL); give --output FILE");
    if (!explicitOutput)
        project.OutputDLL =
            completeOutputPath(project.OutputDLL, std::filesystem::current_path().string());
    const std::string output = project.OutputDLL;
    const std::string templatePath = a.option("--template").value_or(
        generator::templatePathFromRegistry(platform::Registry()));

    const generator::GenerationMoment moment = generator::currentGenerationMoment();
    try {
        if (!explicitOutput)
            generator::requireReplaceableSource(output);
        const generator::SourceWrite written =
            generator::generateSourceFile(project, templatePath, output, moment, how);
        if (!written.warning.empty())
            std::cerr << "quillon: warning: " << written.warning << '\n';
        if (written.conflicts)
            throw std::runtime_error(output + ": your edits and the project's changes meet on the same lines; "
                                              "both are in the file between <<<<<<< and >>>>>>> markers");
    } catch (const generator::EditedSourceError &e) {
        throw std::runtime_error(std::string(e.what()) +
                                 (e.state() == generator::SourceState::Edited
                                      ? " (--merge keeps your edits and brings in the project's changes; "
                                        "--force replaces the file)"
                                      : " (--force replaces it)"));
    } catch (const generator::GenerationError &e) {
        // A project value at fault: the message names the key, say which file holds it.
        if (e.path().empty())
            throw std::runtime_error(projectPath + ": " + e.what());
        // Otherwise the message is the run-time library's text; say which file it is about.
        const std::string what = e.what();
        std::string message = what.starts_with(e.path()) ? what : e.path() + ": " + what;
        if (!a.option("--template") && e.path() == templatePath)
            message += " (the template is the registry's RootDir followed by /template.dpr: "
                       "record it with 'quillon install --root-dir DIR' or give --template FILE)";
        throw std::runtime_error(message);
    }
    if (a.flag("--lpi")) {
        const LpiWritten lpi = writeLpiBeside(output, templatePath);
        if (!lpi.written)
            std::cout << lpi.path << " exists: kept as it is\n";
    }
    return 0;
}

} // namespace quillon::cli
